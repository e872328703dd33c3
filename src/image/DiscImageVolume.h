#pragma once

#include "image/DiscImage.h"
#include "image/WalkFeed.h"
#include "platform/VolumeFiles.h"

#include <QHash>

#include <deque>
#include <memory>
#include <thread>

// A disc image as a volume of the program's own mount table.
class DiscImageVolume final : public ImageVolume
{
public:
    // Opens the image and starts the walk of its whole folder tree on other threads; the listings
    // read then serve every later one, and list() hands them out as soon as the walk reaches them.
    // Where a file's own entry lies apart (UDF), it is read only when the file is looked at.
    // Throws ImageError when the image holds no volume that can be read.
    static std::unique_ptr<DiscImageVolume> open(const QByteArray &nativePath);
    ~DiscImageVolume() override;
    Q_DISABLE_COPY_MOVE(DiscImageVolume)

    // The walk started at opening. Its end tells whether the image is whole: a damaged image fails
    // there, whole, so that nothing read from it before is kept.
    const std::shared_ptr<WalkFeed> &walk() const { return m_walk; }

    QString label() const override { return m_image->label(); }
    bool list(const QByteArray &path, const VolumeEntryVisitor &visit) override;
    std::optional<VolumeEntryKind> kindOf(const QByteArray &path) override;
    std::unique_ptr<QIODevice> openFile(const QByteArray &path) override;

private:
    using Listing = DiscImage::WalkedDirectory;

    explicit DiscImageVolume(std::unique_ptr<DiscImage> image);
    // The directory's entries, from the listings of the walk when it is among them.
    const ImageListing &entriesOf(const QByteArray &path);
    // Waits for the end of the walk, after which this thread alone reads the image; throws
    // ImageError when the walk failed.
    void finishWalk();

    std::unique_ptr<DiscImage> m_image;
    std::shared_ptr<WalkFeed> m_walk = std::make_shared<WalkFeed>();
    bool m_walkTaken = false; // all listings of the walk are in m_listings
    // Each directory's entries in the order the walk reached it, which is the order a scan asks
    // for them: the next one is looked at first, and the index by path is only made when
    // something asks out of that order.
    std::deque<Listing> m_listings;
    std::size_t m_next = 0;
    QHash<QByteArray, std::size_t> m_byPath;
    // The last listing read from the image itself, for a path the walk did not reach.
    ImageListing m_unwalked;
    std::jthread m_walker; // last, so that it is joined before the rest goes
};
