#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// What a walk needs to know of a directory entry. A link counts by what it points to; a link to a
// directory is listed but never entered, so no walk can loop.
enum class VolumeEntryKind : unsigned char
{
    RegularFile,
    OtherFile, // a device, a FIFO, a dangling link
    Directory,
    DirectoryLink,
};

inline bool isFileKind(VolumeEntryKind kind)
{
    return kind == VolumeEntryKind::RegularFile || kind == VolumeEntryKind::OtherFile;
}

using VolumeEntryVisitor = std::function<void(QByteArrayView name, VolumeEntryKind kind)>;

// An opened disc image as the volume it holds. Paths inside it are "/"-separated and relative to
// its root ("" is the root). Calls come from one thread at a time.
class ImageVolume
{
public:
    virtual ~ImageVolume() = default;

    virtual QString label() const = 0;
    // The directory's entries in recorded order; false when the path names no directory. A file
    // may be listed as a regular one that kindOf() finds to be something else, where the image
    // records a file's kind apart from its name.
    virtual bool list(const QByteArray &path, const VolumeEntryVisitor &visit) = 0;
    // Empty when the path names nothing.
    virtual std::optional<VolumeEntryKind> kindOf(const QByteArray &path) = 0;
    // A seekable device open for reading; null when the path names no regular file.
    virtual std::unique_ptr<QIODevice> openFile(const QByteArray &path) = 0;
};

// The program's own mount table for disc images: each image handed over gets a mount point that no
// real path has ("image:1/"; real ones begin with "/") and stays until the program ends. Native
// paths below it are read from the image, all others from the file system, by the functions
// below.
QByteArray mountImage(std::unique_ptr<ImageVolume> volume);
bool isImagePath(QByteArrayView nativePath);

// Lists a directory's entries ("." and ".." left out) in the volume's order; false when it cannot
// be read. Inside an image a regular file's kind is provisional (see ImageVolume::list). For real
// directories the names passed are the directory buffer's own, so a listing allocates nothing per
// entry.
bool listVolumeDirectory(const QByteArray &nativeDirectory, const VolumeEntryVisitor &visit);
// What a native path names, links followed; empty when it names nothing.
std::optional<VolumeEntryKind> volumePathKind(const QByteArray &nativePath);
// A file inside an image; null when the path names no regular file there.
std::unique_ptr<QIODevice> openImageFile(const QByteArray &nativePath);
