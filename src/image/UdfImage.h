#pragma once

#include "image/DiscImage.h"

#include <optional>
#include <vector>

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
    // A volume's partitions by reference number, of which there are a few; a walk looks one up
    // for every file it meets.
    class Partitions
    {
    public:
        void insert(quint16 reference, Partition partition);
        // Null when the volume has no partition of that reference.
        const Partition *find(quint16 reference) const
        {
            return reference < m_byReference.size() && m_byReference[reference]
                       ? &*m_byReference[reference]
                       : nullptr;
        }
        const std::vector<std::optional<Partition>> &all() const { return m_byReference; }

    private:
        std::vector<std::optional<Partition>> m_byReference;
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
    template <typename Visit> void forEachChild(QByteArrayView bytes, Visit &&visit);

    Partitions m_partitions;
};
