#include "platform/LinuxDriveTable.h"
#include "platform/LinuxLabelReader.h"
#include "platform/MountSource.h"
#include "platform/ProcMountSource.h"
#include "support/FakeSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class FakeLabelReader final : public LabelReader
{
public:
    QString label(const QByteArray &devicePath, int, int) const override
    {
        asked.append(devicePath);
        return labels.value(devicePath);
    }

    QHash<QByteArray, QString> labels;
    mutable QList<QByteArray> asked;
};

// A /sys tree with the few files the drive table reads.
class FakeSysfs
{
public:
    FakeSysfs()
    {
        addDisk(u"vda"_s, "254:0", false);
        addDisk(u"sda"_s, "8:0", false, {{u"sda1"_s, "8:1"}});
        addDisk(u"sdb"_s, "8:16", true, {{u"sdb1"_s, "8:17"}});
        addDisk(u"sdc"_s, "8:32", true, {{u"sdc1"_s, "8:33"}});
        addDisk(u"loop0"_s, "7:0", false);
    }

    QString root() const { return m_dir.path(); }

    void addOptical(const QString &name, const QByteArray &dev)
    {
        const QString device = addBlockDevice(u"devices/pci0000:00/ata1/block/"_s + name, dev);
        write(device + u"/device/type"_s, "5");
        write(device + u"/removable"_s, "1");
        link(device, u"block/"_s + name);
    }

private:
    struct Partition
    {
        QString name;
        QByteArray dev;
    };

    void addDisk(const QString &name, const QByteArray &dev, bool removable,
                 const QList<Partition> &partitions = {})
    {
        const QString device = addBlockDevice(u"devices/pci0000:00/usb1/block/"_s + name, dev);
        write(device + u"/device/type"_s, "0");
        write(device + u"/removable"_s, removable ? "1\n" : "0\n");
        link(device, u"block/"_s + name);
        for (const Partition &partition : partitions) {
            const QString path = addBlockDevice(
                u"devices/pci0000:00/usb1/block/"_s + name + u'/' + partition.name, partition.dev);
            write(path + u"/partition"_s, "1");
        }
    }

    QString addBlockDevice(const QString &relativePath, const QByteArray &dev)
    {
        const QString path = m_dir.filePath(relativePath);
        write(path + u"/dev"_s, dev + '\n');
        link(path, u"dev/block/"_s + QString::fromLatin1(dev));
        return path;
    }

    void link(const QString &target, const QString &relativeLink)
    {
        const QString path = m_dir.filePath(relativeLink);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(QFile::link(target, path));
    }

    void write(const QString &path, const QByteArray &content)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir m_dir;
};

QByteArray mountLine(int id, const QByteArray &dev, const QByteArray &mountPoint,
                     const QByteArray &fs, const QByteArray &source, const QByteArray &root = "/")
{
    return QByteArray::number(id) + " 1 " + dev + ' ' + root + ' ' + mountPoint +
           " rw,relatime shared:1 - " + fs + ' ' + source + " rw\n";
}

const QByteArray RootMount = mountLine(1, "254:0", "/", "ext4", "/dev/vda");

QStringList lettersAndMountPoints(const DriveTable &table)
{
    QStringList result;
    for (const Drive &drive : table.drives())
        result.append(QString(drive.letter) + u' ' + QString::fromUtf8(drive.mountPoint));
    return result;
}

} // namespace

class TestLinuxDriveTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opticalDriveWithoutDisc();
    void opticalDriveWithDisc_data();
    void opticalDriveWithDisc();
    void opticalDrivesInNumericOrder();
    void classifiesVolumes_data();
    void classifiesVolumes();
    void offersOnlyRealVolumes_data();
    void offersOnlyRealVolumes();
    void leavesOutApplicationMounts();
    void offersEachGvfsShare();
    void bindMountsShareOneLetter();
    void topmostMountHidesTheOneBelow();
    void lettersStayWithTheirVolumes();
    void probesLabelsOnlyForNewMounts();
    void offersAtMost24Drives();
    void decodesUdevEscapes_data();
    void decodesUdevEscapes();
    void probesLabelOfImageFile_data();
    void probesLabelOfImageFile();
    void listsRootOfThisSystem();
};

