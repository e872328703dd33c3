#include "image/UdfImage.h"

#include "image/ImageBytes.h"
#include "image/ImageError.h"
#include "image/ImageSectors.h"
#include "image/UdfStructures.h"

#include <QList>
#include <QMap>

#include <array>
#include <optional>

namespace {

constexpr quint64 MaxRecognitionSectors = 64;
constexpr quint64 AnchorSector = 256;
// Longer sequences, or more pointers from one to the next, only come from damage.
constexpr quint64 MaxSequenceSectors = 256;
constexpr int MaxSequencePointers = 8;
constexpr qsizetype MaxPartitionMaps = 16;
constexpr quint64 MaxDirectoryBytes = 64 * 1024 * 1024;
constexpr quint8 HiddenFlag = 0x01;
constexpr quint8 DirectoryFlag = 0x02;
constexpr quint8 DeletedFlag = 0x04;
constexpr quint8 ParentFlag = 0x08;
constexpr qsizetype FileIdentifierHeader = 38;
// The smallest file identifier: its header, padded to four bytes.
constexpr qsizetype MinFileIdentifierBytes = 40;

// The parts of a file identifier that a listing needs.
struct Identifier
{
    QByteArrayView name;
    quint16 partition;
    quint32 block;
    bool isDirectory;
};

// Calls visit with each file identifier of a directory's bytes that a mount shows, in recorded
// order: hidden and deleted ones and the parent's are left out.
template <typename Visit> void forEachIdentifier(QByteArrayView bytes, Visit &&visit)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const QByteArrayView identifier = bytes.sliced(at);
        if (identifier.size() < FileIdentifierHeader || le16(identifier, 0) != Udf::FileIdentifier)
            throw ImageError(ImageFault::BadRecord);
        const quint8 characteristics = quint8(identifier[18]);
        const qsizetype nameLength = quint8(identifier[19]);
        const qsizetype useLength = le16(identifier, 36);
        if (FileIdentifierHeader + useLength + nameLength > identifier.size())
            throw ImageError(ImageFault::BadRecord);
        at += (FileIdentifierHeader + useLength + nameLength + 3) & ~qsizetype(3);
        if (characteristics & (HiddenFlag | DeletedFlag | ParentFlag) || nameLength == 0)
            continue;
        visit(Identifier{identifier.sliced(FileIdentifierHeader + useLength, nameLength),
                         le16(identifier, 28), le32(identifier, 24),
                         (characteristics & DirectoryFlag) != 0});
    }
}

// Room for a file identifier's name of 8-bit characters as UTF-8: at most 254 characters of at
// most two bytes each.
using NameBuffer = std::array<char, 2 * 255>;

// A file identifier's name as UTF-8, checked as it is converted. Names of 8-bit characters, nearly
// all of them, are converted into `buffer` without a detour; others go through `wide`.
QByteArrayView decodeIdentifierName(QByteArrayView raw, NameBuffer &buffer, QByteArray &wide)
{
    QByteArrayView name;
    bool slashOrNul = false;
    if (raw.size() > 1 && raw[0] == 8) {
        char *to = buffer.data();
        for (const char byte : raw.sliced(1)) {
            const auto code = quint8(byte);
            if (code < 0x80) {
                slashOrNul = slashOrNul || byte == '/' || byte == '\0';
                *to++ = byte;
            } else {
                *to++ = char(0xc0 | code >> 6);
                *to++ = char(0x80 | (code & 0x3f));
            }
        }
        name = QByteArrayView(buffer.data(), to - buffer.data());
    } else {
        wide = Udf::decodeName(raw).toUtf8();
        name = wide;
        slashOrNul = name.contains('/') || name.contains('\0');
    }
    if (slashOrNul)
        throw ImageError(ImageFault::SlashOrNul);
    if (name.isEmpty() || name == "." || name == "..")
        throw ImageError(ImageFault::BadName);
    return name;
}

