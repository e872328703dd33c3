#include "archive/ZipLst32.h"

#include "archive/MemberLine.h"
#include "archive/ZipReader.h"
#include "base/AppError.h"
#include "base/PlainNotice.h"
#include "platform/TextCodec.h"
#include "platform/VolumeFiles.h"

#include <QtEndian>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <initializer_list>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 LocalHeaderSignature = 0x04034b50;
constexpr quint32 CentralHeaderSignature = 0x02014b50;
constexpr quint32 EndRecordSignature = 0x06054b50;
constexpr quint32 Zip64EndRecordSignature = 0x06064b50;
constexpr quint32 Zip64LocatorSignature = 0x07064b50;
constexpr quint32 DescriptorSignature = 0x08074b50;

// Lengths of the fixed parts; the local header's without its signature.
constexpr qsizetype LocalHeaderRest = 26;
constexpr qsizetype CentralHeaderLength = 46;
constexpr qsizetype EndRecordLength = 22;
constexpr qsizetype Zip64LocatorLength = 20;
constexpr qsizetype Zip64EndRecordLength = 56;
constexpr qsizetype MaxCommentLength = 0xFFFF;

constexpr quint16 DescriptorFlag = 1 << 3;
constexpr quint16 Utf8NameFlag = 1 << 11;
constexpr quint16 Zip64ExtraId = 0x0001;
// A 32-bit field with this value says "the real value is in the ZIP64 extra field".
constexpr quint64 Escaped = 0xFFFFFFFF;

template <typename T> T le(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<T>(bytes.data() + at);
}

struct Sizes
{
    quint64 compressed = 0;
    quint64 uncompressed = 0;

    bool escaped() const { return compressed == Escaped || uncompressed == Escaped; }
};

// Whether the terms add up to at most limit; the sum is never formed, so it cannot overflow.
bool fitsWithin(quint64 limit, std::initializer_list<quint64> terms)
{
    for (const quint64 term : terms) {
        if (term > limit)
            return false;
        limit -= term;
    }
    return true;
}

std::optional<QByteArrayView> zip64Block(QByteArrayView extra)
{
    while (extra.size() >= 4) {
        const qsizetype length = le<quint16>(extra, 2);
        if (length > extra.size() - 4)
            return std::nullopt;
        if (le<quint16>(extra, 0) == Zip64ExtraId)
            return extra.sliced(4, length);
        extra = extra.sliced(4 + length);
    }
    return std::nullopt;
}

// The block holds 64-bit values for the escaped fields only, in the order given.
void unescape(QByteArrayView block, std::initializer_list<quint64 *> fields)
{
    qsizetype at = 0;
    for (quint64 *field : fields) {
        if (*field != Escaped)
            continue;
        if (at + 8 > block.size())
            return;
        *field = le<quint64>(block, at);
        at += 8;
    }
}

// A local header's block must hold both sizes, even when only one of them is escaped.
void unescapeLocal(QByteArrayView block, Sizes &sizes)
{
    if (block.size() < 16) {
        unescape(block, {&sizes.uncompressed, &sizes.compressed});
        return;
    }
    if (sizes.uncompressed == Escaped)
        sizes.uncompressed = le<quint64>(block, 0);
    if (sizes.compressed == Escaped)
        sizes.compressed = le<quint64>(block, 8);
}

// Where the central directory lies in the file, and how far its recorded offsets are shifted
// (by a stub put in front of the archive, for example).
struct DirectoryExtent
{
    quint64 start = 0;
    quint64 end = 0;
    quint64 shift = 0;
};

std::optional<DirectoryExtent> extentEndingAt(quint64 end, quint64 size, quint64 recordedStart)
{
    if (size > end || recordedStart > end - size)
        return std::nullopt;
    return DirectoryExtent{end - size, end, end - size - recordedStart};
}

std::optional<DirectoryExtent> zip64Extent(ZipReader &reader, quint64 locatorOffset)
{
    if (!reader.seek(locatorOffset))
        return std::nullopt;
    const std::optional<QByteArrayView> locator = reader.peek(Zip64LocatorLength);
    if (!locator || le<quint32>(*locator, 0) != Zip64LocatorSignature)
        return std::nullopt;
    // The locator's offset is wrong by the length of a stub in front of the archive; the record
    // usually ends where the locator starts.
    for (const quint64 offset : {le<quint64>(*locator, 8), locatorOffset - Zip64EndRecordLength}) {
        if (!reader.seek(offset))
            continue;
        const std::optional<QByteArrayView> record = reader.peek(Zip64EndRecordLength);
        if (record && le<quint32>(*record, 0) == Zip64EndRecordSignature)
            return extentEndingAt(offset, le<quint64>(*record, 40), le<quint64>(*record, 48));
    }
    return std::nullopt;
}

