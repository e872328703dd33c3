#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

#include <optional>

class ImageSectors;

// What the Rock Ridge entries of one directory record say, read as Linux's isofs reads them.
struct RockRidge
{
    // NM: the name; empty when there is none, and then the ISO name stands.
    QByteArray name;
    // RE: a relocated directory, shown only where its CL entry points to it.
    bool relocated = false;
    // CL: the sector of the directory that this record stands for.
    std::optional<quint32> childLink;
    // PX: the file mode.
    std::optional<quint32> mode;
    // SL: the length of the link target, as lstat() shows it.
    std::optional<quint64> linkSize;
    // TF: the modification time.
    QDateTime modified;
    // SP's skip count and whether ER announces the extension; both only in the root's "." record.
    std::optional<int> skip;
    bool announced = false;

    // Reads the system use area of a record, following continuation areas. Throws ImageError on a
    // continuation that points outside its sector or past the end of the image.
    static RockRidge read(const ImageSectors &sectors, QByteArrayView area);
};