void TestLinuxDriveTable::opticalDriveWithoutDisc()
{
    FakeSysfs sysfs;
    sysfs.addOptical(u"sr0"_s, "11:0");
    FixedMountSource mounts;
    mounts.text = RootMount;
    FakeLabelReader labels;
    labels.labels.insert("/dev/vda", u"system"_s);
    const LinuxDriveTable table(mounts, labels, sysfs.root());

    const QList<Drive> drives = table.drives();
    QCOMPARE(drives.size(), 2);
    QCOMPARE(drives[0].letter, QChar(u'c'));
    QCOMPARE(drives[0].mountPoint, QByteArray("/"));
    QCOMPARE(drives[0].type, DriveType::Fixed);
    QCOMPARE(drives[0].label, u"system"_s);
    QCOMPARE(drives[1].letter, QChar(u'd'));
    QCOMPARE(drives[1].type, DriveType::CdRom);
    QVERIFY(drives[1].mountPoint.isEmpty());
    QVERIFY(drives[1].label.isEmpty());
    QCOMPARE(drives[1].device, u"/dev/sr0"_s);
    QCOMPARE(labels.asked, QList<QByteArray>{"/dev/vda"});
}

void TestLinuxDriveTable::opticalDriveWithDisc_data()
{
    QTest::addColumn<QByteArray>("discMount");
    QTest::addColumn<QString>("label");
    QTest::newRow("device node") << mountLine(2, "11:0", "/media/user/MYDISC", "iso9660",
                                              "/dev/sr0")
                                 << u"MYDISC"_s;
    QTest::newRow("symlink, by device number")
        << mountLine(2, "11:0", "/media/user/MYDISC", "udf", "/dev/disk/by-label/MYDISC")
        << u"MYDISC"_s;
    QTest::newRow("device node, other number")
        << mountLine(2, "0:99", "/media/user/MYDISC", "fuseblk", "/dev/sr0") << u"MYDISC"_s;
    QTest::newRow("unlabelled disc") << mountLine(2, "11:0", "/media/user/disc", "iso9660",
                                                  "/dev/disk/by-uuid/2001-01-01-00-00-00-00")
                                     << QString();
}

void TestLinuxDriveTable::opticalDriveWithDisc()
{
    QFETCH(QByteArray, discMount);
    QFETCH(QString, label);
    FakeSysfs sysfs;
    sysfs.addOptical(u"sr0"_s, "11:0");
    FixedMountSource mounts;
    mounts.text = RootMount + discMount;
    FakeLabelReader labels;
    labels.labels.insert("/dev/sr0", u"MYDISC"_s);
    labels.labels.insert("/dev/disk/by-label/MYDISC", u"MYDISC"_s);
    const LinuxDriveTable table(mounts, labels, sysfs.root());

    const QList<Drive> drives = table.drives();
    QCOMPARE(drives.size(), 2);
    QCOMPARE(drives[1].letter, QChar(u'd'));
    QCOMPARE(drives[1].type, DriveType::CdRom);
    QVERIFY(drives[1].mountPoint.startsWith("/media/user/"));
    QCOMPARE(drives[1].label, label);
}

void TestLinuxDriveTable::opticalDrivesInNumericOrder()
{
    FakeSysfs sysfs;
    sysfs.addOptical(u"sr10"_s, "11:10");
    sysfs.addOptical(u"sr2"_s, "11:2");
    sysfs.addOptical(u"sr0"_s, "11:0");
    FixedMountSource mounts;
    mounts.text = RootMount + mountLine(2, "8:17", "/media/user/STICK", "vfat", "/dev/sdb1") +
                  mountLine(3, "11:10", "/media/user/DISC", "iso9660", "/dev/sr10");
    FakeLabelReader labels;
    const LinuxDriveTable table(mounts, labels, sysfs.root());

    QCOMPARE(lettersAndMountPoints(table),
             (QStringList{u"c /"_s, u"d "_s, u"e "_s, u"f /media/user/DISC"_s,
                          u"g /media/user/STICK"_s}));
    QCOMPARE(table.drive(u'f')->device, u"/dev/sr10"_s);
    QCOMPARE(table.drive(u'e')->device, u"/dev/sr2"_s);
}

