#include "catalogue/DiscNameList.h"
#include "devices/DriveComboBox.h"
#include "devices/MountWatcher.h"
#include "support/CatalogueRows.h"
#include "support/FormFixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void opensWithEveryControlInItsInitialState();
    void captionsAndBuddies_data();
    void captionsAndBuddies();
    void optionInterlocksRunOnEveryChange();
    void discNameListFile_data();
    void discNameListFile();
    void failedCloseKeepsTheWindowOpen();
    void secondCloseAfterAFailedListWriteCloses();
    void scanKeepsSelectedFilesInReverseFinderOrder();
    void everyPassingTestAppendsTheFileAgain();
    void unusableLineLimitIsReset();
    void emptyDriveEndsWithRangeError_data();
    void emptyDriveEndsWithRangeError();
    void scanRefusesReentryAndClose();
    void rescanReplacesThePreviousResult();
    void selectorFollowsEveryVolume();
    void driveTableStaysDuringAScan();
    void unmountedMediumIsMountedWhenChosenOrScanned_data();
    void unmountedMediumIsMountedWhenChosenOrScanned();
    void closingKeepsDiscsListedMeanwhile();
    void importWaitsForAnotherWriterAndSaysSo();
    void wholeListingIsNotOfferedToScreenReaders();
    void longSelectionIsOfferedAPageAtATime();

private:
    void showForm() { m_fixture->show(); }
    template <typename T> T *control(const QString &name) const
    {
        return m_fixture->control<T>(name);
    }
    QStringList scanDrive(QChar letter);
    // Shows the window and scans a disc in d: holding the files, keeping the *.EXE files.
    void scanExeFiles(const QStringList &names);

    std::unique_ptr<FormFixture> m_fixture;
};

void TestForm1::init()
{
    m_fixture = std::make_unique<FormFixture>();
}

void TestForm1::cleanup()
{
    m_fixture.reset();
}

QStringList TestForm1::scanDrive(QChar letter)
{
    control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(letter);
    m_fixture->form->jep1Click();
    return rows(control<QListView>(u"ListBox2"_s));
}

void TestForm1::scanExeFiles(const QStringList &names)
{
    const QString disc = m_fixture->path(u"disc"_s);
    for (const QString &name : names)
        writeFile(disc + u'/' + name);
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc, u"MYDISC"_s);
    showForm();
    control<QCheckBox>(u"cb1"_s)->setChecked(true);
    scanDrive(u'd');
}

