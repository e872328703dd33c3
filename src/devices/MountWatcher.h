#pragma once

#include "platform/DriveTable.h"
#include "platform/MountInfo.h"

#include <QFile>
#include <QObject>

class MountSource;
class QSocketNotifier;
class QTimer;

// A device-change notice for a volume, in the form the disc-event component expects.
struct VolumeNotice
{
    static constexpr quint32 Arrival = 0x8000;
    static constexpr quint32 RemoveComplete = 0x8004;
    static constexpr quint32 VolumeDevice = 2;
    static constexpr quint16 MediaFlag = 0x0001;

    quint32 eventCode = 0;
    quint32 deviceType = VolumeDevice;
    quint32 unitMask = 0; // bit n set: drive letter 'a' + n
    quint16 flags = 0;

    bool operator==(const VolumeNotice &) const = default;
};

// Watches the mount table and reports every mount that came or went as a volume notice. The
// kernel signals a change of the table as an exception condition on its mountinfo file; several
// mounts can fold into one signal, so the table is compared with the one seen before.
class MountWatcher final : public QObject
{
    Q_OBJECT

public:
    MountWatcher(const MountSource &mounts, DriveTable &drives, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(MountWatcher)

    // Reads the mount table again, refreshes the drive table when it changed and reports the
    // changes: removals first, each in table order.
    void checkNow();
    // While held, a change is only noted; the last release applies it. A scan or an import so
    // works on one drive table from start to end, and the scan's worker thread never reads the
    // table while it is rewritten.
    void hold() { ++m_holds; }
    void release();

Q_SIGNALS:
    void volumeNotice(const VolumeNotice &notice);

private:
    // Refreshes the drive table; returns the drives as they were before.
    QList<Drive> refreshDrives();
    void checkShares();
    static VolumeNotice noticeFor(quint32 eventCode, const Drive &drive);
    static VolumeNotice noticeFor(quint32 eventCode, const MountEntry &mount,
                                  const QList<Drive> &drives);

    const MountSource &m_mounts;
    DriveTable &m_drives;
    QList<MountEntry> m_table;
    QList<Drive> m_knownDrives; // as of the last refresh, for the letters of removed mounts
    QList<QByteArray> m_shares; // the gvfs share folders as of the last refresh
    int m_holds = 0;
    bool m_changeHeld = false;
    QFile m_watched;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_sharesTimer = nullptr;
};

// Holds the watcher, when there is one, for the lifetime of the scope.
class MountChangesHeld final
{
public:
    explicit MountChangesHeld(MountWatcher *watcher) : m_watcher(watcher)
    {
        if (m_watcher)
            m_watcher->hold();
    }
    ~MountChangesHeld()
    {
        if (m_watcher)
            m_watcher->release();
    }
    Q_DISABLE_COPY_MOVE(MountChangesHeld)

private:
    MountWatcher *m_watcher;
};