// A file's entry is read only when the file is looked at: a walk needs its name alone, and reading
// the entries of all files would make it several times slower. Where the entry lies is checked now
// all the same, so that a damaged identifier fails the listing.
ImageNode childNode(const ImageSectors &sectors, const Udf::Partitions &partitions,
                    const Identifier &identifier)
{
    ImageNode child;
    if (identifier.isDirectory) {
        child =
            Udf::readDirectoryEntry(sectors, partitions, identifier.partition, identifier.block);
    } else {
        Udf::checkBlock(partitions, identifier.partition, identifier.block);
        child.entry.detailed = false;
    }
    child.location = quint64(identifier.partition) << 32 | identifier.block;
    return child;
}

std::optional<QByteArray> anchor(const ImageSectors &sectors)
{
    const quint64 count = sectors.count();
    for (const quint64 sector : {AnchorSector, count - 1, count - 1 - AnchorSector}) {
        if (sector >= count)
            continue;
        QByteArray bytes = sectors.read(sector, 1);
        if (Udf::hasTag(bytes, Udf::Anchor, quint32(sector)))
            return bytes;
    }
    return std::nullopt;
}

// The descriptors of one volume descriptor sequence that the reader needs; of several with the
// same role the one with the highest sequence number prevails.
struct Descriptors
{
    QByteArray primary;
    QByteArray logical;
    QMap<quint16, QByteArray> partitions;
};

void keepPrevailing(QByteArray &kept, const QByteArray &candidate)
{
    if (kept.isEmpty() || le32(candidate, 16) >= le32(kept, 16))
        kept = candidate;
}

void readSequence(const ImageSectors &sectors, quint64 sector, quint64 length, Descriptors &found)
{
    int pointers = 0;
    quint64 end = sector + std::min(length / ImageSectors::SectorSize, MaxSequenceSectors);
    for (; sector < end && sector < sectors.count(); ++sector) {
        const QByteArray descriptor = sectors.read(sector, 1);
        const quint16 tag = le16(descriptor, 0);
        if (!Udf::hasTag(descriptor, tag, quint32(sector)) || tag == Udf::Terminating)
            return;
        if (tag == Udf::PrimaryVolume)
            keepPrevailing(found.primary, descriptor);
        else if (tag == Udf::LogicalVolume)
            keepPrevailing(found.logical, descriptor);
        else if (tag == Udf::Partition)
            keepPrevailing(found.partitions[le16(descriptor, 22)], descriptor);
        else if (tag == Udf::VolumePointer) {
            if (++pointers > MaxSequencePointers)
                throw ImageError(ImageFault::BadDescriptor);
            sector = quint64(le32(descriptor, 24)) - 1;
            end = sector + 1 +
                  std::min(le32(descriptor, 20) / ImageSectors::SectorSize, MaxSequenceSectors);
        }
    }
}

UdfImage::Partition physicalPartition(const Descriptors &found, quint16 number)
{
    const auto descriptor = found.partitions.constFind(number);
    if (descriptor == found.partitions.cend())
        throw ImageError(ImageFault::BadDescriptor);
    UdfImage::Partition partition;
    partition.start = le32(*descriptor, 188);
    partition.length = le32(*descriptor, 192);
    return partition;
}

// The metadata file, or its mirror when the file itself cannot be read, holds the partition.
UdfImage::Partition metadataPartition(const ImageSectors &sectors, const Descriptors &found,
                                      QByteArrayView map, quint16 reference)
{
    Udf::Partitions physical;
    physical.insert(reference, physicalPartition(found, le16(map, 38)));
    for (const qsizetype at : {40, 44}) {
        try {
            const ImageNode file = Udf::readFileEntry(sectors, physical, reference, le32(map, at));
            UdfImage::Partition partition;
            partition.isMetadata = true;
            partition.runs = file.content.runs;
            for (const ImageContent::Run &run : partition.runs) {
                if (run.zeros)
                    throw ImageError(ImageFault::BadDescriptor);
                partition.length += run.length / ImageSectors::SectorSize;
            }
            return partition;
        } catch (const ImageError &) {
            if (at == 44)
                throw;
        }
    }
    Q_UNREACHABLE();
    return {};
}