void TestForm1::opensWithEveryControlInItsInitialState()
{
    showForm();
    QCOMPARE(m_fixture->form->windowTitle(), u"Tralbo ...der Olvane Skivra 1.0"_s);
    QCOMPARE(m_fixture->form->size(), QSize(720, 454));
    QCOMPARE(m_fixture->form->minimumSize(), m_fixture->form->maximumSize());

    auto *pages = control<QTabWidget>(u"PageControl1"_s);
    QCOMPARE(pages->count(), 3);
    QCOMPARE(pages->tabText(0), u"CD Import"_s);
    QCOMPARE(pages->tabText(1), u"Datenansicht"_s);
    QCOMPARE(pages->tabText(2), u"Virtual Drive"_s);
    QCOMPARE(pages->currentIndex(), 0);

    for (const QString &name : {u"cb1"_s, u"cb2"_s, u"cb3"_s, u"cb4"_s, u"cb5"_s, u"cb6"_s,
                                u"cb7"_s, u"cb8"_s, u"cb9"_s, u"cb10"_s, u"cb20"_s, u"cb30"_s})
        QVERIFY2(!control<QCheckBox>(name)->isChecked(), qPrintable(name));
    QVERIFY(!control<QPushButton>(u"db1"_s)->isEnabled());
    QVERIFY(control<QPushButton>(u"jep1"_s)->isEnabled());

    auto *edit1 = control<QLineEdit>(u"Edit1"_s);
    QCOMPARE(edit1->text(), u".DPR"_s);
    QVERIFY(!edit1->isEnabled());
    QCOMPARE(edit1->palette().color(QPalette::Disabled, QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(control<QLineEdit>(u"Edit3"_s)->text(), u".DOC"_s);
    QCOMPARE(control<QLineEdit>(u"Edit4"_s)->text(), u"40"_s);
    QCOMPARE(control<QLineEdit>(u"Edit2"_s)->text(), u"c:\\"_s);
    QCOMPARE(control<QProgressBar>(u"PB1"_s)->maximum(), 100);
    QCOMPARE(control<QComboBox>(u"DriveComboBox1"_s)->currentText(), u"c: [system]"_s);

    for (const QString &hidden : {u"ListBox1"_s, u"Memo2"_s, u"DirTree1"_s})
        QVERIFY2(m_fixture->form->findChild<QWidget *>(hidden)->isHidden(), qPrintable(hidden));

    QCOMPARE(rows(control<QListWidget>(u"TL1"_s)), QStringList{u"Alle CD's"_s});
    QCOMPARE(rows(control<QListWidget>(u"TL2"_s)), QStringList{u"Alle CD's"_s});
    QCOMPARE(control<QListWidget>(u"TL1"_s)->currentRow(), 0);
    QCOMPARE(control<QListWidget>(u"TL2"_s)->currentRow(), 0);
    QCOMPARE(m_fixture->dialogs.total(), 0);
    QCOMPARE(m_fixture->form->geometry().center(),
             QGuiApplication::primaryScreen()->availableGeometry().center());
}

void TestForm1::captionsAndBuddies_data()
{
    QTest::addColumn<QString>("labelName");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("buddyName");
    QTest::addColumn<QString>("spokenName");
    QTest::newRow("Label9") << u"Label9"_s << u"Importierte Daten (Dateien und Pfade):"_s
                            << u"ListBox2"_s << u"Importierte Daten (Dateien und Pfade):"_s;
    QTest::newRow("Label10") << u"Label10"_s << u"FILE_ID.DIZ/README.TXT falls vorhanden:"_s
                             << u"Memo1"_s << u"FILE_ID.DIZ/README.TXT falls vorhanden:"_s;
    QTest::newRow("Label11") << u"Label11"_s << u"Dateien in Zip Archiv falls importiert:"_s
                             << u"Memo3"_s << u"Dateien in Zip Archiv falls importiert:"_s;
    QTest::newRow("Label12") << u"Label12"_s << u"Importlaufwerk wählen:"_s << u"DriveComboBox1"_s
                             << u"Importlaufwerk wählen:"_s;
    QTest::newRow("Label2") << u"Label2"_s << u"Zeilen."_s << u"Edit4"_s
                            << u"Dateien kürzen wenn länger als Zeilen."_s;
    QTest::newRow("Label5") << u"Label5"_s << u"CD's in Datenbank:"_s << u"TL1"_s
                            << u"CD's in Datenbank:"_s;
    QTest::newRow("Label4") << u"Label4"_s << u"Suche nach:"_s << u"Edit5"_s << u"Suche nach:"_s;
    QTest::newRow("Label3") << u"Label3"_s << u"CD:"_s << u"DBEdit1"_s << u"CD:"_s;
    QTest::newRow("Label6") << u"Label6"_s << u"Gespeicherte Daten:"_s << u"RxDBGrid1"_s
                            << u"Gespeicherte Daten:"_s;
    QTest::newRow("Label7") << u"Label7"_s << u"File_ID.DIZ/README.TXT falls vorhanden:"_s
                            << u"DBMemo1"_s << u"File_ID.DIZ/README.TXT falls vorhanden:"_s;
    QTest::newRow("Label8") << u"Label8"_s << u"Dateien in Zip Archiv falls importiert:"_s
                            << u"DBMemo2"_s << u"Dateien in Zip Archiv falls importiert:"_s;
    QTest::newRow("Label14") << u"Label14"_s << u"CD's in Datenbank:"_s << u"TL2"_s
                             << u"CD's in Datenbank:"_s;
    QTest::newRow("Label15") << u"Label15"_s << u"Virtuelles Laufwerk, falls bei Import erstellt:"_s
                             << u"TreeView1"_s
                             << u"Virtuelles Laufwerk, falls bei Import erstellt:"_s;
}

void TestForm1::captionsAndBuddies()
{
    QFETCH(QString, labelName);
    QFETCH(QString, caption);
    QFETCH(QString, buddyName);
    QFETCH(QString, spokenName);
    showForm();
    auto *label = control<QLabel>(labelName);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->buddy(), control<QWidget>(buddyName));
    // Screen readers announce the control by its label: by name, or, for a combo box whose name
    // is its current item, through the "labelled by" relation.
    QAccessibleInterface *control = QAccessible::queryAccessibleInterface(label->buddy());
    const auto labels = control->relations(QAccessible::Label);
    const bool labelled = std::any_of(labels.begin(), labels.end(), [&](const auto &relation) {
        return relation.first->object() == label;
    });
    if (qobject_cast<QComboBox *>(label->buddy()))
        QVERIFY(labelled);
    else
        QCOMPARE(control->text(QAccessible::Name), spokenName);
}

void TestForm1::optionInterlocksRunOnEveryChange()
{
    showForm();
    auto *cb4 = control<QCheckBox>(u"cb4"_s);
    auto *cb7 = control<QCheckBox>(u"cb7"_s);
    cb7->setChecked(true);
    QVERIFY(cb4->isChecked());
    cb4->setChecked(false);
    QVERIFY(!cb7->isChecked());
    cb4->setChecked(true);
    QVERIFY(!cb7->isChecked());
    QTest::mouseClick(cb7, Qt::LeftButton, {}, QPoint(5, cb7->height() / 2));
    QVERIFY(cb7->isChecked());
    QTest::mouseClick(cb4, Qt::LeftButton, {}, QPoint(5, cb4->height() / 2));
    QVERIFY(!cb4->isChecked());
    QVERIFY(!cb7->isChecked());

    auto *edit1 = control<QLineEdit>(u"Edit1"_s);
    edit1->setText(u".PAS"_s);
    control<QCheckBox>(u"cb9"_s)->setChecked(true);
    QVERIFY(edit1->isEnabled());
    QCOMPARE(edit1->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
    control<QCheckBox>(u"cb9"_s)->setChecked(false);
    QVERIFY(!edit1->isEnabled());
    QCOMPARE(edit1->text(), u".PAS"_s);

    auto *edit3 = control<QLineEdit>(u"Edit3"_s);
    control<QCheckBox>(u"cb10"_s)->setChecked(true);
    QVERIFY(edit3->isEnabled());
    QCOMPARE(edit3->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::white));
}

void TestForm1::discNameListFile_data()
{
    QTest::addColumn<QByteArray>("content"); // "<none>": no file, "<dir>": a folder of that name
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("first start") << QByteArray("<none>") << QStringList{u"Alle CD's"_s}
                                 << QByteArray("Alle CD's\r\n");
    QTest::newRow("empty file") << QByteArray() << QStringList() << QByteArray();
    QTest::newRow("lf only") << QByteArray("Alle CD's\nGAMES\n")
                             << QStringList{u"Alle CD's"_s, u"GAMES"_s}
                             << QByteArray("Alle CD's\r\nGAMES\r\n");
    QTest::newRow("blanks and nul")
        << QByteArray(" A \r\n\r\nB\0junk", 13) << QStringList{u" A "_s, QString(), u"B"_s}
        << QByteArray(" A \r\n\r\nB\r\n");
    QTest::newRow("folder of that name")
        << QByteArray("<dir>") << QStringList{u"Alle CD's"_s} << QByteArray("<missing>");
}

void TestForm1::discNameListFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, names);
    QFETCH(QByteArray, written);
    const QString listFile = m_fixture->path(u"app/Quilo.lst"_s);
    if (content == "<dir>")
        QDir().mkpath(listFile);
    else if (content != "<none>")
        writeFile(listFile, content);

    showForm();
    QCOMPARE(rows(control<QListWidget>(u"TL1"_s)), names);
    QCOMPARE(rows(control<QListWidget>(u"TL2"_s)), names);
    QCOMPARE(control<QListWidget>(u"TL1"_s)->currentRow(), names.isEmpty() ? -1 : 0);
    QVERIFY(m_fixture->dialogs.warnings.isEmpty());

    control<QPushButton>(u"ende"_s)->click();
    if (content == "<dir>") {
        QVERIFY(m_fixture->form->isVisible());
        QCOMPARE(m_fixture->dialogs.errors.size(), 1);
        QVERIFY(m_fixture->dialogs.errors.first().contains(u"kann nicht erstellt werden"_s));
    } else {
        QVERIFY(!m_fixture->form->isVisible());
        QCOMPARE(readFile(listFile), written);
    }
}

