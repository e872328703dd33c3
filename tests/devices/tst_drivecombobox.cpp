#include "devices/DriveComboBox.h"
#include "support/FakeDriveTable.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDriveComboBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listsPresentDrivesUnderTheirCaptions();
    void reportsChangesAsTheUserExpects();
    void updateKeepsTheDriveAndTakesNewLabels();
    void unknownLetterKeepsTheSelection();

private:
    FakeDriveTable m_drives;
};

void TestDriveComboBox::init()
{
    m_drives.setDrives({});
    m_drives.refreshCount = 0;
    m_drives.addDrive(u'c', DriveType::Fixed, u"/"_s, u"System"_s);
    m_drives.addDrive(u'd', DriveType::CdRom, QString());
    m_drives.addDrive(u'g', DriveType::Removable, u"/tmp"_s, u"STICK"_s);
}

void TestDriveComboBox::listsPresentDrivesUnderTheirCaptions()
{
    DriveComboBox box(m_drives, u'c');
    QSignalSpy changes(&box, &DriveComboBox::driveChanged);
    box.buildInitialList();
    QCOMPARE(changes.size(), 1);
    QStringList captions;
    for (int row = 0; row < box.count(); ++row)
        captions.append(box.itemText(row));
    QCOMPARE(captions, (QStringList{u"c: [system]"_s, u"d: []"_s, u"g:"_s}));
    QCOMPARE(box.currentText(), u"c: [system]"_s);
    QCOMPARE(box.drive(), QChar(u'c'));
}

void TestDriveComboBox::reportsChangesAsTheUserExpects()
{
    DriveComboBox box(m_drives, u'C');
    box.buildInitialList();
    QCOMPARE(box.drive(), QChar(u'c'));
    QSignalSpy changes(&box, &DriveComboBox::driveChanged);

    // Choosing another drive reports twice, choosing the shown one again reports once.
    box.setCurrentIndex(1);
    Q_EMIT box.activated(1);
    QCOMPARE(changes.size(), 2);
    QCOMPARE(box.drive(), QChar(u'd'));
    Q_EMIT box.activated(1);
    QCOMPARE(changes.size(), 3);

    box.setDrive(u'D');
    QCOMPARE(changes.size(), 3);
    box.setDrive(u'g');
    QCOMPARE(changes.size(), 4);
    QCOMPARE(box.currentText(), u"g:"_s);
}

void TestDriveComboBox::updateKeepsTheDriveAndTakesNewLabels()
{
    DriveComboBox box(m_drives, u'd');
    box.buildInitialList();
    QSignalSpy changes(&box, &DriveComboBox::driveChanged);
    QList<QString> textsAtReports;
    connect(&box, &DriveComboBox::driveChanged, this,
            [&] { textsAtReports.append(box.currentText()); });

    QList<Drive> drives = m_drives.drives();
    drives[1].mountPoint = "/media/user/MYDISC";
    drives[1].label = u"MYDISC"_s;
    m_drives.setDrives(drives);
    const int refreshes = m_drives.refreshCount;
    box.updateDriveList();

    QCOMPARE(changes.size(), 2);
    QCOMPARE(textsAtReports, (QList<QString>{QString(), u"d: [mydisc]"_s}));
    QCOMPARE(box.drive(), QChar(u'd'));
    QCOMPARE(m_drives.refreshCount, refreshes + 1);
}

void TestDriveComboBox::unknownLetterKeepsTheSelection()
{
    DriveComboBox box(m_drives, u'c');
    box.buildInitialList();
    QSignalSpy changes(&box, &DriveComboBox::driveChanged);
    box.setDrive(u'x');
    QCOMPARE(changes.size(), 1);
    QCOMPARE(box.drive(), QChar(u'x'));
    QCOMPARE(box.currentText(), u"c: [system]"_s);

    // A start-up directory on no drive selects nothing.
    DriveComboBox none(m_drives, QChar());
    none.buildInitialList();
    QCOMPARE(none.currentIndex(), -1);
    QVERIFY(none.drive().isNull());
}

QTEST_MAIN(TestDriveComboBox)
#include "tst_drivecombobox.moc"
