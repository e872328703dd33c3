#include "scan/MSysInfo.h"
#include "support/FakeDriveTable.h"

#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMSysInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countsPresentDrives();
    void gathersFactsOfChosenDrive();
    void fallsBackWithoutVolume_data();
    void fallsBackWithoutVolume();
    void readsMachineFacts();

private:
    QTemporaryDir m_folder;
};

// Only a drive type above "no root directory" counts; drives without a medium count too.
void TestMSysInfo::countsPresentDrives()
{
    FakeDriveTable drives;
    drives.addDrive(u'a', DriveType::Removable, QString());
    drives.addDrive(u'c', DriveType::Fixed, m_folder.path());
    drives.addDrive(u'd', DriveType::CdRom, QString());
    drives.addDrive(u'q', DriveType::NoRootDir, m_folder.path());
    drives.addDrive(u'r', DriveType::Unknown, m_folder.path());
    const TMSysInfo info(drives);
    QCOMPARE(info.diDiskCount(), 3);
    QCOMPARE(info.diAvailableDisks(), u"ACD"_s);
}

void TestMSysInfo::gathersFactsOfChosenDrive()
{
    FakeDriveTable drives;
    Drive disc;
    disc.letter = u'd';
    disc.type = DriveType::CdRom;
    disc.mountPoint = m_folder.path().toUtf8();
    disc.label = u"MYDISC"_s;
    disc.fileSystem = u"iso9660"_s;
    drives.setDrives({disc});
    TMSysInfo info(drives);
    QCOMPARE(info.diSign(), u'C');

    QVERIFY(info.setProperty("diSign", QChar(u'd')));
    QCOMPARE(info.diSign(), u'D');
    QCOMPARE(info.diMediaType(), int(DriveType::CdRom));
    QCOMPARE(info.diVolumeLabel(), u"MYDISC"_s);
    QCOMPARE(info.diFileSystem(), u"iso9660"_s);
    QVERIFY(info.diBytesPerSector() > 0 && info.diSectorsPerCluster() > 0);
    QCOMPARE(info.diTotalSpace(),
             info.diTotalClusters() * info.diSectorsPerCluster() * info.diBytesPerSector());
    // An independent reading of the same volume; a size cut to 32 bits would differ on any
    // volume above 2 GiB.
    QCOMPARE(info.diTotalSpace(), QStorageInfo(m_folder.path()).bytesTotal());
    QVERIFY(info.diFreeSpace() > 0 && info.diFreeSpace() <= info.diTotalSpace());
    QVERIFY(!info.setProperty("diDiskCount", 7));
    QCOMPARE(info.diDiskCount(), 1);
}

void TestMSysInfo::fallsBackWithoutVolume_data()
{
    QTest::addColumn<QChar>("letter");
    QTest::addColumn<int>("mediaType");
    QTest::newRow("letter not present") << QChar(u'x') << int(DriveType::NoRootDir);
    QTest::newRow("drive without medium") << QChar(u'e') << int(DriveType::CdRom);
    QTest::newRow("mount point gone") << QChar(u'f') << int(DriveType::Removable);
}

void TestMSysInfo::fallsBackWithoutVolume()
{
    QFETCH(QChar, letter);
    QFETCH(int, mediaType);
    FakeDriveTable drives;
    drives.addDrive(u'c', DriveType::Fixed, m_folder.path(), u"SYSTEM"_s);
    drives.addDrive(u'e', DriveType::CdRom, QString());
    drives.addDrive(u'f', DriveType::Removable, m_folder.filePath(u"gone"_s));
    TMSysInfo info(drives);
    QVERIFY(info.diTotalSpace() > 0);

    info.setDiSign(letter);
    QCOMPARE(info.diSign(), letter.toUpper());
    QCOMPARE(info.diMediaType(), mediaType);
    for (const qint64 value : {info.diSectorsPerCluster(), info.diBytesPerSector(),
                               info.diTotalClusters(), info.diTotalSpace(), info.diFreeSpace()})
        QCOMPARE(value, -1);
    QVERIFY(!info.diCompressed());
    QCOMPARE(info.diFileSystem(), u"?"_s);
    QCOMPARE(info.diVolumeLabel(), u"?"_s);
    QCOMPARE(info.diSerialNumber(), 0);
}

// The Linux sources parse into plausible figures.
void TestMSysInfo::readsMachineFacts()
{
    FakeDriveTable drives;
    const TMSysInfo info(drives);
    const TMemoryInfo &memory = info.memory();
    QVERIFY(memory.miTotalPhys > 0);
    QVERIFY(memory.miFreePhys > 0 && memory.miFreePhys <= memory.miTotalPhys);
    QVERIFY(memory.miFreeMem >= 0 && memory.miFreeMem <= 100);
    QVERIFY(memory.miPageSize >= 4096 && (memory.miPageSize & (memory.miPageSize - 1)) == 0);
    QVERIFY(info.processor().cpuNumber >= 1);
    QVERIFY(info.processor().cpuActiveMask != 0);
    QVERIFY(info.system().osMajorVersion >= 2);
    QVERIFY(!info.system().osUser.isEmpty());
}

QTEST_GUILESS_MAIN(TestMSysInfo)
#include "tst_msysinfo.moc"
