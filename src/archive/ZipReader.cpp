#include "archive/ZipReader.h"

#include "platform/VolumeFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// After a jump over member data only the next header is wanted, not a whole buffer of data that
// will be jumped over again.
constexpr qsizetype JumpReadLength = 4096;

} // namespace

// O_NONBLOCK: should a FIFO take the file's place after the caller looked, the open must not block.
ZipReader::ZipReader(const QByteArray &nativePath)
{
    if (isImagePath(nativePath)) {
        m_device = openImageFile(nativePath);
        m_fileSize = m_device ? quint64(m_device->size()) : 0;
        return;
    }
    m_fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat status;
    if (m_fd >= 0 && ::fstat(m_fd, &status) == 0 && S_ISREG(status.st_mode)) {
        m_fileSize = quint64(status.st_size);
        return;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

ZipReader::~ZipReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<QByteArrayView> ZipReader::peek(qsizetype n)
{
    if (!fill(n))
        return std::nullopt;
    return QByteArrayView(m_buffer.get() + (m_position - m_bufferStart), n);
}

std::optional<QByteArrayView> ZipReader::read(qsizetype n)
{
    const std::optional<QByteArrayView> bytes = peek(n);
    if (bytes)
        m_position += quint64(n);
    return bytes;
}

bool ZipReader::seek(quint64 position)
{
    m_position = position;
    return fill(1);
}

bool ZipReader::fill(qsizetype n)
{
    Q_ASSERT(n <= Capacity);
    if (!isOpen() || quint64(n) > m_fileSize || m_position > m_fileSize - quint64(n))
        return false;
    const quint64 bufferEnd = m_bufferStart + quint64(m_buffered);
    if (m_position >= m_bufferStart && m_position + quint64(n) <= bufferEnd)
        return true;

    const bool readingOn = m_position >= m_bufferStart && m_position <= bufferEnd;
    const quint64 wanted = std::min(m_fileSize - m_position,
                                    quint64(std::max(n, readingOn ? Capacity : JumpReadLength)));
    // Never more than the file holds, so listing a small archive stays a small allocation.
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<char[]>(std::min(quint64(Capacity), m_fileSize));
    m_bufferStart = m_position;
    m_buffered = 0;
    if (m_device) {
        if (m_device->seek(qint64(m_position)))
            m_buffered = qsizetype(qMax(qint64(0), m_device->read(m_buffer.get(), qint64(wanted))));
        return m_buffered >= n;
    }
    while (quint64(m_buffered) < wanted) {
        const ssize_t got =
            ::pread(m_fd, m_buffer.get() + m_buffered, size_t(wanted - quint64(m_buffered)),
                    off_t(m_position + quint64(m_buffered)));
        if (got > 0)
            m_buffered += got;
        else if (got == 0 || errno != EINTR)
            break;
    }
    return m_buffered >= n;
}
