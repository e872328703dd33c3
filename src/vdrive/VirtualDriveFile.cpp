#include "vdrive/VirtualDriveFile.h"

#include "base/AppError.h"
#include "platform/NativePath.h"
#include "vdrive/FolderTree.h"
#include "vdrive/Subdirectories.h"

using namespace Qt::StringLiterals;

namespace {

// Whether the drive behind a root such as "d:\" holds a folder.
bool hasSubdirectory(const PathMapper &paths, const QString &root)
{
    bool found = false;
    if (const std::optional<QByteArray> native = paths.toNative(root))
        forEachSubdirectory(*native, [&](QByteArrayView, bool) {
            found = true;
            return false;
        });
    return found;
}

} // namespace

QList<TreeLine> driveTree(const DriveTable &drives, const QString &root, const QString &caption,
                          const QString &place)
{
    const std::optional<Drive> drive = root.isEmpty() ? std::nullopt : drives.drive(root.front());
    const QList<TreeLine> lines = drive ? snapshotDrive(*drive, caption) : QList<TreeLine>();
    if (lines.isEmpty() && hasSubdirectory(PathMapper(drives), root))
        throw AppError(
            u"Laufwerk %1 kann nicht gelesen werden, %2 bleibt unverändert"_s.arg(root, place));
    return lines;
}

void storeDriveTree(const QString &file, const DriveTable &drives, const QString &root,
                    const QString &caption)
{
    saveTreeFile(file, driveTree(drives, root, caption, u"Datei %1"_s.arg(file)));
}
