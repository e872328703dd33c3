#include "devices/MountWatcher.h"
#include "platform/LabelReader.h"
#include "platform/LinuxDriveTable.h"
#include "platform/MountSource.h"
#include "platform/ProcMountSource.h"
#include "support/FakeSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class NoLabels final : public LabelReader
{
public:
    QString label(const QByteArray &, int, int) const override { return {}; }
};

// A /sys tree with one optical drive, sr0 (11:0), and one removable disk, sdb with sdb1.
class FakeSysfs
{
public:
    FakeSysfs()
    {
        const QString sr0 = block(u"sr0"_s, "11:0");
        write(sr0 + u"/device/type"_s, "5");
        const QString sdb = block(u"sdb"_s, "8:16");
        write(sdb + u"/removable"_s, "1");
        const QString sdb1 = device(u"sdb/sdb1"_s, "8:17");
        write(sdb1 + u"/partition"_s, "1");
    }

    QString root() const { return m_dir.path(); }

private:
    QString block(const QString &name, const QByteArray &dev)
    {
        const QString path = device(name, dev);
        link(path, u"block/"_s + name);
        return path;
    }

    QString device(const QString &relativePath, const QByteArray &dev)
    {
        const QString path = m_dir.filePath(u"devices/"_s + relativePath);
        write(path + u"/dev"_s, dev);
        link(path, u"dev/block/"_s + QString::fromLatin1(dev));
        return path;
    }

    void link(const QString &target, const QString &relativeLink)
    {
        const QString path = m_dir.filePath(relativeLink);
        if (!QDir().mkpath(QFileInfo(path).path()) || !QFile::link(target, path))
            qFatal("cannot link %s", qPrintable(path));
    }

    void write(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(content + '\n');
    }

    QTemporaryDir m_dir;
};

QByteArray mountLine(int id, const QByteArray &dev, const QByteArray &mountPoint,
                     const QByteArray &fs, const QByteArray &source)
{
    return QByteArray::number(id) + " 1 " + dev + " / " + mountPoint + " rw,relatime - " + fs +
           ' ' + source + " rw\n";
}

const QByteArray Root = mountLine(1, "254:0", "/", "ext4", "/dev/vda");
const QByteArray Proc = mountLine(2, "0:21", "/proc", "proc", "proc");
const QByteArray Disc = mountLine(30, "11:0", "/media/user/MYDISC", "iso9660", "/dev/sr0");
const QByteArray OtherDisc = mountLine(31, "11:0", "/media/user/GAMES", "udf", "/dev/sr0");
const QByteArray Stick = mountLine(32, "8:17", "/media/user/STICK", "vfat", "/dev/sdb1");
const QByteArray Image = mountLine(33, "0:40", "/media/user/IMAGE", "fuse.fuseiso", "fuseiso");
const QByteArray RunTmpfs = mountLine(34, "0:41", "/run/user/1000", "tmpfs", "tmpfs");

constexpr quint32 C = 1u << 2;
constexpr quint32 D = 1u << 3;
constexpr quint32 E = 1u << 4;
constexpr quint32 F = 1u << 5;

VolumeNotice arrival(quint32 unitMask, quint16 flags)
{
    return {VolumeNotice::Arrival, VolumeNotice::VolumeDevice, unitMask, flags};
}

VolumeNotice removal(quint32 unitMask, quint16 flags)
{
    return {VolumeNotice::RemoveComplete, VolumeNotice::VolumeDevice, unitMask, flags};
}

} // namespace

char *toString(const VolumeNotice &notice)
{
    return qstrdup(QByteArray("{0x" + QByteArray::number(notice.eventCode, 16) + ", " +
                              QByteArray::number(notice.deviceType) + ", 0x" +
                              QByteArray::number(notice.unitMask, 16) + ", " +
                              QByteArray::number(notice.flags) + '}')
                       .constData());
}

class TestMountWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsEachChange_data();
    void reportsEachChange();
    void keepsLettersOfRemovedMounts();
    void sharesOpenedInTheFileManagerAreReported();
    void realMountInAPrivateNamespace();
};

void TestMountWatcher::reportsEachChange_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QList<VolumeNotice>>("notices");
    const quint16 media = VolumeNotice::MediaFlag;
    QTest::newRow("disc in") << Root + Proc << Root + Proc + Disc
                             << QList<VolumeNotice>{arrival(D, media)};
    QTest::newRow("disc out") << Root + Disc + Proc << Root + Proc
                              << QList<VolumeNotice>{removal(D, media)};
    QTest::newRow("stick in, no media flag")
        << Root << Root + Stick << QList<VolumeNotice>{arrival(E, 0)};
    QTest::newRow("stick out") << Root + Stick << Root << QList<VolumeNotice>{removal(E, 0)};
    QTest::newRow("disc image") << Root << Root + Image << QList<VolumeNotice>{arrival(E, media)};
    QTest::newRow("several folded into one")
        << Root << Root + Stick + RunTmpfs + Disc
        << QList<VolumeNotice>{arrival(E, 0), arrival(0, 0), arrival(D, media)};
    QTest::newRow("disc swapped") << Root + Disc << Root + OtherDisc
                                  << QList<VolumeNotice>{removal(D, media), arrival(D, media)};
    QTest::newRow("same mounts, new order and ids")
        << Root + Stick + Disc << Stick + Disc.mid(1).prepend('9') + Root << QList<VolumeNotice>{};
    QTest::newRow("root on another device") << Root << QByteArray(Root).replace("254:0", "254:1")
                                            << QList<VolumeNotice>{removal(C, 0), arrival(C, 0)};
    QTest::newRow("unreadable table")
        << Root + Stick << QByteArray() << QList<VolumeNotice>{removal(C, 0), removal(E, 0)};
}

