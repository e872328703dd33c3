#include "image/ImageFileDevice.h"

#include "image/ImageError.h"
#include "image/ImageSectors.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Copies the bytes at offset onwards that one run (or the embedded bytes) holds; returns how many.
quint64 readPiece(const ImageSectors &sectors, const ImageContent &content, quint64 offset,
                  char *to, quint64 length)
{
    if (!content.embedded.isEmpty() || content.runs.isEmpty()) {
        const quint64 held = quint64(content.embedded.size());
        if (offset >= held) {
            std::memset(to, 0, length);
            return length;
        }
        const quint64 piece = std::min(length, held - offset);
        std::memcpy(to, content.embedded.constData() + offset, piece);
        return piece;
    }
    quint64 runStart = 0;
    for (const ImageContent::Run &run : content.runs) {
        if (offset < runStart + run.length) {
            const quint64 inRun = offset - runStart;
            const quint64 piece = std::min(length, run.length - inRun);
            if (run.zeros)
                std::memset(to, 0, piece);
            else
                sectors.readBytes(run.firstSector, inRun, to, piece);
            return piece;
        }
        runStart += run.length;
    }
    std::memset(to, 0, length);
    return length;
}

} // namespace

QByteArray contentFront(const ImageSectors &sectors, const ImageContent &content, qint64 maxBytes)
{
    const quint64 wanted = std::min(quint64(std::max<qint64>(maxBytes, 0)), content.size);
    // Bytes held already are shared, not copied.
    if (content.runs.isEmpty() && quint64(content.embedded.size()) == wanted)
        return content.embedded;
    QByteArray bytes(qsizetype(wanted), Qt::Uninitialized);
    quint64 done = 0;
    while (done < wanted)
        done += readPiece(sectors, content, done, bytes.data() + done, wanted - done);
    return bytes;
}

ImageFileDevice::ImageFileDevice(std::shared_ptr<const ImageSectors> sectors, ImageContent content,
                                 QObject *parent)
    : QIODevice(parent), m_sectors(std::move(sectors)), m_content(std::move(content))
{
    setOpenMode(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

// A damaged size field may exceed what a qint64 holds.
qint64 ImageFileDevice::size() const
{
    return qint64(std::min<quint64>(m_content.size, std::numeric_limits<qint64>::max()));
}

qint64 ImageFileDevice::readData(char *data, qint64 maxSize)
{
    const quint64 start = quint64(pos());
    if (start >= m_content.size || maxSize <= 0)
        return 0;
    const quint64 wanted = std::min(quint64(maxSize), m_content.size - start);
    quint64 done = 0;
    try {
        while (done < wanted)
            done += readPiece(*m_sectors, m_content, start + done, data + done, wanted - done);
    } catch (const ImageError &error) {
        setErrorString(error.message());
        return done > 0 ? qint64(done) : -1;
    }
    return qint64(done);
}