void TestLinuxDriveTable::classifiesVolumes_data()
{
    QTest::addColumn<QByteArray>("mount");
    QTest::addColumn<DriveType>("type");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("networkName");

    const auto row = [](const char *name, const QByteArray &dev, const QByteArray &fs,
                        const QByteArray &source, DriveType type, const QString &label,
                        const QString &networkName) {
        QTest::newRow(name) << mountLine(2, dev, "/media/user/VOLUME", fs, source) << type << label
                            << networkName;
    };
    row("stick partition", "8:17", "vfat", "/dev/sdb1", DriveType::Removable, u"STICK"_s, {});
    row("stick without partitions", "8:32", "exfat", "/dev/sdc", DriveType::Removable, {}, {});
    row("fixed disk", "8:1", "ext4", "/dev/sda1", DriveType::Fixed, u"DATA"_s, {});
    row("disc image on loop", "7:0", "iso9660", "/dev/loop0", DriveType::CdRom, u"IMAGE"_s, {});
    row("disc image in user space", "0:40", "fuse.fuseiso", "/srv/images/disc.iso",
        DriveType::CdRom, u"IMAGE"_s, {});
    row("user-space image without its path", "0:40", "fuse.fuseiso", "fuseiso", DriveType::CdRom,
        {}, {});
    row("tmpfs", "0:41", "tmpfs", "tmpfs", DriveType::RamDisk, {}, {});
    row("cifs", "0:52", "cifs", "//server/share", DriveType::Network, {}, u"\\\\server\\share"_s);
    row("smb3 subfolder", "0:52", "smb3", "//nas/public/music/", DriveType::Network, {},
        u"\\\\nas\\public\\music"_s);
    row("nfs", "0:53", "nfs", "server:/export/dir", DriveType::Network, {},
        u"\\\\server\\export\\dir"_s);
    row("nfs4 IPv6", "0:53", "nfs4", "[fd00::1]:/srv", DriveType::Network, {},
        u"\\\\[fd00::1]\\srv"_s);
    row("sshfs", "0:54", "fuse.sshfs", "anna@host:/home/anna", DriveType::Network, {},
        u"\\\\host\\home\\anna"_s);
    row("sshfs home", "0:54", "fuse.sshfs", "host:", DriveType::Network, {}, u"\\\\host"_s);
    row("davfs", "0:55", "fuse.davfs2", "https://anna@dav.example.org/remote/files",
        DriveType::Network, {}, u"\\\\dav.example.org\\remote\\files"_s);
    row("network source without host", "0:56", "cifs", "none", DriveType::Network, {}, {});
}

void TestLinuxDriveTable::classifiesVolumes()
{
    QFETCH(QByteArray, mount);
    FakeSysfs sysfs;
    FixedMountSource mounts;
    mounts.text = RootMount + mount;
    FakeLabelReader labels;
    labels.labels.insert("/dev/sdb1", u"STICK"_s);
    labels.labels.insert("/dev/sda1", u"DATA"_s);
    labels.labels.insert("/dev/loop0", u"IMAGE"_s);
    labels.labels.insert("/srv/images/disc.iso", u"IMAGE"_s);
    labels.labels.insert("fuseiso", u"wrong"_s);
    labels.labels.insert("//server/share", u"wrong"_s);
    const LinuxDriveTable table(mounts, labels, sysfs.root());

    const std::optional<Drive> drive = table.drive(u'd');
    QVERIFY(drive);
    QCOMPARE(drive->mountPoint, QByteArray("/media/user/VOLUME"));
    QTEST(drive->type, "type");
    QTEST(drive->label, "label");
    QTEST(drive->networkName, "networkName");
}

void TestLinuxDriveTable::offersOnlyRealVolumes_data()
{
    QTest::addColumn<QByteArray>("mount");
    QTest::addColumn<QByteArray>("offeredAt");

    const auto row = [](const char *name, const QByteArray &dev, const QByteArray &mountPoint,
                        const QByteArray &fs, const QByteArray &source,
                        const QByteArray &offeredAt) {
        QTest::newRow(name) << mountLine(2, dev, mountPoint, fs, source) << offeredAt;
    };
    row("proc", "0:21", "/proc", "proc", "proc", {});
    row("autofs trigger", "0:31", "/mnt/net", "autofs", "systemd-1", {});
    row("tracefs elsewhere", "0:12", "/tracing", "tracefs", "tracefs", {});
    row("tmpfs /tmp", "0:26", "/tmp", "tmpfs", "tmpfs", {});
    row("tmpfs beside /media", "0:26", "/mediax", "tmpfs", "tmpfs", {});
    row("disk under /run", "8:1", "/run/foo", "ext4", "/dev/sda1", {});
    row("disk under /boot", "8:1", "/boot/efi", "vfat", "/dev/sda1", {});
    row("snap", "7:0", "/snap/core/123", "squashfs", "/dev/loop0", {});
    row("container overlay", "0:60", "/var/lib/docker/overlay2/x/merged", "overlay", "overlay", {});
    row("stick under /run/media", "8:17", "/run/media/anna/STICK", "vfat", "/dev/sdb1",
        "/run/media/anna/STICK");
    row("disk beside /boot", "8:1", "/bootstrap", "ext4", "/dev/sda1", "/bootstrap");
    row("tmpfs under /media", "0:26", "/media/ram", "tmpfs", "tmpfs", "/media/ram");
    row("ramfs under /mnt", "0:27", "/mnt/ram", "ramfs", "ramfs", "/mnt/ram");
    row("escaped mount point", "8:1", "/mnt/my\\040disk", "ext4", "/dev/sda1", "/mnt/my disk");
}

