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
    return std::unique_ptr<DiscImageVolume>(new DiscImageVolume(DiscImage::open(nativePath)));
}

DiscImageVolume::DiscImageVolume(std::unique_ptr<DiscImage> image) : m_image(std::move(image))
{
    m_walker = std::jthread([image = m_image.get(), walk = m_walk] {
        std::exception_ptr failure;
        try {
            image->walk([&walk](Listing &&listing) { walk->add(std::move(listing)); });
        } catch (...) {
            failure = std::current_exception();
        }
        walk->end(std::move(failure));
    });
}

DiscImageVolume::~DiscImageVolume() = default;

void DiscImageVolume::finishWalk()
{
    if (m_walkTaken)
        return;
    m_walk->awaitWhole();
    // Once the walk has ended, one call takes all it left.
    m_walk->takeMore(m_listings);
    m_walkTaken = true;
}

const ImageListing &DiscImageVolume::entriesOf(const QByteArray &path)
{
    if (m_next == m_listings.size() && !m_walkTaken && !m_walk->takeMore(m_listings))
        finishWalk();
    if (m_next < m_listings.size() && m_listings[m_next].path == path)
        return m_listings[m_next++].entries;
    // Out of walk order: the image is read here once the walk is done with it.
    finishWalk();
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
        finishWalk();
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
