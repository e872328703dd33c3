#include "devices/MountWatcher.h"

#include "platform/MountSource.h"

#include <QHash>
#include <QSocketNotifier>

#include <algorithm>
#include <utility>

namespace {

constexpr QByteArrayView DiscFileSystems[] = {"iso9660", "udf", "fuse.fuseiso"};

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
    if (removed.isEmpty() && added.isEmpty())
        return;

    const QList<Drive> before = m_knownDrives;
    m_drives.refresh();
    m_knownDrives = m_drives.drives();
    for (const MountEntry &mount : removed)
        Q_EMIT volumeNotice(noticeFor(VolumeNotice::RemoveComplete, mount, before));
    for (const MountEntry &mount : added)
        Q_EMIT volumeNotice(noticeFor(VolumeNotice::Arrival, mount, m_knownDrives));
}

// A mount that is no drive of the table (a pseudo file system, a second place of one volume)
// gets an empty unit mask.
VolumeNotice MountWatcher::noticeFor(quint32 eventCode, const MountEntry &mount,
                                     const QList<Drive> &drives) const
{
    VolumeNotice notice;
    notice.eventCode = eventCode;
    const auto drive = std::find_if(drives.begin(), drives.end(), [&](const Drive &candidate) {
        return candidate.mountPoint == mount.mountPoint;
    });
    if (drive == drives.end())
        return notice;
    const char16_t letter = drive->letter.toLower().unicode();
    if (letter < u'a' || letter > u'z')
        return notice;
    notice.unitMask = 1u << (letter - u'a');
    const bool disc = drive->type == DriveType::CdRom ||
                      std::find(std::begin(DiscFileSystems), std::end(DiscFileSystems),
                                mount.fileSystem) != std::end(DiscFileSystems);
    if (disc)
        notice.flags = VolumeNotice::MediaFlag;
    return notice;
}
