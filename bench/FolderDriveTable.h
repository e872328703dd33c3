#pragma once

#include "platform/DriveTable.h"

#include <QDir>

// One drive letter showing a folder as a CD-ROM, so benchmarks reach generated data through
// the same path mapping as a real disc.
class FolderDriveTable final : public DriveTable
{
public:
    FolderDriveTable(QChar letter, const QString &folder)
    {
        m_drive.letter = letter.toLower();
        m_drive.type = DriveType::CdRom;
        m_drive.mountPoint = QFile::encodeName(QDir(folder).absolutePath());
    }

    // Another folder in the same drive, as when the disc is changed.
    void setFolder(const QString &folder)
    {
        m_drive.mountPoint = QFile::encodeName(QDir(folder).absolutePath());
    }

    void refresh() override {}
    QList<Drive> drives() const override { return {m_drive}; }

private:
    Drive m_drive;
};