void TestForm1::failedCloseKeepsTheWindowOpen()
{
    showForm();
    QDir(m_fixture->path(u"app"_s)).removeRecursively();

    QVERIFY(!m_fixture->form->close());
    QVERIFY(m_fixture->form->isVisible());
    const QString expected =
        u"Datei %1 kann nicht erstellt werden."_s.arg(m_fixture->path(u"app/Quilo.lst"_s));
    QCOMPARE(m_fixture->dialogs.errors, QStringList{expected});

    QDir().mkpath(m_fixture->path(u"app"_s));
    QVERIFY(m_fixture->form->close());
    QCOMPARE(readFile(m_fixture->path(u"app/Quilo.lst"_s)), QByteArray("Alle CD's\r\n"));
}

// A folder that stays unwritable must not keep the window open for good.
void TestForm1::secondCloseAfterAFailedListWriteCloses()
{
    showForm();
    QDir(m_fixture->path(u"app"_s)).removeRecursively();
    QVERIFY(!m_fixture->form->close());
    QCOMPARE(m_fixture->dialogs.errors.size(), 1);
    QVERIFY(m_fixture->form->close());
    QVERIFY(!m_fixture->form->isVisible());
    QCOMPARE(m_fixture->dialogs.errors.size(), 1);
}

void TestForm1::scanKeepsSelectedFilesInReverseFinderOrder()
{
    const QString disc = m_fixture->path(u"disc"_s);
    writeFile(disc + u"/A.EXE"_s);
    writeFile(disc + u"/SUB/B.EXE"_s);
    writeFile(disc + u"/SUB/C.TXT"_s);
    writeFile(disc + u"/X.EXE/README"_s);
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc, u"MYDISC"_s);
    showForm();
    control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    QCOMPARE(control<QLineEdit>(u"Edit2"_s)->text(), u"d:\\"_s);
    control<QCheckBox>(u"cb1"_s)->setChecked(true);

    m_fixture->form->jep1Click();
    QCOMPARE(rows(control<QListView>(u"ListBox2"_s)),
             (QStringList{u"d:\\SUB\\B.EXE"_s, u"d:\\A.EXE"_s}));
    const QStringList scanList = rows(control<QListView>(u"ListBox1"_s));
    QCOMPARE(scanList.size(), 4);
    QCOMPARE(scanList.first(), u"d:\\A.EXE"_s);
    QVERIFY(control<QPushButton>(u"db1"_s)->isEnabled());
    QCOMPARE(control<QLabel>(u"Label1"_s)->text(), u" "_s);
    QCOMPARE(control<QProgressBar>(u"PB1"_s)->value(), 0);
    QCOMPARE(control<QProgressBar>(u"PB1"_s)->maximum(), 3);
    QCOMPARE(m_fixture->dialogs.total(), 0);
}