void TestLinuxDriveTable::offersOnlyRealVolumes()
{
    QFETCH(QByteArray, mount);
    QFETCH(QByteArray, offeredAt);
    FakeSysfs sysfs;
    FixedMountSource mounts;
    mounts.text = RootMount + mount;
    FakeLabelReader labels;
    const LinuxDriveTable table(mounts, labels, sysfs.root());

    QStringList expected{u"c /"_s};
    if (!offeredAt.isEmpty())
        expected.append(u"d "_s + QString::fromUtf8(offeredAt));
    QCOMPARE(lettersAndMountPoints(table), expected);
}

void TestLinuxDriveTable::leavesOutApplicationMounts()
{
    FakeSysfs sysfs;
    FixedMountSource mounts;
    mounts.text = RootMount +
                  mountLine(2, "0:40", "/tmp/.mount_AbCdEf", "fuse.squashfuse", "squashfuse") +
                  mountLine(3, "0:41", "/tmp/tool", "fuse.squashfuse", "/home/anna/Tool.AppImage") +
                  mountLine(4, "0:42", "/opt/app", "fuse.Krita.appimage", "krita") +
                  mountLine(5, "0:43", "/tmp/qt-AbCd/remote", "fuse.sshfs", "anna@host:/") +
                  mountLine(6, "0:44", "/tmp/qt-EfGh/disc", "fuse.fuseiso", "/tmp/qt-EfGh/d.iso") +
                  mountLine(7, "8:17", "/media/anna/.backup", "fuseblk", "/dev/sdb1");
    FakeLabelReader labels;
    const LinuxDriveTable table(mounts, labels, sysfs.root());

    QCOMPARE(lettersAndMountPoints(table),
             (QStringList{u"c /"_s, u"d /media/anna/.backup"_s, u"e /tmp/qt-AbCd/remote"_s,
                          u"f /tmp/qt-EfGh/disc"_s}));
}

// Shares come and go below the gvfs mount while the mount table stays the same.
void TestLinuxDriveTable::offersEachGvfsShare()
{
    QTemporaryDir runtimeDir;
    const QDir gvfs(runtimeDir.filePath(u"gvfs"_s));
    const QString dav = u"dav:host=cloud.example.org,ssl=true,prefix=%2Fremote.php%2Fwebdav"_s;
    const QString smb = u"smb-share:server=nas,share=my%20music"_s;
    const QString sftp = u"sftp:host=example.com,user=me"_s;
    QVERIFY(gvfs.mkpath(dav) && gvfs.mkpath(smb));
    FakeSysfs sysfs;
    FixedMountSource mounts;
    const QByteArray gvfsPath = QFile::encodeName(gvfs.path());
    mounts.text = RootMount + mountLine(2, "0:50", gvfsPath, "fuse.gvfsd-fuse", "gvfsd-fuse");
    FakeLabelReader labels;
    LinuxDriveTable table(mounts, labels, sysfs.root(), runtimeDir.path());

    const QString at = u' ' + gvfs.path() + u'/';
    QCOMPARE(lettersAndMountPoints(table),
             (QStringList{u"c /"_s, u'd' + at + dav, u'e' + at + smb}));
    QCOMPARE(table.drive(u'd')->type, DriveType::Network);
    QCOMPARE(table.drive(u'd')->fileSystem, u"fuse.gvfsd-fuse"_s);
    QCOMPARE(table.drive(u'd')->networkName, u"\\\\cloud.example.org\\remote.php\\webdav"_s);
    QCOMPARE(table.drive(u'e')->networkName, u"\\\\nas\\my music"_s);

    QVERIFY(gvfs.rmdir(dav) && gvfs.mkpath(sftp));
    table.refresh();
    QCOMPARE(lettersAndMountPoints(table),
             (QStringList{u"c /"_s, u'e' + at + smb, u'f' + at + sftp}));
    QCOMPARE(table.drive(u'f')->networkName, u"\\\\example.com"_s);

    QVERIFY(gvfs.mkpath(dav));
    table.refresh();
    QCOMPARE(table.drive(u'd')->mountPoint, QFile::encodeName(gvfs.filePath(dav)));
}

