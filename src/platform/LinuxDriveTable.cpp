#include "platform/LinuxDriveTable.h"

#include "platform/GvfsShares.h"
#include "platform/LabelReader.h"
#include "platform/MountInfo.h"
#include "platform/MountSource.h"
#include "platform/NativePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char16_t FirstLetter = u'c';
constexpr char16_t LastLetter = u'z';

// Overlays are container and build-tool internals; as the root of a container they still count.
constexpr QByteArrayView PseudoFileSystems[] = {
    "autofs",          "binfmt_misc", "bpf",         "cgroup",    "cgroup2",
    "configfs",        "debugfs",     "devpts",      "devtmpfs",  "efivarfs",
    "fuse.gvfsd-fuse", "fuse.lxcfs",  "fuse.portal", "fusectl",   "hugetlbfs",
    "mqueue",          "nfsd",        "nsfs",        "overlay",   "proc",
    "pstore",          "rpc_pipefs",  "securityfs",  "selinuxfs", "sysfs",
    "tracefs"};
constexpr QByteArrayView HiddenPlaces[] = {"/proc", "/sys", "/dev", "/run", "/snap", "/boot"};
constexpr QByteArrayView RamPlaces[] = {"/media", "/mnt", "/run/media"};
constexpr QByteArrayView RamFileSystems[] = {"tmpfs", "ramfs"};
constexpr QByteArrayView DiscFileSystems[] = {"iso9660", "udf", "fuse.fuseiso"};
constexpr QByteArrayView NetworkFileSystems[] = {
    "nfs",   "nfs4",       "cifs",  "smb3",        "smbfs",
    "sshfs", "fuse.sshfs", "davfs", "fuse.davfs2", GvfsFileSystem};