void TestForm1::everyPassingTestAppendsTheFileAgain()
{
    const QString disc = m_fixture->path(u"disc"_s);
    writeFile(disc + u"/SETUP.exe"_s);
    writeFile(disc + u"/OTHER.TXT"_s);
    writeFile(disc + u"/NOEXT"_s);
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc);
    showForm();
    control<QCheckBox>(u"cb1"_s)->setChecked(true);
    control<QCheckBox>(u"cb9"_s)->setChecked(true);
    control<QLineEdit>(u"Edit1"_s)->setText(u".exe"_s);
    control<QCheckBox>(u"cb10"_s)->setChecked(true);
    control<QLineEdit>(u"Edit3"_s)->setText(u".EXE"_s);
    QCOMPARE(scanDrive(u'd'), QStringList(3, u"d:\\SETUP.exe"_s));

    // An empty filter keeps exactly the files without an extension.
    control<QCheckBox>(u"cb1"_s)->setChecked(false);
    control<QCheckBox>(u"cb9"_s)->setChecked(false);
    control<QLineEdit>(u"Edit3"_s)->setText(QString());
    QCOMPARE(scanDrive(u'd'), QStringList{u"d:\\NOEXT"_s});
}

void TestForm1::unusableLineLimitIsReset()
{
    const QString disc = m_fixture->path(u"disc"_s);
    writeFile(disc + u"/A.EXE"_s);
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc);
    showForm();
    auto *edit4 = control<QLineEdit>(u"Edit4"_s);
    edit4->setText(u"abc"_s);
    scanDrive(u'd');
    QCOMPARE(edit4->text(), u"40"_s);
    edit4->setText(u"-1"_s);
    scanDrive(u'd');
    QCOMPARE(edit4->text(), u"-1"_s);
    QCOMPARE(m_fixture->dialogs.total(), 0);
}