Udf::Partitions partitionsOf(const ImageSectors &sectors, const Descriptors &found)
{
    const QByteArrayView logical = found.logical;
    const quint32 tableLength = le32(logical, 264);
    const quint32 mapCount = le32(logical, 268);
    if (tableLength > quint32(logical.size() - 440) || mapCount > MaxPartitionMaps)
        throw ImageError(ImageFault::BadDescriptor);
    const QByteArrayView table = logical.sliced(440, tableLength);
    // Metadata maps name a physical partition, so they are read once all type 1 maps are known.
    Udf::Partitions partitions;
    QList<std::pair<quint16, QByteArrayView>> metadataMaps;
    qsizetype at = 0;
    for (quint16 reference = 0; reference < mapCount; ++reference) {
        if (table.size() - at < 2 || quint8(table[at + 1]) < 2 ||
            quint8(table[at + 1]) > table.size() - at)
            throw ImageError(ImageFault::BadDescriptor);
        const QByteArrayView map = table.sliced(at, quint8(table[at + 1]));
        at += map.size();
        if (map[0] == 1 && map.size() == 6)
            partitions.insert(reference, physicalPartition(found, le16(map, 4)));
        else if (map[0] == 2 && map.size() == 64 && map.sliced(5, 23) == "*UDF Metadata Partition")
            metadataMaps.append({reference, map});
        else
            throw ImageError(ImageFault::Unsupported);
    }
    for (const auto &[reference, map] : metadataMaps)
        partitions.insert(reference, metadataPartition(sectors, found, map, reference));
    return partitions;
}

} // namespace

struct UdfImage::Volume
{
    QString label;
    Node root;
    Udf::Partitions partitions;
};

void UdfImage::Partitions::insert(quint16 reference, Partition partition)
{
    if (reference >= m_byReference.size())
        m_byReference.resize(reference + 1U);
    m_byReference[reference] = std::move(partition);
}

bool UdfImage::isPresent(const ImageSectors &sectors)
{
    bool extendedArea = false;
    bool nsr = false;
    for (quint64 sector = ImageSectors::FirstDescriptorSector;
         sector < ImageSectors::FirstDescriptorSector + MaxRecognitionSectors &&
         sector < sectors.count();
         ++sector) {
        const QByteArray identifier = sectors.read(sector, 1).sliced(1, 5);
        if (identifier == "BEA01")
            extendedArea = true;
        else if (identifier == "NSR02" || identifier == "NSR03")
            nsr = nsr || extendedArea;
        else if (identifier != "CD001" && identifier != "BOOT2" && identifier != "CDW02")
            break;
    }
    return nsr && anchor(sectors).has_value();
}

UdfImage::UdfImage(std::shared_ptr<const ImageSectors> sectors)
    : UdfImage(sectors, readVolume(*sectors))
{}

UdfImage::UdfImage(std::shared_ptr<const ImageSectors> sectors, Volume volume)
    : DiscImage(std::move(sectors), std::move(volume.label), std::move(volume.root)),
      m_partitions(std::move(volume.partitions))
{}

