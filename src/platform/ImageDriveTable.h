#pragma once

#include "platform/DriveTable.h"

// The system's drives together with the disc images opened while the program runs. An image is a
// drive of its own, under the lowest letter free when it was opened, until the program ends.
class ImageDriveTable final : public DriveTable
{
public:
    explicit ImageDriveTable(DriveTable &system) : m_system(system) {}

    void refresh() override { m_system.refresh(); }
    QList<Drive> drives() const override;

    // Adds an image mounted in the program's own table (mountImage) as a disc drive; returns its
    // letter, or a null QChar when every letter is taken.
    QChar addImage(const QByteArray &mountPoint, const QString &label, const QString &imageFile);

private:
    DriveTable &m_system;
    QList<Drive> m_images;
};