void TestForm1::emptyDriveEndsWithRangeError_data()
{
    QTest::addColumn<bool>("hasMedium");
    QTest::newRow("empty folder") << true;
    QTest::newRow("no medium") << false;
}

void TestForm1::emptyDriveEndsWithRangeError()
{
    QFETCH(bool, hasMedium);
    const QString disc = m_fixture->path(u"empty"_s);
    QDir().mkpath(disc + u"/ONLY/DIRS"_s);
    m_fixture->drives.addDrive(u'e', DriveType::CdRom, hasMedium ? disc : QString());
    showForm();
    control<QCheckBox>(u"cb1"_s)->setChecked(true);
    control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'e');
    QTest::mouseClick(control<QPushButton>(u"jep1"_s), Qt::LeftButton);

    QCOMPARE(m_fixture->dialogs.errors,
             QStringList{u"Eigenschaft TProgressBar außerhalb des gültigen Bereichs."_s});
    QCOMPARE(control<QLabel>(u"Label1"_s)->text(), u"Durchsuche Ergebnismenge"_s);
    QVERIFY(!control<QPushButton>(u"db1"_s)->isEnabled());
    QVERIFY(rows(control<QListView>(u"ListBox2"_s)).isEmpty());
    QVERIFY(control<QComboBox>(u"DriveComboBox1"_s)->isEnabled());
}

void TestForm1::scanRefusesReentryAndClose()
{
    const QString disc = m_fixture->path(u"disc"_s);
    for (int i = 0; i < 50; ++i)
        writeFile(disc + u"/F%1.EXE"_s.arg(i));
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc);
    showForm();
    control<QCheckBox>(u"cb1"_s)->setChecked(true);
    control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');

    int reentries = 0;
    bool closeRefused = false;
    bool driveLocked = false;
    QTimer::singleShot(0, m_fixture->form.get(), [&] {
        ++reentries;
        m_fixture->form->jep1Click();
        closeRefused = !m_fixture->form->close();
        driveLocked = !control<QComboBox>(u"DriveComboBox1"_s)->isEnabled();
    });
    m_fixture->form->jep1Click();
    const QStringList selection = rows(control<QListView>(u"ListBox2"_s));
    QCOMPARE(reentries, 1);
    QVERIFY(closeRefused);
    QVERIFY(driveLocked);
    QVERIFY(m_fixture->form->isVisible());
    QCOMPARE(selection.size(), 50);
    QVERIFY(control<QPushButton>(u"db1"_s)->isEnabled());
}

void TestForm1::rescanReplacesThePreviousResult()
{
    const QString first = m_fixture->path(u"first"_s);
    const QString second = m_fixture->path(u"second"_s);
    writeFile(first + u"/ONE.EXE"_s);
    writeFile(second + u"/TWO.EXE"_s);
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, first);
    m_fixture->drives.addDrive(u'e', DriveType::CdRom, second);
    showForm();
    control<QCheckBox>(u"cb1"_s)->setChecked(true);
    QCOMPARE(scanDrive(u'd'), QStringList{u"d:\\ONE.EXE"_s});
    QCOMPARE(scanDrive(u'e'), QStringList{u"e:\\TWO.EXE"_s});
    QCOMPARE(rows(control<QListView>(u"ListBox1"_s)), QStringList{u"e:\\TWO.EXE"_s});
}

