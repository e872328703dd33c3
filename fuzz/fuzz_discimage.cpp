#include "FileInput.h"
#include "image/DiscImage.h"
#include "image/ImageError.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace {

// Enough for every seed's tree; a mutated image may describe far more entries than it holds
// bytes, and each of them must still be checked, but not without end.
constexpr int MaxEntries = 4096;

bool isShowableName(QByteArrayView name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
           !name.contains('\0');
}

// Walks the whole tree as a scan does, names first and a file's own entry when the file is looked
// at, and reads the start of every file. Every name must be one a mounted file system could
// show, and every read either gives the bytes asked for or fails with an ImageError.
void walk(DiscImage &image)
{
    int entries = 0;
    const std::function<void(const QByteArray &)> visit = [&](const QByteArray &path) {
        const ImageListing listing = image.readNames(path);
        for (qsizetype index = 0; index < listing.size(); ++index) {
            if (!isShowableName(listing.name(index)))
                __builtin_trap();
            if (++entries > MaxEntries)
                return;
            const QByteArray child = path + '/' + listing.name(index).toByteArray();
            if (listing.kind(index) == ImageEntry::Kind::Directory) {
                visit(child);
                continue;
            }
            // By path, which names the first of several entries of the same name.
            const ImageEntry entry = image.entryAt(child);
            if (entry.kind == ImageEntry::Kind::File) {
                const QByteArray head = image.readFile(child, 4096);
                if (quint64(head.size()) != std::min<quint64>(entry.size, 4096))
                    __builtin_trap();
            }
        }
    };
    visit(QByteArray());
}

bool sameListing(const ImageListing &one, const ImageListing &other)
{
    if (one.size() != other.size())
        return false;
    for (qsizetype index = 0; index < one.size(); ++index) {
        if (one.name(index) != other.name(index) || one.kind(index) != other.kind(index))
            return false;
    }
    return true;
}

// The walk at opening, on several threads, must list each directory as reading it by path does.
void compareWalkWithPaths(DiscImage &image)
{
    for (const DiscImage::WalkedDirectory &directory : image.walk()) {
        if (!sameListing(directory.entries, image.readNames(directory.path)))
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray path = inputAsFile(data, size);
    std::unique_ptr<DiscImage> image;
    // A damaged image is reported by an ImageError; that is the expected way out of each step. The
    // steps run apart, so that reading by path is also tried after a walk that met damage.
    try {
        image = DiscImage::open(path);
        (void)image->label();
    } catch (const ImageError &) {
        return 0;
    }
    try {
        compareWalkWithPaths(*image);
    } catch (const ImageError &) {
    }
    try {
        walk(*image);
    } catch (const ImageError &) {
    }
    return 0;
}
