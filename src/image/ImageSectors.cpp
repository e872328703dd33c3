#include "image/ImageSectors.h"

#include "image/ImageError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr quint64 RawSectorSize = 2352;
// Sync pattern, then three address bytes and the mode byte.
constexpr std::array<unsigned char, 12> Sync = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff,
                                                0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
constexpr quint64 Mode1DataOffset = 16;
// MODE2 form 1 adds an eight-byte subheader.
constexpr quint64 Mode2DataOffset = 24;

// Standard identifiers of the volume descriptors an ISO 9660 or UDF volume starts with.
bool isVolumeIdentifier(const char *identifier)
{
    static constexpr std::array<const char *, 7> Known = {"CD001", "BEA01", "NSR02", "NSR03",
                                                          "TEA01", "BOOT2", "CDW02"};
    return std::any_of(Known.begin(), Known.end(), [identifier](const char *known) {
        return std::memcmp(identifier, known, 5) == 0;
    });
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

// O_NONBLOCK: should a FIFO take the file's place, the open must not block.
ImageSectors::ImageSectors(const QByteArray &nativePath)
    : m_fd(::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK))
{
    struct stat status;
    if (m_fd < 0 || ::fstat(m_fd, &status) != 0) {
        const int error = errno;
        if (m_fd >= 0)
            ::close(m_fd);
        throw ImageError(ImageFault::Unreadable, systemReason(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(m_fd);
        throw ImageError(ImageFault::Unreadable, systemReason(EINVAL));
    }
    m_fileSize = quint64(status.st_size);

    if (holdsVolumeDescriptor(SectorSize, 0)) {
        m_count = m_fileSize / SectorSize;
        return;
    }
    for (const quint64 dataOffset : {Mode1DataOffset, Mode2DataOffset}) {
        if (m_fileSize % RawSectorSize == 0 && holdsVolumeDescriptor(RawSectorSize, dataOffset)) {
            m_rawDataOffset = dataOffset;
            m_count = m_fileSize / RawSectorSize;
            return;
        }
    }
    ::close(m_fd);
    throw ImageError(ImageFault::NotAnImage);
}

ImageSectors::~ImageSectors()
{
    ::close(m_fd);
}

// A raw sector must also carry the sync pattern and the mode its data offset implies, so that a
// plain image whose bytes happen to match at the raw position is not taken for a raw one.
bool ImageSectors::holdsVolumeDescriptor(quint64 stride, quint64 dataOffset) const
{
    const quint64 start = FirstDescriptorSector * stride;
    std::array<char, Mode2DataOffset + 6> head{};
    if (start + head.size() > m_fileSize)
        return false;
    const ssize_t got = ::pread(m_fd, head.data(), head.size(), off_t(start));
    if (got != ssize_t(head.size()))
        return false;
    if (dataOffset != 0) {
        const char mode = dataOffset == Mode1DataOffset ? 1 : 2;
        if (std::memcmp(head.data(), Sync.data(), Sync.size()) != 0 || head[15] != mode)
            return false;
    }
    return isVolumeIdentifier(head.data() + dataOffset + 1);
}

void ImageSectors::checkRange(quint64 first, quint64 sectors) const
{
    if (first > m_count || sectors > m_count - first)
        throw ImageError(ImageFault::PastEnd);
}

QByteArray ImageSectors::read(quint64 first, quint64 sectors) const
{
    checkRange(first, sectors);
    QByteArray bytes(qsizetype(sectors * SectorSize), Qt::Uninitialized);
    readBytes(first, 0, bytes.data(), quint64(bytes.size()));
    return bytes;
}

void ImageSectors::readBytes(quint64 first, quint64 offset, char *to, quint64 length) const
{
    first += offset / SectorSize;
    offset %= SectorSize;
    checkRange(first, (offset + length + SectorSize - 1) / SectorSize);
    if (!isRaw()) {
        readRaw(first * SectorSize + offset, to, length);
        return;
    }
    while (length > 0) {
        const quint64 piece = std::min(length, SectorSize - offset);
        readRaw(first * RawSectorSize + m_rawDataOffset + offset, to, piece);
        to += piece;
        length -= piece;
        offset = 0;
        ++first;
    }
}

void ImageSectors::readRaw(quint64 position, char *to, quint64 length) const
{
    while (length > 0) {
        const ssize_t got = ::pread(m_fd, to, size_t(length), off_t(position));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw ImageError(ImageFault::Unreadable, systemReason(errno));
        // The file shrank since it was opened.
        if (got == 0)
            throw ImageError(ImageFault::PastEnd);
        to += got;
        position += quint64(got);
        length -= quint64(got);
    }
}
