#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>

#include <memory>
#include <optional>

// A regular file (on a disc or inside a disc image) read through one large buffer, so that walking
// thousands of small headers costs one system call per buffer rather than one per header. Nothing
// beyond the size the file had when it was opened is read.
class ZipReader final
{
public:
    // Holds any one piece of a ZIP that is read whole: a fixed header, a name, an extra field or an
    // end record with its comment (each at most 65,535 bytes long).
    static constexpr qsizetype Capacity = 256 * 1024;

    explicit ZipReader(const QByteArray &nativePath);
    ~ZipReader();
    Q_DISABLE_COPY_MOVE(ZipReader)

    bool isOpen() const { return m_fd >= 0 || m_device; }
    quint64 fileSize() const { return m_fileSize; }
    quint64 position() const { return m_position; }

    // The next n bytes (n <= Capacity), moving behind them; empty when the file ends first or
    // cannot be read. The view lasts until the next call.
    std::optional<QByteArrayView> read(qsizetype n);
    // As read(), without moving.
    std::optional<QByteArrayView> peek(qsizetype n);
    // Moves to an absolute position; false when no byte can be read there.
    bool seek(quint64 position);

private:
    bool fill(qsizetype n);

    int m_fd = -1;
    // A file inside a disc image is read through its device instead.
    std::unique_ptr<QIODevice> m_device;
    quint64 m_fileSize = 0;
    quint64 m_position = 0;
    quint64 m_bufferStart = 0;
    qsizetype m_buffered = 0;
    std::unique_ptr<char[]> m_buffer;
};
