#pragma once

#include "image/ImageEntry.h"

#include <QIODevice>

#include <memory>

class ImageSectors;

// The first maxBytes bytes of a file's contents (all when the file is shorter), without a device
// around them; throws ImageError when they cannot be read.
QByteArray contentFront(const ImageSectors &sectors, const ImageContent &content, qint64 maxBytes);

// A read-only, seekable device over one file inside a disc image. Reading a sector that lies past
// the end of the image fails the read (and sets the error string) rather than returning zeros.
class ImageFileDevice final : public QIODevice
{
    Q_OBJECT

public:
    ImageFileDevice(std::shared_ptr<const ImageSectors> sectors, ImageContent content,
                    QObject *parent = nullptr);

    bool isSequential() const override { return false; }
    qint64 size() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::shared_ptr<const ImageSectors> m_sectors;
    ImageContent m_content;
};