// A stick carries no media flag, and its letter's caption must still follow it as it comes and
// goes.
void TestForm1::selectorFollowsEveryVolume()
{
    showForm();
    const QString stick = m_fixture->path(u"stick"_s);
    QDir().mkpath(stick);
    m_fixture->mounts.text = "2 1 8:17 / " + stick.toUtf8() + " rw - vfat /dev/sdb1 rw\n";
    m_fixture->drives.addDrive(u'e', DriveType::Fixed, stick, u"Stick"_s);
    auto *watcher = m_fixture->form->findChild<MountWatcher *>();
    watcher->checkNow();
    auto *selector = control<DriveComboBox>(u"DriveComboBox1"_s);
    QTRY_VERIFY(selector->findText(u"e: [stick]"_s) >= 0);

    m_fixture->mounts.text.clear();
    m_fixture->drives.setDrives({m_fixture->drives.drives().first()});
    watcher->checkNow();
    QTRY_COMPARE(selector->findText(u"e: [stick]"_s), -1);
}

// A mount change while the scan lists its drive waits for the scan's end.
void TestForm1::driveTableStaysDuringAScan()
{
    const QString disc = m_fixture->path(u"disc"_s);
    writeFile(disc + u"/A.EXE"_s);
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc, u"Disc"_s);
    showForm();
    control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    auto *watcher = m_fixture->form->findChild<MountWatcher *>();
    const int before = m_fixture->drives.refreshCount;
    int duringScan = -1;
    QTimer::singleShot(0, m_fixture->form.get(), [&] {
        m_fixture->mounts.text = "2 1 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n";
        watcher->checkNow();
        duringScan = m_fixture->drives.refreshCount;
    });
    m_fixture->form->jep1Click();
    QCOMPARE(duringScan, before);
    QCOMPARE(m_fixture->drives.refreshCount, before + 1);
}

void TestForm1::unmountedMediumIsMountedWhenChosenOrScanned_data()
{
    QTest::addColumn<QList<bool>>("answers"); // the volume monitor's, per request
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<QStringList>("errors");
    const QStringList found{u"d:\\SETUP.EXE"_s};
    QTest::newRow("mounted when chosen") << QList<bool>{true} << found << QStringList();
    QTest::newRow("mounted when scanned") << QList<bool>{false, true} << found << QStringList();
    QTest::newRow("nobody mounts")
        << QList<bool>{false, false} << QStringList()
        << QStringList{u"Eigenschaft TProgressBar außerhalb des gültigen Bereichs."_s};
}

// A disc the desktop did not mount is mounted through the volume monitor; where none can, the
// scan fails as it always did.
void TestForm1::unmountedMediumIsMountedWhenChosenOrScanned()
{
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, selection);
    QFETCH(QStringList, errors);
    const QString disc = m_fixture->path(u"disc"_s);
    writeFile(disc + u"/SETUP.EXE"_s);
    const Drive system = m_fixture->drives.drives().first();
    Drive drive;
    drive.letter = u'd';
    drive.type = DriveType::CdRom;
    drive.device = u"/dev/sr0"_s;
    m_fixture->drives.setDrives({system, drive});
    std::optional<int> refreshesAtMount;
    m_fixture->volumes.onMount = [&](const QString &) {
        if (answers.isEmpty() || !answers.takeFirst())
            return false;
        drive.mountPoint = QDir(disc).absolutePath().toUtf8();
        m_fixture->drives.setDrives({system, drive});
        refreshesAtMount = m_fixture->drives.refreshCount;
        return true;
    };
    showForm();
    control<QCheckBox>(u"cb1"_s)->setChecked(true);

    control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    QCOMPARE(m_fixture->volumes.requests, QStringList{u"/dev/sr0"_s});
    QTest::mouseClick(control<QPushButton>(u"jep1"_s), Qt::LeftButton);

    QCOMPARE(rows(control<QListView>(u"ListBox2"_s)), selection);
    QCOMPARE(m_fixture->dialogs.errors, errors);
    QCOMPARE(m_fixture->dialogs.total(), int(errors.size()));
    QVERIFY(answers.isEmpty());
    if (refreshesAtMount)
        QVERIFY(m_fixture->drives.refreshCount > *refreshesAtMount);
    QVERIFY(control<QComboBox>(u"DriveComboBox1"_s)->isEnabled());
}

