#include "devices/DriveCaption.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestDriveCaption : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void captions_data();
    void captions();
};

void TestDriveCaption::captions_data()
{
    QTest::addColumn<QChar>("letter");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("network");
    QTest::addColumn<QString>("caption");
    QTest::newRow("fixed") << QChar(u'c') << 3 << u"SYSTEM"_s << QString() << u"c: [system]"_s;
    QTest::newRow("cd") << QChar(u'd') << 5 << u"MyDisc"_s << QString() << u"d: [mydisc]"_s;
    QTest::newRow("cd without disc") << QChar(u'd') << 5 << QString() << QString() << u"d: []"_s;
    QTest::newRow("umlaut label") << QChar(u'f') << 3 << u"DATEN ÄÖÜ"_s << QString()
                                  << u"f: [daten äöü]"_s;
    QTest::newRow("removable has no label part")
        << QChar(u'a') << 2 << u"STICK"_s << QString() << u"a:"_s;
    QTest::newRow("network name") << QChar(u'e') << 4 << QString() << u"\\\\Server\\Share"_s
                                  << u"e: \\\\server\\share"_s;
    QTest::newRow("network without name")
        << QChar(u'e') << 4 << u"NAS"_s << QString() << u"e: [nas]"_s;
    QTest::newRow("ram disk") << QChar(u'r') << 6 << u"RAM"_s << QString() << u"r: [ram]"_s;
    QTest::newRow("upper-case letter keeps upper case")
        << QChar(u'D') << 5 << u"MyDisc"_s << QString() << u"D: [MYDISC]"_s;
    QTest::newRow("no root") << QChar(u'x') << 1 << u"X"_s << QString() << QString();
}

void TestDriveCaption::captions()
{
    QFETCH(QChar, letter);
    QFETCH(int, type);
    QFETCH(QString, label);
    QFETCH(QString, network);
    QFETCH(QString, caption);
    Drive drive;
    drive.letter = letter;
    drive.type = DriveType(type);
    drive.label = label;
    drive.networkName = network;
    QCOMPARE(driveCaption(drive), caption);
}

QTEST_GUILESS_MAIN(TestDriveCaption)
#include "tst_drivecaption.moc"
