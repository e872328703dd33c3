#include "devices/MountWatcher.h"

#include "platform/GvfsShares.h"
#include "platform/MountSource.h"

#include <QHash>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

constexpr QByteArrayView DiscFileSystems[] = {"iso9660", "udf", "fuse.fuseiso"};

// Opening or closing a share in the file manager leaves the mount table as it is, so while a gvfs
// mount exists its folder is read now and then.
constexpr std::chrono::milliseconds SharesInterval{500};

// The share folders below every gvfs mount of the table; empty when there is none.
QList<QByteArray> shareFolders(const QList<MountEntry> &table)
{
    QList<QByteArray> folders;
    for (const MountEntry &mount : table) {
        if (mount.fileSystem == GvfsFileSystem)
            folders += gvfsShareFolders(mount.mountPoint);
    }
    return folders;
}

bool holdsShares(const QList<MountEntry> &table)
{
    return std::any_of(table.begin(), table.end(),
                       [](const MountEntry &mount) { return mount.fileSystem == GvfsFileSystem; });
}

// The drives of `from` that `other` lacks, a drive being its letter on its place.
QList<Drive> drivesMissingFrom(const QList<Drive> &other, const QList<Drive> &from)
{
    QList<Drive> missing;
    for (const Drive &drive : from) {
        if (std::none_of(other.begin(), other.end(), [&](const Drive &candidate) {
                return candidate.letter == drive.letter && candidate.mountPoint == drive.mountPoint;
            }))
            missing.append(drive);
    }
    return missing;
}

QByteArray mountKey(const MountEntry &mount)
{
    return mount.mountPoint + '\0' + mount.source + '\0' + QByteArray::number(mount.major) + ':' +
           QByteArray::number(mount.minor);
}

// The mounts of `from` that `other` lacks, counting equal mounts (a mount stacked twice on one
// place) one by one.
QList<MountEntry> missingFrom(const QList<MountEntry> &other, const QList<MountEntry> &from)
{
    QHash<QByteArray, int> available;
    for (const MountEntry &mount : other)
        ++available[mountKey(mount)];
    QList<MountEntry> missing;
    for (const MountEntry &mount : from) {
        int &count = available[mountKey(mount)];
        if (count > 0)
            --count;
        else
            missing.append(mount);
    }
    return missing;
}

} // namespace

MountWatcher::MountWatcher(const MountSource &mounts, DriveTable &drives, QObject *parent)
    : QObject(parent), m_mounts(mounts), m_drives(drives)
{
    m_table = parseMountInfo(m_mounts.readMountInfo());
    m_knownDrives = m_drives.drives();
    m_shares = shareFolders(m_table);
    m_sharesTimer = new QTimer(this);
    m_sharesTimer->setInterval(SharesInterval);
    connect(m_sharesTimer, &QTimer::timeout, this, &MountWatcher::checkShares);
    if (holdsShares(m_table))
        m_sharesTimer->start();
    const QString path = m_mounts.watchPath();
    if (path.isEmpty())
        return;
    m_watched.setFileName(path);
    if (!m_watched.open(QIODevice::ReadOnly))
        return;
    m_notifier = new QSocketNotifier(m_watched.handle(), QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MountWatcher::checkNow);
}

void MountWatcher::release()
{
    if (m_holds > 0 && --m_holds == 0 && std::exchange(m_changeHeld, false))
        checkNow();
}

void MountWatcher::checkNow()
{
    if (m_holds > 0) {
        m_changeHeld = true;
        return;
    }
    QList<MountEntry> table = parseMountInfo(m_mounts.readMountInfo());
    const QList<MountEntry> removed = missingFrom(table, m_table);
    const QList<MountEntry> added = missingFrom(m_table, table);
    m_table = std::move(table);
    if (holdsShares(m_table))
        m_sharesTimer->start();
    else
        m_sharesTimer->stop();
    if (removed.isEmpty() && added.isEmpty())
        return;

    const QList<Drive> before = refreshDrives();
    for (const MountEntry &mount : removed)
        Q_EMIT volumeNotice(noticeFor(VolumeNotice::RemoveComplete, mount, before));
    for (const MountEntry &mount : added)
        Q_EMIT volumeNotice(noticeFor(VolumeNotice::Arrival, mount, m_knownDrives));
}

QList<Drive> MountWatcher::refreshDrives()
{
    QList<Drive> before = std::exchange(m_knownDrives, {});
    m_drives.refresh();
    m_knownDrives = m_drives.drives();
    m_shares = shareFolders(m_table);
    return before;
}

void MountWatcher::checkShares()
{
    if (m_holds > 0 || shareFolders(m_table) == m_shares)
        return;
    const QList<Drive> before = refreshDrives();
    for (const Drive &drive : drivesMissingFrom(m_knownDrives, before))
        Q_EMIT volumeNotice(noticeFor(VolumeNotice::RemoveComplete, drive));
    for (const Drive &drive : drivesMissingFrom(before, m_knownDrives))
        Q_EMIT volumeNotice(noticeFor(VolumeNotice::Arrival, drive));
}

VolumeNotice MountWatcher::noticeFor(quint32 eventCode, const Drive &drive)
{
    VolumeNotice notice;
    notice.eventCode = eventCode;
    const char16_t letter = drive.letter.toLower().unicode();
    if (letter < u'a' || letter > u'z')
        return notice;
    notice.unitMask = 1u << (letter - u'a');
    if (drive.type == DriveType::CdRom)
        notice.flags = VolumeNotice::MediaFlag;
    return notice;
}

// A mount that is no drive of the table (a pseudo file system, a second place of one volume)
// gets an empty unit mask.
VolumeNotice MountWatcher::noticeFor(quint32 eventCode, const MountEntry &mount,
                                     const QList<Drive> &drives)
{
    const auto drive = std::find_if(drives.begin(), drives.end(), [&](const Drive &candidate) {
        return candidate.mountPoint == mount.mountPoint;
    });
    if (drive == drives.end())
        return {eventCode, VolumeNotice::VolumeDevice, 0, 0};
    VolumeNotice notice = noticeFor(eventCode, *drive);
    const bool discFileSystem = std::find(std::begin(DiscFileSystems), std::end(DiscFileSystems),
                                          mount.fileSystem) != std::end(DiscFileSystems);
    if (notice.unitMask != 0 && discFileSystem)
        notice.flags = VolumeNotice::MediaFlag;
    return notice;
}
