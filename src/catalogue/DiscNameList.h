#pragma once

#include <QByteArray>
#include <QStringList>

// The disc name list file: one name per line, every line ended by CR LF.
namespace DiscNameList {

// The list's first entry, which stands for every disc.
inline const QString AllDiscs = QStringLiteral("Alle CD's");

// Splits at CR LF, lone CR and lone LF; the first NUL ends the text; a last line without a break
// is still a name. Text that is not valid UTF-8 is read as Windows-1252 (older installations).
QStringList parse(const QByteArray &bytes);
QByteArray serialize(const QStringList &names);

// Replaces the file whole; a failed write leaves the old file in place. Throws AppError.
void save(const QString &filePath, const QStringList &names);
// Throws AppError when the file exists but cannot be read.
QStringList load(const QString &filePath);

// The window's list with the names that the file gained since the window read or wrote it
// (readBefore), in the file's order; a name the window lists already is not added again.
QStringList merged(const QStringList &window, const QStringList &readBefore,
                   const QStringList &fileNow);

} // namespace DiscNameList