void TestLinuxDriveTable::bindMountsShareOneLetter()
{
    FakeSysfs sysfs;
    FixedMountSource mounts;
    mounts.text = RootMount + mountLine(2, "254:0", "/home", "ext4", "/dev/vda", "/home") +
                  mountLine(3, "8:1", "/srv/projects", "ext4", "/dev/sda1", "/projects") +
                  mountLine(4, "8:1", "/srv/all-of-data", "ext4", "/dev/sda1") +
                  mountLine(5, "8:1", "/data", "ext4", "/dev/sda1");
    FakeLabelReader labels;
    const LinuxDriveTable table(mounts, labels, sysfs.root());

    QCOMPARE(lettersAndMountPoints(table), (QStringList{u"c /"_s, u"d /data"_s}));
}

void TestLinuxDriveTable::topmostMountHidesTheOneBelow()
{
    FakeSysfs sysfs;
    FixedMountSource mounts;
    mounts.text = RootMount + mountLine(2, "8:17", "/media/user/VOLUME", "vfat", "/dev/sdb1") +
                  mountLine(3, "8:33", "/media/user/VOLUME", "ext4", "/dev/sdc1");
    FakeLabelReader labels;
    const LinuxDriveTable table(mounts, labels, sysfs.root());

    QCOMPARE(table.drives().size(), 2);
    QCOMPARE(table.drive(u'd')->device, u"/dev/sdc1"_s);
}

void TestLinuxDriveTable::lettersStayWithTheirVolumes()
{
    FakeSysfs sysfs;
    sysfs.addOptical(u"sr0"_s, "11:0");
    FixedMountSource mounts;
    const QByteArray stickB = mountLine(3, "8:33", "/media/b", "vfat", "/dev/sdc1");
    mounts.text = RootMount + mountLine(2, "8:17", "/media/a", "vfat", "/dev/sdb1") + stickB;
    FakeLabelReader labels;
    LinuxDriveTable table(mounts, labels, sysfs.root());
    QCOMPARE(lettersAndMountPoints(table),
             (QStringList{u"c /"_s, u"d "_s, u"e /media/a"_s, u"f /media/b"_s}));

    // Stick a goes: its letter e is not given to the volumes that come next.
    mounts.text = RootMount + stickB + mountLine(4, "8:1", "/media/0", "ext4", "/dev/sda1") +
                  mountLine(5, "0:52", "/mnt/share", "cifs", "//server/share");
    table.refresh();
    QCOMPARE(lettersAndMountPoints(table),
             (QStringList{u"c /"_s, u"d "_s, u"f /media/b"_s, u"g /media/0"_s, u"h /mnt/share"_s}));

    // Stick a comes back and gets e again.
    mounts.text += mountLine(6, "11:0", "/media/disc", "iso9660", "/dev/sr0") +
                   mountLine(7, "8:17", "/media/a", "vfat", "/dev/sdb1");
    table.refresh();
    QCOMPARE(lettersAndMountPoints(table),
             (QStringList{u"c /"_s, u"d /media/disc"_s, u"e /media/a"_s, u"f /media/b"_s,
                          u"g /media/0"_s, u"h /mnt/share"_s}));
}

void TestLinuxDriveTable::probesLabelsOnlyForNewMounts()
{
    FakeSysfs sysfs;
    FixedMountSource mounts;
    const QByteArray stick = mountLine(2, "8:17", "/media/a", "vfat", "/dev/sdb1");
    mounts.text = RootMount + stick;
    FakeLabelReader labels;
    labels.labels.insert("/dev/sdb1", u"OLD"_s);
    LinuxDriveTable table(mounts, labels, sysfs.root());
    QCOMPARE(labels.asked, (QList<QByteArray>{"/dev/vda", "/dev/sdb1"}));

    labels.asked.clear();
    table.refresh();
    QVERIFY(labels.asked.isEmpty());
    QCOMPARE(table.drive(u'd')->label, u"OLD"_s);

    labels.labels.insert("/dev/sdb1", u"NEW"_s);
    mounts.text = RootMount + mountLine(7, "8:17", "/media/a", "vfat", "/dev/sdb1");
    table.refresh();
    QCOMPARE(labels.asked, QList<QByteArray>{"/dev/sdb1"});
    QCOMPARE(table.drive(u'd')->label, u"NEW"_s);
}

