#pragma once

#include "image/DiscImage.h"

// An ISO 9660 volume as Linux's isofs shows it with its default options: the primary tree with Rock
// Ridge names when the root announces Rock Ridge, else the Joliet tree when there is one, else the
// primary tree with ISO names (lower case, without ";1"). Entries keep the order of their records;
// hidden entries are shown, associated files are not.
class IsoImage final : public DiscImage
{
public:
    // Throws ImageError when the image holds no primary volume descriptor.
    explicit IsoImage(std::shared_ptr<const ImageSectors> sectors);

protected:
    QList<Node> childNodes(const Node &directory) override;

private:
    struct Volume;

    IsoImage(std::shared_ptr<const ImageSectors> sectors, Volume volume);
    static Volume readVolume(const ImageSectors &sectors);

    bool m_joliet = false;
    // Bytes that Rock Ridge's SP entry says to skip at the start of each system use area.
    int m_suspSkip = 0;
};
