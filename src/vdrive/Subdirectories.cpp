#include "vdrive/Subdirectories.h"

#include "base/UpperAscii.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using DirectoryHandle = std::unique_ptr<DIR, int (*)(DIR *)>;

DirectoryHandle openDirectory(const QByteArray &nativeDirectory)
{
    return DirectoryHandle(::opendir(nativeDirectory.constData()), &::closedir);
}

bool isDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// The name of the entry in nativeDirectory (ending in "/") that reads as component once a to z
// are upper-cased in both; empty when there is none.
QByteArray nameMatching(const QByteArray &nativeDirectory, QStringView component)
{
    const DirectoryHandle directory = openDirectory(nativeDirectory);
    if (!directory)
        return {};
    const QString wanted = upperAscii(component);
    while (const dirent *entry = ::readdir(directory.get())) {
        if (!isDotOrDotDot(entry->d_name) &&
            upperAscii(programName(QByteArrayView(entry->d_name))) == wanted)
            return QByteArray(entry->d_name);
    }
    return {};
}

bool exists(const QByteArray &nativePath)
{
    struct stat status;
    return ::stat(nativePath.constData(), &status) == 0;
}

} // namespace

bool forEachSubdirectory(const QByteArray &nativeDirectory, const SubdirectoryVisitor &visit)
{
    const DirectoryHandle directory = openDirectory(nativeDirectory);
    if (!directory)
        return false;
    const int fd = ::dirfd(directory.get());
    while (const dirent *entry = ::readdir(directory.get())) {
        if (isDotOrDotDot(entry->d_name))
            continue;
        unsigned char type = entry->d_type;
        struct stat status;
        if (type == DT_UNKNOWN && ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0)
            type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISLNK(status.st_mode) ? DT_LNK : DT_REG;
        const bool isLink = type == DT_LNK && ::fstatat(fd, entry->d_name, &status, 0) == 0 &&
                            S_ISDIR(status.st_mode);
        if ((type == DT_DIR || isLink) && !visit(QByteArrayView(entry->d_name), isLink))
            break;
    }
    return true;
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
