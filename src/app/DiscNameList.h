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

} // namespace DiscNameList
