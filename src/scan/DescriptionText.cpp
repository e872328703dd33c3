#include "scan/DescriptionText.h"

#include "base/AppError.h"
#include "platform/FileDescriptor.h"
#include "platform/TextCodec.h"
#include "platform/VolumeFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void failToOpen(const QString &programPath)
{
    throw AppError(u"Datei %1 kann nicht geöffnet werden"_s.arg(programPath));
}

[[noreturn]] void failOnSize()
{
    throw AppError(u"Text überschreitet Memo-Kapazität"_s);
}

// Reads to the end rather than trusting the size alone, so a file that grows after fstat is still
// held to the limit.
QByteArray readAll(int fd, qint64 expectedSize, const QString &programPath)
{
    QByteArray bytes(qsizetype(expectedSize) + 1, Qt::Uninitialized);
    qsizetype total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > DescriptionSizeLimit)
                failOnSize();
            bytes.resize(qMin(2 * total, qsizetype(DescriptionSizeLimit) + 1));
        }
        const ssize_t count = ::read(fd, bytes.data() + total, size_t(bytes.size() - total));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            failToOpen(programPath);
        if (count == 0)
            break;
        total += count;
    }
    if (total > DescriptionSizeLimit)
        failOnSize();
    bytes.truncate(total);
    return bytes;
}

// Most description files already break lines with CR LF, and those are returned as they are.
QByteArray withCrLfBreaks(QByteArray bytes)
{
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype lone = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if ((data[i] == '\r' && (i + 1 == size || data[i + 1] != '\n')) ||
            (data[i] == '\n' && (i == 0 || data[i - 1] != '\r')))
            ++lone;
    }
    if (lone == 0)
        return bytes;

    QByteArray result;
    result.reserve(size + lone);
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] != '\r' && data[i] != '\n') {
            result.append(data[i]);
            continue;
        }
        result.append("\r\n");
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
    }
    return result;
}

// A file inside a disc image holds still, so its size is all there is to read.
QByteArray readImageFile(const QByteArray &nativePath, const QString &programPath)
{
    const std::unique_ptr<QIODevice> file = openImageFile(nativePath);
    if (!file)
        failToOpen(programPath);
    if (file->size() > DescriptionSizeLimit)
        failOnSize();
    QByteArray bytes = file->read(file->size());
    if (bytes.size() != file->size())
        failToOpen(programPath);
    return bytes;
}

QByteArray readRealFile(const QByteArray &nativePath, const QString &programPath)
{
    // Non-blocking, so that a FIFO or a device that slipped in is refused instead of waited on.
    const FileDescriptor file(
        ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat status
    {
    };
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        failToOpen(programPath);
    if (status.st_size > DescriptionSizeLimit)
        failOnSize();
    return readAll(file.get(), status.st_size, programPath);
}

} // namespace

QString loadDescription(const QByteArray &nativePath, const QString &programPath, bool isFileIdDiz)
{
    QByteArray text = isImagePath(nativePath) ? readImageFile(nativePath, programPath)
                                              : readRealFile(nativePath, programPath);
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    return decodeText(withCrLfBreaks(std::move(text)),
                      isFileIdDiz ? SingleByteFallback::Cp437 : SingleByteFallback::Windows1252);
}
