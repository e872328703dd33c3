#pragma once

#include "image/DiscImage.h"
#include "platform/VolumeFiles.h"

// A disc image as a volume of the program's own mount table.
class DiscImageVolume final : public ImageVolume
{
public:
    // Opens the image and reads its whole folder tree once, so that a damaged image fails here,
    // whole, and never in the middle of a scan. Throws ImageError.
    static std::unique_ptr<DiscImageVolume> open(const QByteArray &nativePath);

    QString label() const override { return m_image->label(); }
    bool list(const QByteArray &path, const VolumeEntryVisitor &visit) override;
    std::optional<VolumeEntryKind> kindOf(const QByteArray &path) override;
    std::unique_ptr<QIODevice> openFile(const QByteArray &path) override;

private:
    explicit DiscImageVolume(std::unique_ptr<DiscImage> image) : m_image(std::move(image)) {}

    std::unique_ptr<DiscImage> m_image;
};
