#pragma once

#include <QString>

// Shape of a generated disc tree. The same shape and seed always give the same tree.
struct TreeShape
{
    int files = 200000;
    int folders = 20000;
    int maxDepth = 8;
    quint32 seed = 1;
    // Names as on a present-day disk instead of a DOS-era disc: long, mixed case, with blanks,
    // several dots or none and now and then letters beyond ASCII, from a wide mix of extensions.
    bool realistic = false;
};

// A million files on a present-day disk.
inline TreeShape millionFileShape()
{
    TreeShape shape;
    shape.files = 1000000;
    shape.folders = 60000;
    shape.maxDepth = 14;
    shape.realistic = true;
    return shape;
}

// Builds a CD-like tree (8.3 upper-case names, DOS-era extensions, FILE_ID.DIZ and README.TXT
// descriptions, small valid ZIP archives) in a folder below root named after the shape, and returns
// that folder. A complete tree from an earlier call is reused; an incomplete one is rebuilt.
QString generateTree(const QString &root, const TreeShape &shape);