template <qsizetype N> bool isOneOf(QByteArrayView value, const QByteArrayView (&list)[N])
{
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

bool isUnder(QByteArrayView path, QByteArrayView directory)
{
    return path == directory || (path.startsWith(directory) && path[directory.size()] == '/');
}

template <qsizetype N>
bool isUnderOneOf(QByteArrayView path, const QByteArrayView (&directories)[N])
{
    return std::any_of(std::begin(directories), std::end(directories),
                       [&](QByteArrayView directory) { return isUnder(path, directory); });
}

// Programs mount their own files in user space at hidden folders (an AppImage at
// /tmp/.mount_XXXXXX); volumes in user space (sshfs, fuseiso, davfs2, rclone) are mounted where
// the user can see them, and fuseblk is a disk.
bool isApplicationMount(const MountEntry &mount)
{
    const QByteArray folder = mount.mountPoint.sliced(mount.mountPoint.lastIndexOf('/') + 1);
    return (mount.fileSystem.startsWith("fuse.") && folder.startsWith('.')) ||
           mount.fileSystem.toLower().contains("appimage") ||
           mount.source.toLower().contains("appimage");
}

bool isDriveMount(const MountEntry &mount)
{
    if (mount.mountPoint == "/")
        return true;
    if (isOneOf(mount.fileSystem, PseudoFileSystems) || isApplicationMount(mount))
        return false;
    if (!isUnder(mount.mountPoint, "/run/media") && isUnderOneOf(mount.mountPoint, HiddenPlaces))
        return false;
    if (isOneOf(mount.fileSystem, RamFileSystems))
        return isUnderOneOf(mount.mountPoint, RamPlaces);
    return true;
}

quint64 deviceNumber(unsigned major, unsigned minor)
{
    return (quint64(major) << 32) | minor;
}

QByteArray readSysfsValue(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().trimmed();
}

struct OpticalDrive
{
    QByteArray name; // "sr0"
    unsigned major = 0;
    unsigned minor = 0;
};

// "sr10" sorts after "sr9".
bool inNumericOrder(const OpticalDrive &a, const OpticalDrive &b)
{
    const auto split = [](const QByteArray &name) {
        qsizetype digits = name.size();
        while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
            --digits;
        return std::make_pair(name.first(digits), name.sliced(digits).toULongLong());
    };
    return split(a.name) < split(b.name);
}

bool isScsiCdromName(const QString &name)
{
    return name.size() > 2 && name.startsWith(u"sr"_s) &&
           std::all_of(name.begin() + 2, name.end(),
                       [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QList<OpticalDrive> opticalDrives(const QString &sysfsRoot)
{
    const QDir blockDir(sysfsRoot + u"/block"_s);
    QList<OpticalDrive> drives;
    for (const QString &name : blockDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const bool scsiCdrom = readSysfsValue(blockDir.filePath(name + u"/device/type"_s)) == "5";
        if (!scsiCdrom && !isScsiCdromName(name))
            continue;
        OpticalDrive drive{QFile::encodeName(name)};
        const QByteArray dev = readSysfsValue(blockDir.filePath(name + u"/dev"_s));
        const qsizetype colon = dev.indexOf(':');
        if (colon > 0) {
            drive.major = dev.first(colon).toUInt();
            drive.minor = dev.sliced(colon + 1).toUInt();
        }
        drives.append(drive);
    }
    std::sort(drives.begin(), drives.end(), inNumericOrder);
    return drives;
}

QByteArray canonicalDevicePath(const QByteArray &path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(path.constData(), nullptr), &std::free);
    return resolved ? QByteArray(resolved.get()) : QByteArray();
}

bool holdsDisc(const OpticalDrive &drive, const MountEntry &mount)
{
    if (drive.major != 0 && mount.major == drive.major && mount.minor == drive.minor)
        return true;
    const QByteArray node = "/dev/" + drive.name;
    return mount.source == node ||
           (mount.source.startsWith("/dev/") && canonicalDevicePath(mount.source) == node);
}

// The whole disk behind a block device decides: a partition inherits its disk's flag.
bool isRemovable(const QString &sysfsRoot, unsigned major, unsigned minor)
{
    const QString link = sysfsRoot + u"/dev/block/%1:%2"_s.arg(major).arg(minor);
    QString device = QFileInfo(link).canonicalFilePath();
    if (device.isEmpty())
        return false;
    if (QFileInfo::exists(device + u"/partition"_s))
        device = QFileInfo(device).path();
    return readSysfsValue(device + u"/removable"_s) == "1";
}

// "\\host\a\b" for host and path "/a/b"; none without a host.
QString uncName(const QString &host, const QString &path)
{
    if (host.isEmpty())
        return {};
    QString name = u"\\\\"_s + host;
    for (const QString &part : path.split(u'/', Qt::SkipEmptyParts))
        name += u'\\' + part;
    return name;
}

// "//server/share" (SMB), "server:/export/dir" (NFS), "user@host:/path" (SSH) and
// "https://user@host/path" (WebDAV) all become "\\host\path"; any other source gives no name, so
// the caption falls back to the volume label.
QString networkName(const QString &source)
{
    QString rest = source;
    if (const qsizetype scheme = rest.indexOf(u"://"_s); scheme >= 0) {
        rest = rest.mid(scheme + 3);
    } else if (rest.startsWith(u"//"_s)) {
        rest = rest.mid(2);
    } else {
        const qsizetype bracket = rest.startsWith(u'[') ? rest.indexOf(u']') : 0;
        const qsizetype colon = rest.indexOf(u':', std::max<qsizetype>(bracket, 0));
        if (colon <= 0)
            return {};
        rest = rest.left(colon) + u'/' + rest.mid(colon + 1);
    }
    const qsizetype slash = rest.indexOf(u'/');
    const QString host = slash < 0 ? rest : rest.left(slash);
    return uncName(host.mid(host.lastIndexOf(u'@') + 1), slash < 0 ? QString() : rest.mid(slash));
}

// A gvfs share folder is named "kind:key=value,...", with percent-encoded values:
// "smb-share:server=nas,share=music" is \\nas\music, and the other kinds name their host and
// the folder they open, "dav:host=h,ssl=true,prefix=%2Fremote.php" is \\h\remote.php.
QString gvfsNetworkName(const QByteArray &share)
{
    QHash<QByteArray, QString> values;
    for (const QByteArray &pair : share.sliced(share.indexOf(':') + 1).split(',')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals > 0) {
            values.insert(pair.first(equals), QString::fromUtf8(QByteArray::fromPercentEncoding(
                                                  pair.sliced(equals + 1))));
        }
    }
    return uncName(values.value("server", values.value("host")),
                   values.value("share", values.value("volume", values.value("prefix"))));
}

// Of several mounts of one device, the one at "/" or else the one showing most of it.
bool preferredMount(const MountEntry &a, const MountEntry &b)
{
    if ((a.mountPoint == "/") != (b.mountPoint == "/"))
        return a.mountPoint == "/";
    if (a.root.size() != b.root.size())
        return a.root.size() < b.root.size();
    if (a.mountPoint.size() != b.mountPoint.size())
        return a.mountPoint.size() < b.mountPoint.size();
    return a.mountPoint < b.mountPoint;
}

// One mount per device: the later of two mounts on one mount point hides the earlier.
QList<MountEntry> driveMounts(const QList<MountEntry> &entries)
{
    QHash<QByteArray, qsizetype> topmost;
    for (qsizetype i = 0; i < entries.size(); ++i)
        topmost.insert(entries[i].mountPoint, i);
    QHash<quint64, MountEntry> byDevice;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const MountEntry &entry = entries[i];
        if (topmost.value(entry.mountPoint) != i || !isDriveMount(entry))
            continue;
        const quint64 device = deviceNumber(entry.major, entry.minor);
        const auto found = byDevice.constFind(device);
        if (found == byDevice.constEnd() || preferredMount(entry, *found))
            byDevice.insert(device, entry);
    }
    QList<MountEntry> mounts = byDevice.values();
    std::sort(mounts.begin(), mounts.end(),
              [](const MountEntry &a, const MountEntry &b) { return a.mountPoint < b.mountPoint; });
    return mounts;
}

// The file manager's network shares are folders below one mount, the user's gvfs folder, each a
// volume like a mount of its own. Adding a share does not change the mount table, so the mount
// watcher reads the folder again now and then while the gvfs mount exists.
QList<MountEntry> gvfsShares(const QList<MountEntry> &entries, const QByteArray &gvfsDir)
{
    const auto gvfs = std::find_if(entries.begin(), entries.end(), [&](const MountEntry &entry) {
        return entry.fileSystem == GvfsFileSystem && entry.mountPoint == gvfsDir;
    });
    if (gvfs == entries.end())
        return {};
    QList<MountEntry> shares;
    for (const QByteArray &name : gvfsShareFolders(gvfsDir)) {
        MountEntry share = *gvfs;
        share.root = '/' + name;
        share.mountPoint = gvfsDir + '/' + name;
        share.source = name;
        shares.append(share);
    }
    return shares;
}

} // namespace

