#include "platform/ImageDriveTable.h"

#include <algorithm>

QList<Drive> ImageDriveTable::drives() const
{
    QList<Drive> all = m_system.drives();
    // A volume that came later and was given an image's letter leaves it to the image, so that a
    // letter never names two drives.
    all.removeIf([this](const Drive &drive) {
        return std::any_of(m_images.cbegin(), m_images.cend(),
                           [&](const Drive &image) { return image.letter == drive.letter; });
    });
    all.append(m_images);
    std::sort(all.begin(), all.end(),
              [](const Drive &a, const Drive &b) { return a.letter < b.letter; });
    return all;
}

QChar ImageDriveTable::addImage(const QByteArray &mountPoint, const QString &label,
                                const QString &imageFile)
{
    const QList<Drive> present = drives();
    for (char16_t letter = u'd'; letter <= u'z'; ++letter) {
        const bool taken = std::any_of(present.cbegin(), present.cend(),
                                       [&](const Drive &drive) { return drive.letter == letter; });
        if (taken)
            continue;
        Drive drive;
        drive.letter = QChar(letter);
        drive.type = DriveType::CdRom;
        drive.mountPoint = mountPoint;
        drive.label = label;
        drive.device = imageFile;
        m_images.append(drive);
        return drive.letter;
    }
    return {};
}
