#pragma once

#include <QByteArray>

// The 2048-byte logical sectors of a disc image file. The file is either a plain copy of them or
// a raw copy of 2352-byte sectors (MODE1, or MODE2 form 1), whose user data sits behind the sync
// pattern and the header. Every read is checked against the end of the file.
class ImageSectors final
{
public:
    static constexpr quint64 SectorSize = 2048;
    // Where the volume descriptors of ISO 9660 and UDF begin.
    static constexpr quint64 FirstDescriptorSector = 16;

    // Throws ImageError when the file cannot be opened or holds neither ISO 9660 nor UDF.
    explicit ImageSectors(const QByteArray &nativePath);
    ~ImageSectors();
    Q_DISABLE_COPY_MOVE(ImageSectors)

    quint64 count() const { return m_count; }
    bool isRaw() const { return m_rawDataOffset != 0; }

    // Sectors [first, first + sectors); throws ImageError when any of them lies past the end.
    QByteArray read(quint64 first, quint64 sectors) const;
    // length bytes from byte offset within sector first onwards; the same check.
    void readBytes(quint64 first, quint64 offset, char *to, quint64 length) const;
    // Throws ImageError unless sectors [first, first + sectors) lie within the file.
    void checkRange(quint64 first, quint64 sectors) const;

private:
    bool holdsVolumeDescriptor(quint64 stride, quint64 dataOffset) const;
    void readRaw(quint64 position, char *to, quint64 length) const;

    int m_fd = -1;
    quint64 m_fileSize = 0;
    quint64 m_count = 0;
    quint64 m_rawDataOffset = 0;
};
