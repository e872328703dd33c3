#pragma once

#include "platform/DriveTable.h"
#include "vdrive/TreeText.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

// One subdirectory as the directory tree shows and stores it.
struct Subdirectory
{
    QString text;    // shown and stored
    QString path;    // program path ending in "\", letter case as on the disc
    QByteArray name; // native
    bool isLink = false;
};

// Whether a subdirectory, given its program path and native name, belongs in the tree.
using SubdirectoryFilter = std::function<bool(const QString &path, QByteArrayView name)>;

// The subdirectories of a native directory (ending in "/") whose program path is parentPath, in
// the tree's order: Unicode case folding, never the user's locale, so that a stored tree does
// not depend on who stored it.
std::vector<Subdirectory> readSubdirectories(const QByteArray &nativeDirectory,
                                             const QString &parentPath,
                                             const SubdirectoryFilter &admit);

// The drive's complete folder tree in pre-order, its root shown as caption, as the tree builder
// expands it: links to directories and other volumes' mount points are leaves. Empty for a
// network drive, which the tree builder does not offer.
QList<TreeLine> snapshotDrive(const Drive &drive, const QString &caption);