// tralbo-cli import lists a disc while the window is open: the window's close keeps it, beside the
// disc the window imported itself.
void TestForm1::closingKeepsDiscsListedMeanwhile()
{
    const QString listFile = m_fixture->path(u"app/Quilo.lst"_s);
    DiscNameList::save(listFile, {DiscNameList::AllDiscs, u"ALT"_s});
    scanExeFiles({u"A.EXE"_s});
    m_fixture->dialogs.discNames = {u"FENSTER"_s};
    m_fixture->form->db1Click();
    QCOMPARE(m_fixture->dialogs.total(), 0);

    QStringList names = DiscNameList::load(listFile);
    names.append(u"KONSOLE"_s);
    DiscNameList::save(listFile, names);
    QVERIFY(m_fixture->form->close());
    QCOMPARE(DiscNameList::load(listFile),
             (QStringList{DiscNameList::AllDiscs, u"ALT"_s, u"FENSTER"_s, u"KONSOLE"_s}));
}

// Another program holds the catalogue's write lock for longer than SQLite's own short wait: the
// import waits, says so in Label1 while the window keeps handling events, and stores every record
// once the lock is gone, without a box.
void TestForm1::importWaitsForAnotherWriterAndSaysSo()
{
    scanExeFiles({u"A.EXE"_s, u"B.EXE"_s});

    const QString catalogue = m_fixture->path(u"app/CD.db"_s);
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"holder"_s);
        holder.setDatabaseName(catalogue);
        QVERIFY(holder.open());
        QVERIFY(QSqlQuery(holder).exec(u"BEGIN IMMEDIATE"_s));
        QString shownWhileWaiting;
        QTimer::singleShot(800, [&] { shownWhileWaiting = control<QLabel>(u"Label1"_s)->text(); });
        QTimer::singleShot(2500, [&] { QSqlQuery(holder).exec(u"ROLLBACK"_s); });
        m_fixture->dialogs.discNames = {u"GEDULDIG"_s};
        m_fixture->form->db1Click();
        QVERIFY2(shownWhileWaiting.startsWith(u"Warte auf die Datenbank"_s),
                 qPrintable(shownWhileWaiting));
    }
    QSqlDatabase::removeDatabase(u"holder"_s);
    QCOMPARE(m_fixture->dialogs.total(), 0);
    QCOMPARE(catalogueRows(catalogue).size(), std::size_t(2));
    QCOMPARE(rows(control<QListWidget>(u"TL1"_s)).last(), u"GEDULDIG"_s);
}

namespace {

// Every object a screen reader reaches from the interface down.
void collectAccessible(QAccessibleInterface *interface, QObjectList &reached)
{
    reached.append(interface->object());
    for (int index = 0; index < interface->childCount(); ++index) {
        if (QAccessibleInterface *child = interface->child(index))
            collectAccessible(child, reached);
    }
}

} // namespace

// The hidden list of every file the scan found (a million rows on a large volume) is nothing a
// screen reader should walk; the selection list it shows stays offered.
void TestForm1::wholeListingIsNotOfferedToScreenReaders()
{
    showForm();
    QObjectList reached;
    collectAccessible(QAccessible::queryAccessibleInterface(m_fixture->form.get()), reached);
    QVERIFY(!reached.contains(control<QListView>(u"ListBox1"_s)));
    QVERIFY(reached.contains(control<QListView>(u"ListBox2"_s)));
}

// A long selection reaches the list, and a screen reader walking it, a page at a time as the list
// is scrolled, not all at once.
void TestForm1::longSelectionIsOfferedAPageAtATime()
{
    constexpr int Files = 1000;
    const QString disc = m_fixture->path(u"disc"_s);
    for (int file = 0; file < Files; ++file)
        writeFile(disc + u"/F%1.EXE"_s.arg(file, 4, 10, QChar(u'0')));
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc, u"MYDISC"_s);
    showForm();
    control<QCheckBox>(u"cb1"_s)->setChecked(true);
    control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    m_fixture->form->jep1Click();

    auto *list = control<QListView>(u"ListBox2"_s);
    QAccessibleInterface *offered = QAccessible::queryAccessibleInterface(list);
    QVERIFY(offered && offered->tableInterface());
    QVERIFY2(offered->tableInterface()->rowCount() <= Files / 4,
             qPrintable(QString::number(offered->tableInterface()->rowCount())));
    for (int page = 0; page < Files && list->model()->rowCount() < Files; ++page) {
        list->scrollToBottom();
        QCoreApplication::processEvents();
    }
    QCOMPARE(list->model()->rowCount(), Files);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