struct LinuxDriveTable::Volume
{
    QByteArray key; // what identifies the volume across refreshes, for its letter
    std::optional<MountEntry> mount;
    std::optional<OpticalDrive> optical;

    // Changes whenever the mount behind the volume changes, so cached facts are re-read.
    QByteArray identity() const
    {
        if (!mount)
            return key;
        return key + ' ' + QByteArray::number(mount->mountId) + ' ' + mount->mountPoint + ' ' +
               mount->fileSystem;
    }
};

LinuxDriveTable::LinuxDriveTable(const MountSource &mounts, const LabelReader &labels,
                                 QString sysfsRoot, const QString &runtimeDir)
    : m_mounts(mounts), m_labels(labels), m_sysfsRoot(std::move(sysfsRoot)),
      m_gvfsDir(QFile::encodeName(runtimeDir) + "/gvfs")
{
    refresh();
}

QString LinuxDriveTable::userRuntimeDir()
{
    return u"/run/user/"_s + QString::number(::getuid());
}

void LinuxDriveTable::refresh()
{
    const QList<MountEntry> table = parseMountInfo(m_mounts.readMountInfo());
    const QList<Volume> volumes = currentVolumes(table);
    m_letters = assignLetters(volumes);

    QHash<QByteArray, Drive> known;
    m_drives.clear();
    for (const Volume &volume : volumes) {
        const auto letter = m_letters.constFind(volume.key);
        if (letter == m_letters.constEnd())
            continue;
        const QByteArray identity = volume.identity();
        const auto cached = m_known.constFind(identity);
        Drive drive = cached != m_known.constEnd() ? *cached : describe(volume);
        drive.letter = *letter;
        // Mounts below come and go without changing this volume's identity.
        drive.otherVolumes = drive.mountPoint.isEmpty()
                                 ? QList<QByteArray>()
                                 : otherVolumesBelow(table, drive.mountPoint);
        known.insert(identity, drive);
        m_drives.append(drive);
    }
    m_known = known;
    std::sort(m_drives.begin(), m_drives.end(),
              [](const Drive &a, const Drive &b) { return a.letter < b.letter; });
}

QList<Drive> LinuxDriveTable::drives() const
{
    return m_drives;
}

// In the order in which new volumes are offered letters: "/", the optical drives, the rest.
QList<LinuxDriveTable::Volume> LinuxDriveTable::currentVolumes(const QList<MountEntry> &table) const
{
    QList<MountEntry> mounts = driveMounts(table);

    QList<Volume> volumes;
    for (const OpticalDrive &drive : opticalDrives(m_sysfsRoot)) {
        Volume volume{"optical " + drive.name, std::nullopt, drive};
        const auto disc = std::find_if(mounts.begin(), mounts.end(),
                                       [&](const MountEntry &m) { return holdsDisc(drive, m); });
        if (disc != mounts.end()) {
            volume.mount = *disc;
            mounts.erase(disc);
        }
        volumes.append(volume);
    }
    for (const MountEntry &mount : std::as_const(mounts)) {
        volumes.append(Volume{QByteArray::number(mount.major) + ':' +
                                  QByteArray::number(mount.minor) + ' ' + mount.source,
                              mount, std::nullopt});
    }
    for (const MountEntry &share : gvfsShares(table, m_gvfsDir))
        volumes.append(Volume{"gvfs " + share.source, share, std::nullopt});
    const auto root = std::find_if(volumes.begin(), volumes.end(), [](const Volume &volume) {
        return volume.mount && volume.mount->mountPoint == "/";
    });
    if (root != volumes.end())
        std::rotate(volumes.begin(), root, root + 1);
    return volumes;
}

