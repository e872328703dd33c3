#pragma once

#include "platform/DriveTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <atomic>

// A drive table whose letters point at folders the test made.
class FakeDriveTable final : public DriveTable
{
public:
    void addDrive(QChar letter, DriveType type, const QString &folder, const QString &label = {})
    {
        Drive drive;
        drive.letter = letter.toLower();
        drive.type = type;
        drive.mountPoint = folder.isEmpty() ? QByteArray() : QDir(folder).absolutePath().toUtf8();
        drive.label = label;
        m_drives.append(drive);
        std::sort(m_drives.begin(), m_drives.end(),
                  [](const Drive &a, const Drive &b) { return a.letter < b.letter; });
    }
    void setDrives(QList<Drive> drives) { m_drives = std::move(drives); }

    void refresh() override { ++refreshCount; }
    QList<Drive> drives() const override
    {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            ++readsOffWindowThread;
        return m_drives;
    }

    int refreshCount = 0;
    // The window thread rewrites the table, so no other thread may read it.
    mutable std::atomic<int> readsOffWindowThread = 0;

private:
    QList<Drive> m_drives;
};
