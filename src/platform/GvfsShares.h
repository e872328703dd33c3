#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The file system of the one mount below which the file manager keeps its network shares, one
// folder per share.
inline constexpr QByteArrayView GvfsFileSystem = "fuse.gvfsd-fuse";

// The share folders' names below a gvfs mount point, sorted. Only that folder is read, which its
// local daemon answers without reaching the shares, so a share that went away cannot make this
// hang; readdir rather than QDir, which would stat each share's folder.
QList<QByteArray> gvfsShareFolders(const QByteArray &mountPoint);
