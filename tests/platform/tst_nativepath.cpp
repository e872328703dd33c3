#include "platform/NativePath.h"
#include "support/FakeDriveTable.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestNativePath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileNamesRoundTrip_data();
    void fileNamesRoundTrip();
    void mapsProgramPathsBothWays();
    void refusesPathsWithoutMountedDrive();
};

void TestNativePath::fileNamesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("SETUP.EXE") << u"SETUP.EXE"_s;
    QTest::newRow("utf8 umlaut") << QByteArray("M\xc3\xbcller.txt") << u"Müller.txt"_s;
    QTest::newRow("latin1 byte") << QByteArray("M\xfcller") << u"M\xdcfcller"_s;
    QTest::newRow("truncated sequence") << QByteArray("A\xc3") << u"A\xdcc3"_s;
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << u"\xdcc0\xdcaf"_s;
    QTest::newRow("four bytes") << QByteArray("\xf0\x9f\x92\xbf") << u"\U0001F4BF"_s;
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << u"\xdced\xdca0\xdc80"_s;
}

void TestNativePath::fileNamesRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeFileName(bytes), text);
    QCOMPARE(encodeFileName(text), bytes);
}

void TestNativePath::mapsProgramPathsBothWays()
{
    FakeDriveTable drives;
    drives.addDrive(u'c', DriveType::Fixed, u"/"_s);
    drives.addDrive(u'd', DriveType::CdRom, u"/media/user/MYDISC"_s);

    QCOMPARE(PathMapper(drives).toNative(u"d:\\GAMES\\SETUP.EXE"),
             QByteArray("/media/user/MYDISC/GAMES/SETUP.EXE"));
    QCOMPARE(PathMapper(drives).toNative(u"D:\\"), QByteArray("/media/user/MYDISC/"));
    QCOMPARE(PathMapper(drives).toNative(u"c:\\etc"), QByteArray("/etc"));
    QCOMPARE(PathMapper(drives).toProgram("/media/user/MYDISC/GAMES/SETUP.EXE"),
             u"d:\\GAMES\\SETUP.EXE"_s);
    QCOMPARE(PathMapper(drives).toProgram("/media/user/MYDISC"), u"d:\\"_s);
    QCOMPARE(PathMapper(drives).toProgram("/media/user/MYDISCX/a"),
             u"c:\\media\\user\\MYDISCX\\a"_s);
}

void TestNativePath::refusesPathsWithoutMountedDrive()
{
    FakeDriveTable drives;
    drives.addDrive(u'd', DriveType::CdRom, QString());
    QVERIFY(!PathMapper(drives).toNative(u"d:\\A.EXE").has_value());
    QVERIFY(!PathMapper(drives).toNative(u"x:\\A.EXE").has_value());
    QVERIFY(!PathMapper(drives).toNative(u"\\\\server\\share").has_value());
    QVERIFY(!PathMapper(drives).toProgram("/tmp").has_value());
}

QTEST_GUILESS_MAIN(TestNativePath)
#include "tst_nativepath.moc"
