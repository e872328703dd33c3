#pragma once

#include "image/DiscImage.h"
#include "platform/VolumeFiles.h"

#include <QHash>

#include <vector>

// A disc image as a volume of the program's own mount table.
class DiscImageVolume final : public ImageVolume
{
public:
    // Opens the image and reads its whole folder tree once, so that a damaged image fails here,
    // whole, and never in the middle of a scan; the listings read then serve every later one.
    // Where a file's own entry lies apart (UDF), it is read only when the file is looked at.
    // Throws ImageError.
    static std::unique_ptr<DiscImageVolume> open(const QByteArray &nativePath);

    QString label() const override { return m_image->label(); }
    bool list(const QByteArray &path, const VolumeEntryVisitor &visit) override;
    std::optional<VolumeEntryKind> kindOf(const QByteArray &path) override;
    std::unique_ptr<QIODevice> openFile(const QByteArray &path) override;

private:
    using Listing = DiscImage::WalkedDirectory;

    DiscImageVolume(std::unique_ptr<DiscImage> image, std::vector<Listing> listings)
        : m_image(std::move(image)), m_listings(std::move(listings))
    {}
    // The directory's entries, from the listings read at opening when it is among them.
    const ImageListing &entriesOf(const QByteArray &path);

    std::unique_ptr<DiscImage> m_image;
    // Each directory's entries in the order the walk at opening reached it, which is the order a
    // scan asks for them: the next one is looked at first, and the index by path is only made
    // when something asks out of that order.
    std::vector<Listing> m_listings;
    std::size_t m_next = 0;
    QHash<QByteArray, std::size_t> m_byPath;
    // The last listing read from the image itself, for a path the walk did not reach.
    ImageListing m_unwalked;
};