QHash<QByteArray, QChar> LinuxDriveTable::assignLetters(const QList<Volume> &volumes)
{
    // A letter names one volume while it is mounted, and a volume that went keeps its letter
    // for when it comes back: a freed letter goes to another volume only when no other is free,
    // so a caption never belongs to a volume that has just been swapped.
    QHash<QByteArray, QChar> letters;
    QList<QChar> taken;
    const auto keep = [&](const QByteArray &key, QChar letter) {
        letters.insert(key, letter);
        taken.append(letter);
    };
    for (const Volume &volume : volumes) {
        if (const auto kept = m_letters.constFind(volume.key); kept != m_letters.constEnd())
            keep(volume.key, *kept);
    }
    for (const Volume &volume : volumes) {
        const auto old = m_lastSeen.constFind(volume.key);
        if (!letters.contains(volume.key) && old != m_lastSeen.constEnd() && !taken.contains(*old))
            keep(volume.key, *old);
    }
    QList<QChar> remembered;
    for (auto seen = m_lastSeen.cbegin(); seen != m_lastSeen.cend(); ++seen) {
        if (!letters.contains(seen.key()))
            remembered.append(seen.value());
    }
    const auto freeLetter = [&](bool sparingRemembered) -> std::optional<QChar> {
        for (char16_t letter = FirstLetter; letter <= LastLetter; ++letter) {
            if (!taken.contains(QChar(letter)) &&
                !(sparingRemembered && remembered.contains(QChar(letter))))
                return QChar(letter);
        }
        return std::nullopt;
    };
    for (const Volume &volume : volumes) {
        if (letters.contains(volume.key))
            continue;
        // c: always names the volume at "/", whichever device that is now.
        const bool isRoot = volume.mount && volume.mount->mountPoint == "/";
        std::optional<QChar> letter = freeLetter(!isRoot);
        if (!letter)
            letter = freeLetter(false);
        if (!letter)
            break;
        keep(volume.key, *letter);
    }
    for (auto assigned = letters.cbegin(); assigned != letters.cend(); ++assigned)
        m_lastSeen.insert(assigned.key(), assigned.value());
    return letters;
}

Drive LinuxDriveTable::describe(const Volume &volume) const
{
    Drive drive;
    if (volume.optical) {
        drive.type = DriveType::CdRom;
        drive.device = decodeFileName("/dev/" + volume.optical->name);
    }
    if (!volume.mount)
        return drive;

    const MountEntry &mount = *volume.mount;
    drive.mountPoint = mount.mountPoint;
    drive.device = decodeFileName(mount.source);
    drive.fileSystem = decodeFileName(mount.fileSystem);
    if (volume.optical || isOneOf(mount.fileSystem, DiscFileSystems))
        drive.type = DriveType::CdRom;
    else if (isOneOf(mount.fileSystem, NetworkFileSystems))
        drive.type = DriveType::Network;
    else if (isOneOf(mount.fileSystem, RamFileSystems))
        drive.type = DriveType::RamDisk;
    else if (mount.major != 0 && isRemovable(m_sysfsRoot, mount.major, mount.minor))
        drive.type = DriveType::Removable;
    else
        drive.type = DriveType::Fixed;

    // A disc is looked up under its drive's device number, whatever name or number the mount shows.
    if (mount.fileSystem == GvfsFileSystem)
        drive.networkName = gvfsNetworkName(mount.source);
    else if (drive.type == DriveType::Network)
        drive.networkName = networkName(drive.device);
    else if (volume.optical)
        drive.label =
            m_labels.label(mount.source, int(volume.optical->major), int(volume.optical->minor));
    else if (mount.major != 0)
        drive.label = m_labels.label(mount.source, int(mount.major), int(mount.minor));
    else if (drive.type == DriveType::CdRom && mount.source.startsWith('/'))
        drive.label = m_labels.label(mount.source, 0, 0); // an image mounted in user space
    return drive;
}
