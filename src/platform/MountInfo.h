#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// One line of /proc/self/mountinfo. Paths stay bytes, as the kernel reports them.
struct MountEntry
{
    int mountId = 0;
    int parentId = 0;
    unsigned major = 0;
    unsigned minor = 0;
    QByteArray root; // directory of the file system that is mounted here
    QByteArray mountPoint;
    QByteArray options;      // per-mount options
    QByteArray fileSystem;   // for example "ext4" or "fuse.sshfs"
    QByteArray source;       // for example "/dev/sdb1" or "//server/share"
    QByteArray superOptions; // per-superblock options

    bool operator==(const MountEntry &) const = default;
};

// Parses mountinfo text. Lines that do not have the kernel's layout are skipped; any input is safe.
QList<MountEntry> parseMountInfo(QByteArrayView text);

// Undoes the kernel's octal escapes ("\040" for a space, "\134" for a backslash, ...).
QByteArray unescapeMountField(QByteArrayView field);

// The mount points below root (native, each ending in "/") that show another volume than the one
// shown at root. The mount table decides, not the device numbers of directories: bind mounts of
// the same volume and subvolumes of it belong to it, even where stat() reports another device.
QList<QByteArray> otherVolumesBelow(const QList<MountEntry> &table, QByteArrayView root);