void TestLinuxDriveTable::offersAtMost24Drives()
{
    FakeSysfs sysfs;
    FixedMountSource mounts;
    mounts.text = RootMount;
    for (int i = 10; i < 40; ++i) {
        mounts.text += mountLine(i, "0:" + QByteArray::number(i), "/mnt/v" + QByteArray::number(i),
                                 "nfs", "server:/v" + QByteArray::number(i));
    }
    FakeLabelReader labels;
    LinuxDriveTable table(mounts, labels, sysfs.root());
    QCOMPARE(table.drives().size(), 24);
    QCOMPARE(table.drives().last().letter, QChar(u'z'));
    QCOMPARE(table.drives().last().mountPoint, QByteArray("/mnt/v32"));

    mounts.text.replace(mountLine(15, "0:15", "/mnt/v15", "nfs", "server:/v15"), {});
    table.refresh();
    QCOMPARE(table.drives().size(), 24);
    QCOMPARE(table.drive(u'i')->mountPoint, QByteArray("/mnt/v33"));
}

void TestLinuxDriveTable::decodesUdevEscapes_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("decoded");
    QTest::newRow("plain") << QByteArray("MYDISC") << QByteArray("MYDISC");
    QTest::newRow("space and slash") << QByteArray("My\\x20Disc\\x2f1") << QByteArray("My Disc/1");
    QTest::newRow("upper-case hex") << QByteArray("\\xC3\\xBC") << QByteArray("\xc3\xbc");
    QTest::newRow("not hex kept") << QByteArray("a\\xzz") << QByteArray("a\\xzz");
    QTest::newRow("truncated kept") << QByteArray("a\\x4") << QByteArray("a\\x4");
}

void TestLinuxDriveTable::decodesUdevEscapes()
{
    QFETCH(QByteArray, encoded);
    QTEST(decodeUdevEscapes(encoded), "decoded");
}

void TestLinuxDriveTable::probesLabelOfImageFile_data()
{
    QTest::addColumn<QByteArray>("volumeId");
    QTest::addColumn<QString>("label");
    QTest::newRow("labelled") << QByteArray("TRALBO_DISC") << u"TRALBO_DISC"_s;
    QTest::newRow("no file system") << QByteArray() << QString();
}

// An image file with only an ISO 9660 primary volume descriptor and the set terminator is
// enough for libblkid to recognise the file system and read its label.
void TestLinuxDriveTable::probesLabelOfImageFile()
{
    QFETCH(QByteArray, volumeId);
    constexpr qsizetype Sector = 2048;
    QByteArray image(20 * Sector, '\0');
    if (!volumeId.isEmpty()) {
        const QByteArray primary = QByteArray("\x01"
                                              "CD001\x01",
                                              7);
        image.replace(16 * Sector, primary.size(), primary);
        image.replace(16 * Sector + 8, 32, QByteArray(32, ' '));
        image.replace(16 * Sector + 40, 32, volumeId.leftJustified(32, ' '));
        image.replace(17 * Sector, 7,
                      QByteArray("\xff"
                                 "CD001\x01",
                                 7));
    }
    QTemporaryDir dir;
    QFile file(dir.filePath(u"disc.iso"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(image);
    file.close();

    QTEST(LinuxLabelReader().label(QFile::encodeName(file.fileName()), 0, 0), "label");
    QVERIFY(LinuxLabelReader().label(QFile::encodeName(dir.path()), 0, 0).isEmpty());
    QVERIFY(LinuxLabelReader().label("/nonexistent/disc", 0, 0).isEmpty());
}

void TestLinuxDriveTable::listsRootOfThisSystem()
{
    const ProcMountSource mounts;
    if (mounts.readMountInfo().isEmpty())
        QSKIP("no readable /proc/self/mountinfo");
    const LinuxLabelReader labels;
    const LinuxDriveTable table(mounts, labels);

    const std::optional<Drive> root = table.drive(u'c');
    QVERIFY(root);
    QCOMPARE(root->mountPoint, QByteArray("/"));
    QVERIFY(root->type != DriveType::Unknown);
    QChar previous = u'b';
    for (const Drive &drive : table.drives()) {
        QVERIFY(drive.letter > previous && drive.letter <= u'z');
        previous = drive.letter;
    }
}

QTEST_GUILESS_MAIN(TestLinuxDriveTable)
#include "tst_linuxdrivetable.moc"
