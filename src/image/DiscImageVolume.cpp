#include "image/DiscImageVolume.h"

#include "image/ImageError.h"

namespace {

// Links are not followed: where one points is not recorded in a form the reader resolves, and a
// file-like entry is what a scan lists.
VolumeEntryKind volumeKind(ImageEntry::Kind kind)
{
    switch (kind) {
    case ImageEntry::Kind::File:
        return VolumeEntryKind::RegularFile;
    case ImageEntry::Kind::Directory:
        return VolumeEntryKind::Directory;
    case ImageEntry::Kind::Symlink:
        break;
    }
    return VolumeEntryKind::OtherFile;
}

} // namespace

std::unique_ptr<DiscImageVolume> DiscImageVolume::open(const QByteArray &nativePath)
{
    std::unique_ptr<DiscImage> image = DiscImage::open(nativePath);
    std::vector<DiscImage::WalkedDirectory> listings = image->walk();
    return std::unique_ptr<DiscImageVolume>(
        new DiscImageVolume(std::move(image), std::move(listings)));
}

const ImageListing &DiscImageVolume::entriesOf(const QByteArray &path)
{
    if (m_next < m_listings.size() && m_listings[m_next].path == path)
        return m_listings[m_next++].entries;
    if (m_byPath.isEmpty()) {
        m_byPath.reserve(qsizetype(m_listings.size()));
        for (std::size_t index = 0; index < m_listings.size(); ++index)
            m_byPath.insert(m_listings[index].path, index);
    }
    if (const auto known = m_byPath.constFind(path); known != m_byPath.cend()) {
        m_next = *known + 1;
        return m_listings[*known].entries;
    }
    m_unwalked = m_image->readNames(path);
    return m_unwalked;
}

bool DiscImageVolume::list(const QByteArray &path, const VolumeEntryVisitor &visit)
{
    const ImageListing *entries = nullptr;
    try {
        entries = &entriesOf(path);
    } catch (const ImageError &) {
        return false;
    }
    for (qsizetype index = 0; index < entries->size(); ++index)
        visit(entries->name(index), volumeKind(entries->kind(index)));
    return true;
}

std::optional<VolumeEntryKind> DiscImageVolume::kindOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    try {
        const ImageListing &siblings = entriesOf(slash < 0 ? QByteArray() : path.left(slash));
        const qsizetype index = siblings.indexOf(QByteArrayView(path).sliced(slash + 1));
        if (index < 0)
            return std::nullopt;
        // A file listed without its own entry may still turn out a link once that is read.
        return volumeKind(siblings.isDetailed(index) ? siblings.kind(index)
                                                     : m_image->entryAt(path).kind);
    } catch (const ImageError &) {
        return std::nullopt;
    }
}

std::unique_ptr<QIODevice> DiscImageVolume::openFile(const QByteArray &path)
{
    if (kindOf(path) != VolumeEntryKind::RegularFile)
        return nullptr;
    try {
        return m_image->openFile(path);
    } catch (const ImageError &) {
        return nullptr;
    }
}
