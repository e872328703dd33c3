#pragma once

#include "image/DiscImage.h"

#include <QHash>

// A UDF volume (type 1 and metadata partitions, block size 2048) as Linux's udf driver shows it:
// the file identifiers of each directory in recorded order, without hidden and deleted ones.
class UdfImage final : public DiscImage
{
public:
    // True when the image carries a UDF volume recognition sequence and an anchor, which is what
    // makes blkid, and so a mount without a type, take a hybrid image for UDF.
    static bool isPresent(const ImageSectors &sectors);

    // Throws ImageError when the volume's descriptors are damaged or of a kind not supported.
    explicit UdfImage(std::shared_ptr<const ImageSectors> sectors);

    struct Partition
    {
        quint64 start = 0;
        quint64 length = 0;
        // A metadata partition lies in the runs of its metadata file instead.
        bool isMetadata = false;
        QList<ImageContent::Run> runs;
    };

protected:
    QList<Node> childNodes(const Node &directory) override;
    void listNames(const Node &directory, ImageListing &names,
                   QList<Node> &subdirectories) override;
    void readDetails(Node &node) override;

private:
    struct Volume;

    UdfImage(std::shared_ptr<const ImageSectors> sectors, Volume volume);
    static Volume readVolume(const ImageSectors &sectors);
    QByteArray directoryBytes(const Node &directory) const;
    template <typename Visit> void forEachChild(const Node &directory, Visit &&visit);

    QHash<quint16, Partition> m_partitions;
};