std::optional<DirectoryExtent> locateDirectory(ZipReader &reader)
{
    const quint64 fileSize = reader.fileSize();
    const qsizetype tailLength =
        qsizetype(std::min(fileSize, quint64(EndRecordLength + MaxCommentLength)));
    const quint64 tailStart = fileSize - quint64(tailLength);
    if (tailLength < EndRecordLength || !reader.seek(tailStart))
        return std::nullopt;
    const std::optional<QByteArrayView> tail = reader.peek(tailLength);
    if (!tail)
        return std::nullopt;
    for (qsizetype at = tailLength - EndRecordLength; at >= 0; --at) {
        if (le<quint32>(*tail, at) != EndRecordSignature ||
            le<quint16>(*tail, at + 20) > tailLength - EndRecordLength - at)
            continue;
        const quint64 end = tailStart + quint64(at);
        const quint64 size = le<quint32>(*tail, at + 12);
        const quint64 recordedStart = le<quint32>(*tail, at + 16);
        if (size != Escaped && recordedStart != Escaped)
            return extentEndingAt(end, size, recordedStart);
        if (end >= Zip64LocatorLength) {
            if (std::optional<DirectoryExtent> extent =
                    zip64Extent(reader, end - Zip64LocatorLength))
                return extent;
        }
        // Streaming writers may escape the offset without writing the ZIP64 records; the
        // directory still ends at the end record.
        return extentEndingAt(end, size, size <= end ? end - size : 0);
    }
    return std::nullopt;
}

// The member sizes the central directory records, by the file offset of each local header.
class CentralDirectory
{
public:
    // Empty when the file has no central directory that can be found and read.
    explicit CentralDirectory(ZipReader &reader);

    std::optional<Sizes> find(quint64 headerOffset) const;

private:
    struct Entry
    {
        quint64 headerOffset;
        Sizes sizes;
    };
    std::vector<Entry> m_entries;
};

CentralDirectory::CentralDirectory(ZipReader &reader)
{
    const std::optional<DirectoryExtent> extent = locateDirectory(reader);
    if (!extent || !reader.seek(extent->start))
        return;
    while (reader.position() + CentralHeaderLength <= extent->end) {
        const std::optional<QByteArrayView> header = reader.read(CentralHeaderLength);
        if (!header || le<quint32>(*header, 0) != CentralHeaderSignature)
            break;
        Sizes sizes{le<quint32>(*header, 20), le<quint32>(*header, 24)};
        quint64 headerOffset = le<quint32>(*header, 42);
        const quint64 extraStart = reader.position() + le<quint16>(*header, 28);
        const quint16 extraLength = le<quint16>(*header, 30);
        const quint64 next = extraStart + extraLength + le<quint16>(*header, 32);
        if (next > extent->end || !reader.seek(extraStart))
            break;
        const std::optional<QByteArrayView> extra = reader.peek(extraLength);
        if (!extra)
            break;
        if (const std::optional<QByteArrayView> block = zip64Block(*extra))
            unescape(*block, {&sizes.uncompressed, &sizes.compressed, &headerOffset});
        if (fitsWithin(reader.fileSize(), {headerOffset, extent->shift}))
            m_entries.push_back({headerOffset + extent->shift, sizes});
        if (!reader.seek(next))
            break;
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry &a, const Entry &b) { return a.headerOffset < b.headerOffset; });
}

std::optional<Sizes> CentralDirectory::find(quint64 headerOffset) const
{
    const auto entry =
        std::lower_bound(m_entries.begin(), m_entries.end(), headerOffset,
                         [](const Entry &e, quint64 offset) { return e.headerOffset < offset; });
    if (entry == m_entries.end() || entry->headerOffset != headerOffset)
        return std::nullopt;
    return entry->sizes;
}

// Bytes up to the first zero byte. Flag bit 11 marks UTF-8; other names are UTF-8 when they are
// valid UTF-8, else CP437, the code page of the DOS-era archivers.
QString memberName(QByteArrayView stored, quint16 flags)
{
    const qsizetype zero = stored.indexOf('\0');
    const QByteArrayView name = zero < 0 ? stored : stored.first(zero);
    if (flags & Utf8NameFlag)
        return QString::fromUtf8(name);
    return decodeText(name, SingleByteFallback::Cp437);
}

bool isWalkSignature(quint32 value)
{
    return value == LocalHeaderSignature || value == CentralHeaderSignature ||
           value == EndRecordSignature;
}

// Walks the local headers from the front of the file in 4-byte steps. The central directory is
// read only for members whose local header lacks the sizes.
class MemberWalk
{
public:
    MemberWalk(ZipReader &reader, QStringList &lines) : m_reader(reader), m_lines(lines) {}

    int run();

private:
    bool listMember(quint64 headerOffset);
    void skipDescriptor();
    const CentralDirectory &directory();