void TestMountWatcher::reportsEachChange()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(QList<VolumeNotice>, notices);
    const FakeSysfs sysfs;
    const NoLabels labels;
    FixedMountSource mounts;
    mounts.text = before;
    LinuxDriveTable drives(mounts, labels, sysfs.root());
    MountWatcher watcher(mounts, drives);
    QList<VolumeNotice> seen;
    connect(&watcher, &MountWatcher::volumeNotice, this,
            [&](const VolumeNotice &notice) { seen.append(notice); });

    watcher.checkNow();
    QVERIFY(seen.isEmpty());
    mounts.text = after;
    watcher.checkNow();
    QCOMPARE(seen, notices);
    seen.clear();
    watcher.checkNow();
    QVERIFY(seen.isEmpty());
}

// The drive table forgets a volume once it is gone; its removal still names its letter.
void TestMountWatcher::keepsLettersOfRemovedMounts()
{
    const FakeSysfs sysfs;
    const NoLabels labels;
    FixedMountSource mounts;
    mounts.text = Root + Stick;
    LinuxDriveTable drives(mounts, labels, sysfs.root());
    MountWatcher watcher(mounts, drives);
    QList<VolumeNotice> seen;
    connect(&watcher, &MountWatcher::volumeNotice, this,
            [&](const VolumeNotice &notice) { seen.append(notice); });

    mounts.text = Root + Stick + Image;
    watcher.checkNow();
    mounts.text = Root + Image;
    watcher.checkNow();
    QCOMPARE(seen, (QList<VolumeNotice>{arrival(F, VolumeNotice::MediaFlag), removal(E, 0)}));
    QVERIFY(!drives.drive(u'e'));
}

// The kernel's own signal: a shell in a private mount namespace mounts a "disc" (a tmpfs named
// after the optical drive) and unmounts it; the watcher hears both through the event loop.
// A share opened in the file manager is a folder below one fixed mount: the mount table does not
// change, and still the share arrives and goes within a second.
void TestMountWatcher::sharesOpenedInTheFileManagerAreReported()
{
    const FakeSysfs sysfs;
    const QTemporaryDir runtime;
    const QByteArray gvfs = QFile::encodeName(runtime.filePath(u"gvfs"_s));
    QVERIFY(QDir().mkpath(QFile::decodeName(gvfs)));
    FixedMountSource mounts;
    mounts.text = Root + mountLine(40, "0:50", gvfs, "fuse.gvfsd-fuse", "gvfsd-fuse");
    const NoLabels labels;
    LinuxDriveTable drives(mounts, labels, sysfs.root(), runtime.path());
    MountWatcher watcher(mounts, drives);
    QList<VolumeNotice> notices;
    connect(&watcher, &MountWatcher::volumeNotice, this,
            [&](const VolumeNotice &notice) { notices.append(notice); });

    const QString share = QFile::decodeName(gvfs) + u"/smb-share:server=nas,share=music"_s;
    QVERIFY(QDir().mkpath(share));
    QTRY_COMPARE_WITH_TIMEOUT(notices, QList<VolumeNotice>{arrival(E, 0)}, 1000);
    QCOMPARE(drives.drive(u'e')->networkName, u"\\\\nas\\music"_s);
    QVERIFY(QDir(share).removeRecursively());
    QTRY_COMPARE_WITH_TIMEOUT(notices, (QList<VolumeNotice>{arrival(E, 0), removal(E, 0)}), 1000);
}

void TestMountWatcher::realMountInAPrivateNamespace()
{
    const QString unshare = QStandardPaths::findExecutable(u"unshare"_s);
    if (unshare.isEmpty())
        QSKIP("unshare is not installed");
    QProcess shell;
    shell.start(unshare, {u"-rm"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s,
                          u"mount -t tmpfs scratch /run && mkdir -p /run/media/MYDISC && "
                          "echo ready && read go && "
                          "{ mount -t tmpfs /dev/sr0 /run/media/MYDISC && echo mounted; } && "
                          "read go && umount /run/media/MYDISC && read go"_s});
    QVERIFY(shell.waitForStarted(5000));
    if (!shell.waitForReadyRead(5000) || shell.readLine().trimmed() != "ready") {
        shell.kill();
        shell.waitForFinished(5000);
        QSKIP("no private mount namespace here");
    }

    const FakeSysfs sysfs;
    const NoLabels labels;
    const ProcMountSource mounts(shell.processId());
    LinuxDriveTable drives(mounts, labels, sysfs.root());
    QCOMPARE(drives.drive(u'd').value().mountPoint, QByteArray());
    MountWatcher watcher(mounts, drives);
    QList<VolumeNotice> seen;
    connect(&watcher, &MountWatcher::volumeNotice, this,
            [&](const VolumeNotice &notice) { seen.append(notice); });

    shell.write("\n");
    QVERIFY(shell.waitForReadyRead(5000));
    if (shell.readLine().trimmed() != "mounted") {
        shell.kill();
        shell.waitForFinished(5000);
        QSKIP("tmpfs cannot be mounted here");
    }
    const QList<VolumeNotice> mounted{arrival(D, VolumeNotice::MediaFlag)};
    QTRY_COMPARE_WITH_TIMEOUT(seen, mounted, 5000);
    QCOMPARE(drives.drive(u'd').value().mountPoint, QByteArray("/run/media/MYDISC"));

    shell.write("\n");
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 5000);
    QCOMPARE(seen.last(), removal(D, VolumeNotice::MediaFlag));
    shell.write("\n");
    QVERIFY(shell.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(TestMountWatcher)
#include "tst_mountwatcher.moc"
