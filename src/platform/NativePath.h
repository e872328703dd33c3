#pragma once

#include "platform/DriveTable.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Lossless conversion of native file names (bytes) to program text and back: valid UTF-8 decodes
// as such, every other byte b becomes the lone surrogate U+DC00 + b, which encodes back to b. So a
// disc whose names are not UTF-8 can still be listed and its files opened.
QString decodeFileName(QByteArrayView bytes);
QByteArray encodeFileName(QStringView name);

// One file or folder name as a component of a program path, and back: the lossless decoding
// above, with the two characters that separate program paths, "\" and ":", shown as U+F05C and
// U+F03A, as Cygwin and WSL show them. A name that really holds U+F05C or U+F03A therefore maps
// back to "\" or ":".
QString programName(QByteArrayView nativeName);
QByteArray nativeName(QStringView programName);

// Program text for places that keep text, not file names, such as the catalogue: the stand-ins
// for bytes that are no UTF-8 become the Windows-1252 characters of those bytes, as stored trees
// show such names. Lone surrogates would not survive the catalogue's UTF-8 and corrupt the
// characters after them.
QString storableText(QStringView programText);

// Maps the program's drive-letter paths ("d:\GAMES\SETUP.EXE") to native paths
// ("/media/user/MYDISC/GAMES/SETUP.EXE") and back, through the drive table.
class PathMapper
{
public:
    explicit PathMapper(const DriveTable &drives) : m_drives(drives) {}

    // Empty when the path does not start with a letter and ":" or the drive holds no medium.
    std::optional<QByteArray> toNative(QStringView programPath) const;
    // Empty when the path lies on no drive of the table.
    std::optional<QString> toProgram(QByteArrayView nativePath) const;
    // The drive a program path starts with; empty when there is none.
    std::optional<Drive> driveOf(QStringView programPath) const;

private:
    const DriveTable &m_drives;
};