    ZipReader &m_reader;
    QStringList &m_lines;
    std::optional<CentralDirectory> m_directory;
};

int MemberWalk::run()
{
    int count = 0;
    for (;;) {
        const quint64 offset = m_reader.position();
        const std::optional<QByteArrayView> word = m_reader.read(4);
        if (!word)
            break;
        const quint32 signature = le<quint32>(*word, 0);
        if (signature == LocalHeaderSignature) {
            if (!listMember(offset))
                break;
            ++count;
        } else if (signature == CentralHeaderSignature || signature == EndRecordSignature) {
            break;
        }
    }
    return count;
}

// False when the walk ends at this header without a line.
bool MemberWalk::listMember(quint64 headerOffset)
{
    const std::optional<QByteArrayView> header = m_reader.read(LocalHeaderRest);
    if (!header)
        return false;
    const quint16 flags = le<quint16>(*header, 2);
    Sizes sizes{le<quint32>(*header, 14), le<quint32>(*header, 18)};
    const quint16 extraLength = le<quint16>(*header, 24);
    const std::optional<QByteArrayView> storedName = m_reader.read(le<quint16>(*header, 22));
    if (!storedName)
        return false;
    const QString name = memberName(*storedName, flags);
    const quint64 nameEnd = m_reader.position();

    if (sizes.escaped()) {
        const std::optional<QByteArrayView> extra = m_reader.peek(extraLength);
        if (const std::optional<QByteArrayView> block = extra ? zip64Block(*extra) : std::nullopt)
            unescapeLocal(*block, sizes);
    }
    // Streaming writers leave the sizes 0 and write them behind the data, some ZIP64 writers keep
    // them only in the central directory: both are looked up there.
    bool descriptorFollows = false;
    if ((flags & DescriptorFlag) || sizes.escaped()) {
        if (const std::optional<Sizes> recorded = directory().find(headerOffset)) {
            sizes = *recorded;
            descriptorFollows = flags & DescriptorFlag;
        }
    }

    // The member's data and an end record behind it must fit in the file.
    if (!fitsWithin(m_reader.fileSize(), {nameEnd, extraLength, sizes.compressed, EndRecordLength}))
        return false;
    if (extraLength != 0 && !m_reader.seek(nameEnd + extraLength))
        return false;
    if (!m_reader.seek(nameEnd + extraLength + sizes.compressed))
        throw AppError(u"Fehler 5 beim Lesen des Zip-Files"_s);
    m_lines.append(memberLine(name, sizes.uncompressed));
    if (descriptorFollows)
        skipDescriptor();
    return true;
}

// The descriptor holds the CRC and both sizes (4 or 8 bytes each), after an optional signature.
// Passing over it whole keeps a CRC or size that looks like a signature from derailing the walk;
// when no header follows either length, the 4-byte search goes on from the end of the data.
void MemberWalk::skipDescriptor()
{
    const std::optional<QByteArrayView> lead = m_reader.peek(4);
    if (!lead)
        return;
    const qsizetype signatureLength = le<quint32>(*lead, 0) == DescriptorSignature ? 4 : 0;
    for (const qsizetype fieldsLength : {12, 20}) {
        const qsizetype length = signatureLength + fieldsLength;
        const std::optional<QByteArrayView> bytes = m_reader.peek(length + 4);
        if (bytes && isWalkSignature(le<quint32>(*bytes, length))) {
            m_reader.seek(m_reader.position() + quint64(length));
            return;
        }
    }
}

const CentralDirectory &MemberWalk::directory()
{
    if (!m_directory) {
        const quint64 resume = m_reader.position();
        m_directory.emplace(m_reader);
        m_reader.seek(resume);
    }
    return *m_directory;
}

// Only a regular file counts. A path that cannot be examined for another reason than its absence
// is left to the open, which reports it.
bool isMissing(const QByteArray &nativePath)
{
    if (isImagePath(nativePath))
        return volumePathKind(nativePath) != VolumeEntryKind::RegularFile;
    struct stat status;
    if (::stat(nativePath.constData(), &status) == 0)
        return !S_ISREG(status.st_mode);
    return errno == ENOENT || errno == ENOTDIR;
}

} // namespace

int ListZipMembers(const QString &path, const QByteArray &nativePath, QStringList &lines,
                   PlainNotice &notices)
{
    // Opened first: the reader takes only a regular file, so the path is looked at a second time
    // only when it fails, to tell a missing file from one that cannot be opened.
    ZipReader reader(nativePath);
    if (!reader.isOpen()) {
        if (!isMissing(nativePath))
            throw AppError(u"Datei "_s + path + u" kann nicht geöffnet werden"_s);
        notices.plainMessage(u"Datei "_s + path + u" nicht vorhanden"_s);
        return 0;
    }
    return MemberWalk(reader, lines).run();
}
