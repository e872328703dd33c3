#include "scan/FileSelection.h"

#include "base/UpperAscii.h"

namespace {

int hexDigitValue(QChar character)
{
    const char16_t unit = character.unicode();
    if (unit >= u'0' && unit <= u'9')
        return unit - u'0';
    if (unit >= u'a' && unit <= u'f')
        return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F')
        return unit - u'A' + 10;
    return -1;
}

// Compares without allocating: the scan tests every file of a disc.
bool equalsUpperAscii(QStringView text, QStringView upper)
{
    if (text.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (upperAsciiUnit(text[i].unicode()) != upper[i].unicode())
            return false;
    }
    return true;
}

} // namespace

// One pass from the end: whichever of a dot or a separator comes last decides.
QStringView extensionOf(QStringView path)
{
    for (qsizetype i = path.size(); i > 0; --i) {
        const char16_t unit = path[i - 1].unicode();
        if (unit == u'.')
            return path.sliced(i - 1);
        if (unit == u'\\' || unit == u':')
            return {};
    }
    return {};
}

bool selectionTestHolds(SelectionTest test, QStringView extension, const SelectionOptions &options)
{
    // Made once: a view of a string literal measures it each time it is made, and the scan tests
    // every file of a disc.
    static constexpr QStringView Exe = u".EXE";
    static constexpr QStringView Com = u".COM";
    static constexpr QStringView Bat = u".BAT";
    static constexpr QStringView Zip = u".ZIP";
    static constexpr QStringView Pas = u".PAS";
    if (!options.enabled[static_cast<size_t>(test)])
        return false;
    switch (test) {
    case SelectionTest::Exe:
        return equalsUpperAscii(extension, Exe);
    case SelectionTest::Com:
        return equalsUpperAscii(extension, Com);
    case SelectionTest::Bat:
        return equalsUpperAscii(extension, Bat);
    case SelectionTest::Zip:
        return equalsUpperAscii(extension, Zip);
    case SelectionTest::Pas:
        return equalsUpperAscii(extension, Pas);
    case SelectionTest::Filter1:
        return equalsUpperAscii(extension, options.upperFilter1);
    case SelectionTest::Filter2:
        return equalsUpperAscii(extension, options.upperFilter2);
    }
    return false;
}

std::optional<qint32> parseLineLimit(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    if (i == text.size())
        return std::nullopt;

    qint64 value = 0;
    if (text[i] == u'$') {
        ++i;
        if (i == text.size())
            return std::nullopt;
        for (; i < text.size(); ++i) {
            const int digit = hexDigitValue(text[i]);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
            if (value > std::numeric_limits<qint32>::max())
                return std::nullopt;
        }
        return static_cast<qint32>(value);
    }

    bool negative = false;
    if (text[i] == u'+' || text[i] == u'-') {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}
