#pragma once

#include <QByteArray>
#include <QString>

// Reads a description file found beside a kept file into the text the catalogue keeps.

// The largest description file taken, the capacity of the description box it stands in.
inline constexpr qint64 DescriptionSizeLimit = 4 * 1024 * 1024;

// The file's text up to its first NUL byte, decoded as UTF-8 when valid, else as CP437 for
// FILE_ID.DIZ and Windows-1252 for the others, with every lone CR and lone LF made CR LF.
// Throws AppError "Datei <programPath> kann nicht geöffnet werden" when the file is no regular file
// or cannot be opened or read, and "Text überschreitet Memo-Kapazität" when it is larger than
// DescriptionSizeLimit.
QString loadDescription(const QByteArray &nativePath, const QString &programPath, bool isFileIdDiz);