UdfImage::Volume UdfImage::readVolume(const ImageSectors &sectors)
{
    const std::optional<QByteArray> anchorBytes = anchor(sectors);
    if (!anchorBytes)
        throw ImageError(ImageFault::BadDescriptor);
    Descriptors found;
    readSequence(sectors, le32(*anchorBytes, 20), le32(*anchorBytes, 16), found);
    if (found.logical.isEmpty() || found.partitions.isEmpty())
        readSequence(sectors, le32(*anchorBytes, 28), le32(*anchorBytes, 24), found);
    if (found.logical.isEmpty() || found.partitions.isEmpty())
        throw ImageError(ImageFault::BadDescriptor);
    if (le32(found.logical, 212) != ImageSectors::SectorSize)
        throw ImageError(ImageFault::Unsupported);

    Volume volume;
    volume.partitions = partitionsOf(sectors, found);
    // Files' entries are read only when a file is looked at, so a file whose bytes the image
    // lacks would go unnoticed: an image shorter than its partitions is refused here instead.
    for (const std::optional<Partition> &partition : volume.partitions.all()) {
        if (partition && !partition->isMetadata)
            sectors.checkRange(partition->start, partition->length);
    }
    // blkid labels a UDF volume with its logical volume identifier.
    volume.label = Udf::decodeField(QByteArrayView(found.logical).sliced(84, 128));
    if (volume.label.isEmpty() && !found.primary.isEmpty())
        volume.label = Udf::decodeField(QByteArrayView(found.primary).sliced(24, 32));

    const quint32 fileSetBlock = le32(found.logical, 252);
    const quint16 fileSetPartition = le16(found.logical, 256);
    const QByteArray fileSet =
        sectors.read(Udf::absoluteSector(volume.partitions, fileSetPartition, fileSetBlock), 1);
    if (!Udf::hasTag(fileSet, Udf::FileSet, fileSetBlock))
        throw ImageError(ImageFault::BadDescriptor);
    const quint32 rootBlock = le32(fileSet, 404);
    const quint16 rootPartition = le16(fileSet, 408);
    volume.root = Udf::readDirectoryEntry(sectors, volume.partitions, rootPartition, rootBlock);
    if (!volume.root.entry.isDirectory())
        throw ImageError(ImageFault::BadDescriptor);
    volume.root.location = quint64(rootPartition) << 32 | rootBlock;
    return volume;
}

// Each child's name comes in buffers reused from child to child.
template <typename Visit> void UdfImage::forEachChild(QByteArrayView bytes, Visit &&visit)
{
    NameBuffer buffer;
    QByteArray wide;
    forEachIdentifier(bytes, [&](const Identifier &identifier) {
        visit(decodeIdentifierName(identifier.name, buffer, wide), identifier);
    });
}

QList<DiscImage::Node> UdfImage::childNodes(const Node &directory)
{
    QList<Node> children;
    forEachChild(directoryBytes(directory), [&](QByteArrayView name, const Identifier &identifier) {
        Node child = childNode(sectors(), m_partitions, identifier);
        child.entry.name = name.toByteArray();
        children.append(std::move(child));
    });
    return children;
}

// A file needs no node here: its name and where its entry lies are all that is checked.
void UdfImage::listNames(const Node &directory, ImageListing &names, QList<Node> &subdirectories)
{
    const QByteArray bytes = directoryBytes(directory);
    names.reserve(bytes.size() / MinFileIdentifierBytes, bytes.size() / 4);
    forEachChild(bytes, [&](QByteArrayView name, const Identifier &identifier) {
        if (!identifier.isDirectory) {
            Udf::checkBlock(m_partitions, identifier.partition, identifier.block);
            names.append(name, ImageEntry::Kind::File, false);
            return;
        }
        Node child = childNode(sectors(), m_partitions, identifier);
        names.append(name, child.entry.kind, child.entry.detailed);
        if (child.entry.isDirectory()) {
            child.entry.name = name.toByteArray();
            subdirectories.append(std::move(child));
        }
    });
}

QByteArray UdfImage::directoryBytes(const Node &directory) const
{
    if (directory.content.size > MaxDirectoryBytes)
        throw ImageError(ImageFault::TooLarge);
    return readContent(directory.content);
}

void UdfImage::readDetails(Node &node)
{
    Node detailed = Udf::readFileEntry(sectors(), m_partitions, quint16(node.location >> 32),
                                       quint32(node.location));
    // Its identifier called it no directory, so the walk did not enter it and cannot now.
    if (detailed.entry.isDirectory())
        throw ImageError(ImageFault::BadRecord);
    detailed.entry.name = std::move(node.entry.name);
    detailed.location = node.location;
    node = std::move(detailed);
}
