#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class PlainNotice;

// Lists the members of a ZIP archive as lines "NAME 0001234 Byte ", walking the local headers from
// the front of the file. path is the program path shown in messages, nativePath the file opened.
// Appends to lines and returns how many it added. A missing file is reported through notices and
// adds nothing. Throws AppError when the file cannot be opened, or when moving past a member's
// data fails; lines added before that stay.
int ListZipMembers(const QString &path, const QByteArray &nativePath, QStringList &lines,
                   PlainNotice &notices);
