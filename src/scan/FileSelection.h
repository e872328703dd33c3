#pragma once

#include <QString>

#include <array>
#include <optional>

// The extension tests of a scan, in the order the selection list depends on.
enum class SelectionTest
{
    Exe,
    Com,
    Bat,
    Zip,
    Pas,
    Filter1,
    Filter2
};
inline constexpr int SelectionTestCount = 7;

// The option controls as the scan reads them.
struct SelectionOptions
{
    std::array<bool, SelectionTestCount> enabled{};
    QString upperFilter1;        // extension for Filter1, dot included, letters a to z upper-cased
    QString upperFilter2;        // the same for Filter2
    bool listZipMembers = false; // attach a member listing to every ZIP the ".ZIP" test keeps
    bool captureDescriptions = false; // attach the description found beside every kept file
    bool cutDescriptions = false;     // cut descriptions to the line limit
};

// The part of a path from its last "." to the end, when that dot follows the last "\" or ":";
// otherwise empty.
QStringView extensionOf(QStringView path);
// Whether the test holds for a file of that extension (any letter case).
bool selectionTestHolds(SelectionTest test, QStringView extension, const SelectionOptions &options);
// The line limit typed into the option field: leading blanks, then an optional sign and decimal
// digits or "$" and hex digits, nothing after them, within the 32-bit signed range.
std::optional<qint32> parseLineLimit(QStringView text);
