#include "vdrive/Subdirectories.h"

#include "base/UpperAscii.h"
#include "platform/VolumeFiles.h"

using namespace Qt::StringLiterals;

namespace {

// The name of the entry in nativeDirectory (ending in "/") that reads as component once a to z
// are upper-cased in both; empty when there is none.
QByteArray nameMatching(const QByteArray &nativeDirectory, QStringView component)
{
    const QString wanted = upperAscii(component);
    QByteArray found;
    listVolumeDirectory(nativeDirectory, [&](QByteArrayView name, VolumeEntryKind) {
        if (found.isEmpty() && upperAscii(programName(name)) == wanted)
            found = name.toByteArray();
    });
    return found;
}

bool exists(const QByteArray &nativePath)
{
    return volumePathKind(nativePath).has_value();
}

} // namespace

bool forEachSubdirectory(const QByteArray &nativeDirectory, const SubdirectoryVisitor &visit)
{
    bool visiting = true;
    return listVolumeDirectory(nativeDirectory, [&](QByteArrayView name, VolumeEntryKind kind) {
        const bool isLink = kind == VolumeEntryKind::DirectoryLink;
        if (visiting && (kind == VolumeEntryKind::Directory || isLink))
            visiting = visit(name, isLink);
    });
}

bool programPathExists(const PathMapper &paths, QStringView programPath)
{
    const std::optional<QByteArray> native = paths.toNative(programPath);
    if (!native)
        return false;
    if (exists(*native))
        return true;

    QByteArray current = *paths.toNative(programPath.first(2));
    for (const QStringView component : programPath.sliced(2).split(u'\\', Qt::SkipEmptyParts)) {
        QByteArray next = current + nativeName(component);
        if (!exists(next)) {
            const QByteArray name = nameMatching(current, component);
            if (name.isEmpty())
                return false;
            next = current + name;
        }
        current = next + '/';
    }
    return true;
}
