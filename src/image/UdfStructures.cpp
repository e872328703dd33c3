#include "image/UdfStructures.h"

#include "image/ImageBytes.h"
#include "image/ImageError.h"
#include "image/ImageSectors.h"

#include <QStringDecoder>

#include <array>

namespace Udf {

namespace {

constexpr quint8 DirectoryType = 4;
constexpr quint8 SymlinkType = 12;
constexpr quint32 ExtentLengthMask = 0x3fffffff;
enum ExtentType : quint32
{
    Recorded = 0,
    NextDescriptors = 3,
};
// Continuations of one allocation descriptor list; more only come from a damaged or looping list.
constexpr int MaxContinuations = 4096;
constexpr qsizetype BlockSize = qsizetype(ImageSectors::SectorSize);

using CrcTables = std::array<std::array<quint16, 256>, 8>;

// Table k gives the CRC of a byte followed by k zero bytes, so that eight bytes are taken at once.
constexpr CrcTables crcTables()
{
    CrcTables tables{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        quint16 crc = quint16(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = quint16(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
        tables[0][byte] = crc;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            const quint16 before = tables[k - 1][byte];
            tables[k][byte] = quint16(before << 8) ^ tables[0][before >> 8];
        }
    }
    return tables;
}

// CRC-ITU-T, as the descriptor tags carry it. Every directory's entry is checked on a walk.
quint16 crcOf(QByteArrayView bytes)
{
    static constexpr CrcTables Tables = crcTables();
    const auto *data = reinterpret_cast<const quint8 *>(bytes.data());
    qsizetype left = bytes.size();
    quint16 crc = 0;
    for (; left >= 8; left -= 8, data += 8) {
        crc = Tables[7][data[0] ^ (crc >> 8)] ^ Tables[6][data[1] ^ (crc & 0xff)] ^
              Tables[5][data[2]] ^ Tables[4][data[3]] ^ Tables[3][data[4]] ^ Tables[2][data[5]] ^
              Tables[1][data[6]] ^ Tables[0][data[7]];
    }
    for (; left > 0; --left, ++data)
        crc = quint16((crc << 8) ^ Tables[0][((crc >> 8) ^ *data) & 0xff]);
    return crc;
}

// An ECMA-167 time: type and zone, year, month, day, hour, minute, second.
QDateTime timeAt(QByteArrayView bytes, qsizetype at)
{
    const quint16 typeAndZone = le16(bytes, at);
    int zone = typeAndZone & 0x0fff;
    if (zone & 0x0800)
        zone -= 0x1000;
    const bool local = typeAndZone >> 12 == 1 && zone >= -1440 && zone <= 1440;
    return utcTime(qint16(le16(bytes, at + 2)), quint8(bytes[at + 4]), quint8(bytes[at + 5]),
                   quint8(bytes[at + 6]), quint8(bytes[at + 7]), quint8(bytes[at + 8]),
                   local ? zone : 0);
}

// The partition that holds `blocks` logical blocks from `block` on; throws ImageError when there is
// no such partition or the blocks overrun it.
const UdfImage::Partition *checkedPartition(const Partitions &partitions, quint16 reference,
                                            quint32 block, quint64 blocks)
{
    const UdfImage::Partition *partition = partitions.find(reference);
    if (!partition)
        throw ImageError(ImageFault::BadDescriptor);
    if (block > partition->length || blocks > partition->length - block)
        throw ImageError(ImageFault::PastEnd);
    return partition;
}

// The runs of length bytes from a logical block on; a metadata partition may split them.
QList<ImageContent::Run> runsOf(const Partitions &partitions, quint16 reference, quint32 block,
                                quint64 length)
{
    const UdfImage::Partition *partition =
        checkedPartition(partitions, reference, block, (length + BlockSize - 1) / BlockSize);
    if (!partition->isMetadata)
        return {{partition->start + block, length, false}};

    QList<ImageContent::Run> runs;
    quint64 offset = quint64(block) * BlockSize;
    quint64 runStart = 0;
    for (const ImageContent::Run &run : partition->runs) {
        if (length == 0)
            break;
        if (offset < runStart + run.length) {
            const quint64 inRun = offset - runStart;
            const quint64 piece = std::min(length, run.length - inRun);
            runs.append({run.firstSector + inRun / BlockSize, piece, false});
            offset += piece;
            length -= piece;
        }
        runStart += run.length;
    }
    return runs;
}

// Reads the allocation descriptors of a file, following continuation extents.
QList<ImageContent::Run> allocatedRuns(const ImageSectors &sectors, const Partitions &partitions,
                                       quint16 reference, QByteArrayView descriptors, bool isLong)
{
    const qsizetype width = isLong ? 16 : 8;
    QList<ImageContent::Run> runs;
    QByteArray continuation;
    for (int continuations = 0;; ++continuations) {
        bool continued = false;
        for (qsizetype at = 0; at + width <= descriptors.size() && !continued; at += width) {
            const quint32 field = le32(descriptors, at);
            const quint32 length = field & ExtentLengthMask;
            const quint32 type = field >> 30;
            const quint32 block = le32(descriptors, at + 4);
            const quint16 partition = isLong ? le16(descriptors, at + 8) : reference;
            if (length == 0)
                return runs;
            if (type == Recorded) {
                const QList<ImageContent::Run> mapped =
                    runsOf(partitions, partition, block, length);
                for (const ImageContent::Run &run : mapped)
                    sectors.checkRange(run.firstSector, (run.length + BlockSize - 1) / BlockSize);
                runs += mapped;
            } else if (type == NextDescriptors) {
                if (continuations == MaxContinuations)
                    throw ImageError(ImageFault::BadDescriptor);
                continuation = sectors.read(absoluteSector(partitions, partition, block), 1);
                const quint32 used = hasTag(continuation, AllocationExtent, block)
                                         ? le32(continuation, 20)
                                         : quint32(BlockSize);
                if (used > BlockSize - 24)
                    throw ImageError(ImageFault::BadDescriptor);
                descriptors = QByteArrayView(continuation).sliced(24, used);
                reference = partition;
                continued = true;
            } else {
                runs.append({0, length, true});
            }
        }
        if (!continued)
            return runs;
    }
}

} // namespace

bool hasTag(QByteArrayView bytes, quint16 identifier, quint32 location)
{
    if (bytes.size() < 16 || le16(bytes, 0) != identifier || le32(bytes, 12) != location)
        return false;
    quint8 sum = 0;
    for (qsizetype i = 0; i < 16; ++i) {
        if (i != 4)
            sum = quint8(sum + quint8(bytes[i]));
    }
    if (sum != quint8(bytes[4]))
        return false;
    // Linux skips the CRC when it claims more bytes than the block holds.
    const qsizetype covered = le16(bytes, 10);
    return 16 + covered > bytes.size() || crcOf(bytes.sliced(16, covered)) == le16(bytes, 8);
}

QString decodeName(QByteArrayView raw)
{
    if (raw.isEmpty())
        return {};
    const QByteArrayView text = raw.sliced(1);
    if (raw[0] == 8)
        return QString::fromLatin1(text);
    if (raw[0] != 16 || text.size() % 2 != 0)
        throw ImageError(ImageFault::BadName);
    QStringDecoder decoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
    QString name = decoder(text);
    if (decoder.hasError())
        throw ImageError(ImageFault::BadName);
    return name;
}

QString decodeField(QByteArrayView field)
{
    const qsizetype used = quint8(field.back());
    if (used >= field.size())
        return {};
    try {
        return decodeName(field.first(used));
    } catch (const ImageError &) {
        return {};
    }
}

quint64 absoluteSector(const Partitions &partitions, quint16 reference, quint32 block)
{
    const QList<ImageContent::Run> runs = runsOf(partitions, reference, block, BlockSize);
    if (runs.isEmpty())
        throw ImageError(ImageFault::PastEnd);
    return runs.constFirst().firstSector;
}

void checkBlock(const Partitions &partitions, quint16 reference, quint32 block)
{
    checkedPartition(partitions, reference, block, 1);
}

namespace {

ImageNode parseFileEntry(const ImageSectors &sectors, const Partitions &partitions,
                         quint16 reference, quint32 block, QByteArrayView entry)
{
    const bool extended = hasTag(entry, ExtendedFileEntry, block);
    if (!extended && !hasTag(entry, FileEntry, block))
        throw ImageError(ImageFault::BadDescriptor);
    const qsizetype base = extended ? 216 : 176;
    const quint64 extendedAttributes = le32(entry, base - 8);
    const quint64 descriptorsLength = le32(entry, base - 4);
    if (extendedAttributes + descriptorsLength > quint64(BlockSize - base))
        throw ImageError(ImageFault::BadDescriptor);
    const QByteArrayView descriptors =
        entry.sliced(base + qsizetype(extendedAttributes), qsizetype(descriptorsLength));

    ImageNode node;
    const quint8 fileType = quint8(entry[27]);
    node.entry.kind = fileType == DirectoryType ? ImageEntry::Kind::Directory
                      : fileType == SymlinkType ? ImageEntry::Kind::Symlink
                                                : ImageEntry::Kind::File;
    node.entry.modified = timeAt(entry, extended ? 92 : 84);
    node.content.size = le64(entry, 56);
    node.entry.size = node.content.size;
    switch (le16(entry, 34) & 7) {
    case 0:
        node.content.runs = allocatedRuns(sectors, partitions, reference, descriptors, false);
        break;
    case 1:
        node.content.runs = allocatedRuns(sectors, partitions, reference, descriptors, true);
        break;
    case 3:
        if (node.content.size > quint64(descriptors.size()))
            throw ImageError(ImageFault::BadDescriptor);
        node.content.embedded = descriptors.first(qsizetype(node.content.size)).toByteArray();
        break;
    default:
        throw ImageError(ImageFault::Unsupported);
    }
    return node;
}

} // namespace

ImageNode readFileEntry(const ImageSectors &sectors, const Partitions &partitions,
                        quint16 reference, quint32 block)
{
    const QByteArray sector = sectors.read(absoluteSector(partitions, reference, block), 1);
    return parseFileEntry(sectors, partitions, reference, block, sector);
}

ImageNode readDirectoryEntry(const ImageSectors &sectors, const Partitions &partitions,
                             quint16 reference, quint32 block)
{
    // On the stack: a walk reads every directory's entry, and a buffer apiece from the heap would
    // cost more than the read.
    std::array<char, 2 * BlockSize> bytes;
    const quint64 first = absoluteSector(partitions, reference, block);
    const quint64 count = first + 1 < sectors.count() ? 2 : 1;
    sectors.readBytes(first, 0, bytes.data(), count * BlockSize);
    ImageNode node = parseFileEntry(sectors, partitions, reference, block,
                                    QByteArrayView(bytes.data(), BlockSize));
    const QList<ImageContent::Run> &runs = node.content.runs;
    if (count == 2 && node.entry.isDirectory() && runs.size() == 1 && !runs[0].zeros &&
        runs[0].firstSector == first + 1 && node.content.size <= quint64(BlockSize)) {
        node.content.embedded = QByteArray(bytes.data() + BlockSize, qsizetype(node.content.size));
        node.content.runs.clear();
    }
    return node;
}

} // namespace Udf
