#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>

// One row of a directory inside a disc image, as the mounted file system would show it.
struct ImageEntry
{
    enum class Kind : unsigned char
    {
        File,
        Directory,
        Symlink,
    };

    // UTF-8, never empty, never "." or "..", without "/" or NUL.
    QByteArray name;
    Kind kind = Kind::File;
    // For a symbolic link the length of its target, as lstat() shows it.
    quint64 size = 0;
    // UTC; invalid when the image records no usable time.
    QDateTime modified;
    // False while only the directory's record of a file is known (see DiscImage::readNames): its
    // kind reads File, its size and time are unset, and where its bytes lie is unread.
    bool detailed = true;

    bool isDirectory() const { return kind == Kind::Directory; }
};

// Where a file's bytes lie: runs of whole sectors, runs that read as zeros, or bytes kept in the
// file's own descriptor or already read with it. Bytes past the last run up to the size read as
// zeros.
struct ImageContent
{
    struct Run
    {
        // Absolute logical sector; unused for a run of zeros.
        quint64 firstSector = 0;
        quint64 length = 0;
        bool zeros = false;
    };

    QList<Run> runs;
    QByteArray embedded;
    quint64 size = 0;
};

// An entry together with where its contents lie. location tells directories apart: two directory
// entries with the same location are the same directory.
struct ImageNode
{
    ImageEntry entry;
    quint64 location = 0;
    ImageContent content;
};
