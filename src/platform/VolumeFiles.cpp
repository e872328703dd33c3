#include "platform/VolumeFiles.h"

#include <QHash>
#include <QMutex>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <map>

namespace {

constexpr QByteArrayView ImageScheme = "image:";

VolumeEntryKind kindOfStatus(const struct stat &status)
{
    if (S_ISREG(status.st_mode))
        return VolumeEntryKind::RegularFile;
    return S_ISDIR(status.st_mode) ? VolumeEntryKind::Directory : VolumeEntryKind::OtherFile;
}

VolumeEntryKind kindOf(int directoryFd, const dirent &entry)
{
    unsigned char type = entry.d_type;
    struct stat status;
    if (type == DT_UNKNOWN) {
        if (::fstatat(directoryFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return VolumeEntryKind::OtherFile;
        if (!S_ISLNK(status.st_mode))
            return kindOfStatus(status);
        type = DT_LNK;
    }
    if (type == DT_REG)
        return VolumeEntryKind::RegularFile;
    if (type == DT_DIR)
        return VolumeEntryKind::Directory;
    if (type != DT_LNK || ::fstatat(directoryFd, entry.d_name, &status, 0) != 0)
        return VolumeEntryKind::OtherFile;
    const VolumeEntryKind target = kindOfStatus(status);
    return target == VolumeEntryKind::Directory ? VolumeEntryKind::DirectoryLink : target;
}

bool listRealDirectory(const QByteArray &nativeDirectory, const VolumeEntryVisitor &visit)
{
    const std::unique_ptr<DIR, int (*)(DIR *)> directory(::opendir(nativeDirectory.constData()),
                                                         &::closedir);
    if (!directory)
        return false;
    const int fd = ::dirfd(directory.get());
    while (const dirent *entry = ::readdir(directory.get())) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        visit(QByteArrayView(name), kindOf(fd, *entry));
    }
    return true;
}

// Each image under its number, with a lock of its own: the window's tree and a scan's worker may
// read the same image at once.
struct MountedImage
{
    std::unique_ptr<ImageVolume> volume;
    QMutex lock;
};

struct ImageTable
{
    QMutex lock;
    std::map<qint64, MountedImage> images;
    qint64 lastNumber = 0;
};

ImageTable &imageTable()
{
    // Never destroyed: images stay mounted until the program ends, and taking apart the listings
    // of a large image at exit would only delay it.
    static ImageTable *const table = new ImageTable;
    return *table;
}

// The image a native path lies in and the path inside it; null when there is none.
MountedImage *imageOf(QByteArrayView nativePath, QByteArray &inside)
{
    if (!isImagePath(nativePath))
        return nullptr;
    const QByteArrayView rest = nativePath.sliced(ImageScheme.size());
    const qsizetype slash = rest.indexOf('/');
    bool valid = false;
    const qint64 number = rest.first(slash < 0 ? rest.size() : slash).toLongLong(&valid);
    ImageTable &table = imageTable();
    const QMutexLocker locker(&table.lock);
    const auto found = table.images.find(number);
    if (!valid || found == table.images.end())
        return nullptr;
    inside = slash < 0 ? QByteArray() : rest.sliced(slash + 1).toByteArray();
    while (inside.endsWith('/'))
        inside.chop(1);
    return &found->second;
}

} // namespace

QByteArray mountImage(std::unique_ptr<ImageVolume> volume)
{
    ImageTable &table = imageTable();
    const QMutexLocker locker(&table.lock);
    const qint64 number = ++table.lastNumber;
    table.images[number].volume = std::move(volume);
    return ImageScheme.toByteArray() + QByteArray::number(number) + '/';
}

bool isImagePath(QByteArrayView nativePath)
{
    return nativePath.startsWith(ImageScheme);
}

bool listVolumeDirectory(const QByteArray &nativeDirectory, const VolumeEntryVisitor &visit)
{
    QByteArray inside;
    if (MountedImage *image = imageOf(nativeDirectory, inside)) {
        const QMutexLocker locker(&image->lock);
        return image->volume->list(inside, visit);
    }
    return !isImagePath(nativeDirectory) && listRealDirectory(nativeDirectory, visit);
}

std::optional<VolumeEntryKind> volumePathKind(const QByteArray &nativePath)
{
    QByteArray inside;
    if (MountedImage *image = imageOf(nativePath, inside)) {
        const QMutexLocker locker(&image->lock);
        return inside.isEmpty() ? VolumeEntryKind::Directory : image->volume->kindOf(inside);
    }
    struct stat status;
    if (isImagePath(nativePath) || ::stat(nativePath.constData(), &status) != 0)
        return std::nullopt;
    return kindOfStatus(status);
}

std::unique_ptr<QIODevice> openImageFile(const QByteArray &nativePath)
{
    QByteArray inside;
    MountedImage *image = imageOf(nativePath, inside);
    if (!image)
        return nullptr;
    const QMutexLocker locker(&image->lock);
    return image->volume->openFile(inside);
}
