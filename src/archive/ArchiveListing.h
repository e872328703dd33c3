#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

class PlainNotice;

// Whether a file is listed through the general archive reader, by how its name ends (letter case
// ignored): .7z .rar .cab .lzh .lha .tar .tgz .tar.gz .tbz .tbz2 .tar.bz2 .txz .tar.xz .cpio .iso.
// ZIP is not among them: it has a lister of its own.
bool isListedArchiveName(QStringView path);

// Lists the members of an archive in any of those formats as ZIP members are listed, one line
// "NAME 0001234 Byte " each, reading only the headers. path is the program path shown in
// messages, nativePath the file opened. Appends to lines and returns how many it added.
// A missing file is reported through notices and adds nothing. An archive that cannot be read to
// its end, or that is encrypted, is reported through notices too; the lines read before stay.
// Throws AppError only when the file cannot be opened.
int ListArchiveMembers(const QString &path, const QByteArray &nativePath, QStringList &lines,
                       PlainNotice &notices);
