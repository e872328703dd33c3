#include "platform/MountInfo.h"

#include <QTest>

class TestMountInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesFields_data();
    void parsesFields();
    void skipsMalformedLines_data();
    void skipsMalformedLines();
    void unescapesOctal_data();
    void unescapesOctal();
};

void TestMountInfo::parsesFields_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("mountId");
    QTest::addColumn<int>("parentId");
    QTest::addColumn<unsigned>("major");
    QTest::addColumn<unsigned>("minor");
    QTest::addColumn<QByteArray>("root");
    QTest::addColumn<QByteArray>("mountPoint");
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QByteArray>("fileSystem");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("superOptions");

    QTest::newRow("optional fields")
        << QByteArray("36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 shared:7 - ext3 /dev/root "
                      "rw,errors=continue")
        << 36 << 35 << 98u << 0u << QByteArray("/mnt1") << QByteArray("/mnt2")
        << QByteArray("rw,noatime") << QByteArray("ext3") << QByteArray("/dev/root")
        << QByteArray("rw,errors=continue");
    QTest::newRow("escaped blanks and backslash")
        << QByteArray("90 27 8:17 /a\\040b /media/user/MY\\040DISC\\011\\012x rw - vfat "
                      "/dev/disk/by-label/MY\\134x rw")
        << 90 << 27 << 8u << 17u << QByteArray("/a b") << QByteArray("/media/user/MY DISC\t\nx")
        << QByteArray("rw") << QByteArray("vfat") << QByteArray("/dev/disk/by-label/MY\\x")
        << QByteArray("rw");
    QTest::newRow("empty source") << QByteArray("50 27 0:45 / /f rw - fuse  rw") << 50 << 27 << 0u
                                  << 45u << QByteArray("/") << QByteArray("/f") << QByteArray("rw")
                                  << QByteArray("fuse") << QByteArray() << QByteArray("rw");
}

void TestMountInfo::parsesFields()
{
    QFETCH(QByteArray, line);
    const QList<MountEntry> entries = parseMountInfo(line + '\n');
    QCOMPARE(entries.size(), 1);
    const MountEntry &entry = entries.first();
    QTEST(entry.mountId, "mountId");
    QTEST(entry.parentId, "parentId");
    QTEST(entry.major, "major");
    QTEST(entry.minor, "minor");
    QTEST(entry.root, "root");
    QTEST(entry.mountPoint, "mountPoint");
    QTEST(entry.options, "options");
    QTEST(entry.fileSystem, "fileSystem");
    QTEST(entry.source, "source");
    QTEST(entry.superOptions, "superOptions");
}

void TestMountInfo::skipsMalformedLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no separator") << QByteArray("2 1 8:1 / /x rw shared:1 ext4 /dev/sda1 rw");
    QTest::newRow("separator too early") << QByteArray("2 1 8:1 / - ext4 /dev/sda1 rw");
    QTest::newRow("nothing after separator") << QByteArray("2 1 8:1 / /x rw -");
    QTest::newRow("super options missing") << QByteArray("2 1 8:1 / /x rw - ext4 /dev/sda1");
    QTest::newRow("extra field at end") << QByteArray("2 1 8:1 / /x rw - ext4 /dev/sda1 rw more");
    QTest::newRow("negative id") << QByteArray("-2 1 8:1 / /x rw - ext4 /dev/sda1 rw");
    QTest::newRow("id overflows") << QByteArray("99999999999 1 8:1 / /x rw - ext4 /dev/sda1 rw");
    QTest::newRow("no colon in device") << QByteArray("2 1 81 / /x rw - ext4 /dev/sda1 rw");
    QTest::newRow("minor not a number") << QByteArray("2 1 8:x / /x rw - ext4 /dev/sda1 rw");
    QTest::newRow("major empty") << QByteArray("2 1 :1 / /x rw - ext4 /dev/sda1 rw");
    QTest::newRow("empty mount point") << QByteArray("2 1 8:1 /  rw - ext4 /dev/sda1 rw");
    QTest::newRow("empty file system") << QByteArray("2 1 8:1 / /x rw -  /dev/sda1 rw");
    QTest::newRow("binary") << QByteArray(1, '\0') + "\xff\\0 1 2:3 / /x - - - -";
}

void TestMountInfo::skipsMalformedLines()
{
    QFETCH(QByteArray, line);
    const QByteArray text = "1 0 254:0 / / rw - ext4 /dev/vda rw\n" + line +
                            "\n3 1 0:40 / /mnt/ram rw - tmpfs tmpfs rw";
    const QList<MountEntry> entries = parseMountInfo(text);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].mountPoint, QByteArray("/"));
    QCOMPARE(entries[1].mountPoint, QByteArray("/mnt/ram"));
}

void TestMountInfo::unescapesOctal_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QByteArray>("decoded");
    QTest::newRow("plain") << QByteArray("/media/disc") << QByteArray("/media/disc");
    QTest::newRow("space at ends") << QByteArray("\\040a\\040") << QByteArray(" a ");
    QTest::newRow("high byte") << QByteArray("\\303\\274") << QByteArray("\xc3\xbc");
    QTest::newRow("escaped backslash before digits")
        << QByteArray("\\134040") << QByteArray("\\040");
    QTest::newRow("out of range kept") << QByteArray("\\400") << QByteArray("\\400");
    QTest::newRow("non-octal digit kept") << QByteArray("\\048") << QByteArray("\\048");
    QTest::newRow("truncated at end kept") << QByteArray("a\\04") << QByteArray("a\\04");
    QTest::newRow("lone backslash kept") << QByteArray("a\\") << QByteArray("a\\");
}

void TestMountInfo::unescapesOctal()
{
    QFETCH(QByteArray, field);
    QTEST(unescapeMountField(field), "decoded");
}

QTEST_GUILESS_MAIN(TestMountInfo)
#include "tst_mountinfo.moc"
