#include "app/RunBeside.h"
#include "base/AppError.h"
#include "devices/DriveComboBox.h"
#include "support/FormFixture.h"
#include "support/StoredZip.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtEndian>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString numberedLines(int count)
{
    QString text;
    for (int line = 1; line <= count; ++line)
        text += u"Zeile %1\r\n"_s.arg(line);
    return text;
}

} // namespace

class TestScanSideTexts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_fixture = std::make_unique<FormFixture>(); }
    void cleanup() { m_fixture.reset(); }

    void clickShowsDescriptionOfEachKeptFile();
    void zipListingSitsAtTheZipTestsPosition();
    void missingArchiveIsReportedAndTheScanGoesOn();
    void unreadableDescriptionEndsTheScan();
    void newScanReleasesOldSideTexts();
    void separatorsInNamesAreMapped();
    void listingWorkerReadsASnapshotAndReportsFailures();

private:
    QString disc() const { return m_fixture->path(u"disc"_s); }
    void scan(const QStringList &checked, const QString &lineLimit = u"40"_s);
    void click(const QString &path);
    QString memo(const QString &name) const
    {
        return m_fixture->control<QPlainTextEdit>(name)->toPlainText();
    }

    std::unique_ptr<FormFixture> m_fixture;
};

void TestScanSideTexts::scan(const QStringList &checked, const QString &lineLimit)
{
    if (!m_fixture->form) {
        m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc(), u"DISC"_s);
        m_fixture->show();
    }
    m_fixture->control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    for (const QString &name : checked)
        m_fixture->control<QCheckBox>(name)->setChecked(true);
    m_fixture->control<QLineEdit>(u"Edit4"_s)->setText(lineLimit);
    QTest::mouseClick(m_fixture->control<QPushButton>(u"jep1"_s), Qt::LeftButton);
}

void TestScanSideTexts::click(const QString &path)
{
    auto *list = m_fixture->control<QListView>(u"ListBox2"_s);
    const int row = int(rows(list).indexOf(path));
    QVERIFY2(row >= 0, qPrintable(path));
    list->setCurrentIndex(list->model()->index(row, 0));
}

void TestScanSideTexts::clickShowsDescriptionOfEachKeptFile()
{
    writeFile(disc() + u"/GAMES/SETUP.EXE"_s);
    writeFile(disc() + u"/GAMES/FILE_ID.DIZ"_s,
              "\xc4\xc4 Spiel \xc4\xc4\r\n" + numberedLines(9).toUtf8());
    writeFile(disc() + u"/GAMES/README.TXT"_s, "nicht diese");
    writeFile(disc() + u"/TOOLS/TOOL.EXE"_s);
    writeFile(disc() + u"/TOOLS/readme.txt"_s, numberedLines(100).toUtf8());
    writeFile(disc() + u"/TOOLS/OTHER.EXE"_s);
    writeFile(disc() + u"/A.EXE"_s);
    scan({u"cb1"_s, u"cb5"_s, u"cb6"_s}, u"3"_s);
    QCOMPARE(m_fixture->dialogs.total(), 0);
    QVERIFY(m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
    QVERIFY(memo(u"Memo3"_s).isEmpty());

    // FILE_ID.DIZ is taken first, read as CP437 and never cut.
    click(u"d:\\GAMES\\SETUP.EXE"_s);
    QVERIFY(memo(u"Memo1"_s).startsWith(u"── Spiel ──\nZeile 1\n"_s));
    QCOMPARE(memo(u"Memo1"_s).count(u'\n'), 9);

    // A Readme is cut to the line limit + 1 lines, for every kept file beside it.
    for (const QString &path : {u"d:\\TOOLS\\TOOL.EXE"_s, u"d:\\TOOLS\\OTHER.EXE"_s}) {
        click(path);
        QCOMPARE(memo(u"Memo1"_s), u"Zeile 1\nZeile 2\nZeile 3\nZeile 4"_s);
    }

    click(u"d:\\A.EXE"_s);
    QVERIFY(memo(u"Memo1"_s).isEmpty());
    QVERIFY(memo(u"Memo3"_s).isEmpty());
}

void TestScanSideTexts::zipListingSitsAtTheZipTestsPosition()
{
    writeFile(disc() + u"/ARCH.ZIP"_s, storedZip({{"README.TXT", "hallo"}, {"SUB/", ""}}));
    writeFile(disc() + u"/FILE_ID.DIZ"_s, "Archiv");
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc());
    m_fixture->show();
    m_fixture->control<QLineEdit>(u"Edit1"_s)->setText(u".zip"_s);
    scan({u"cb7"_s, u"cb9"_s, u"cb5"_s});
    QVERIFY(m_fixture->control<QCheckBox>(u"cb4"_s)->isChecked());

    auto *list = m_fixture->control<QListView>(u"ListBox2"_s);
    QCOMPARE(rows(list), QStringList(2, u"d:\\ARCH.ZIP"_s));
    list->setCurrentIndex(list->model()->index(0, 0));
    QCOMPARE(memo(u"Memo3"_s), u"README.TXT 0000005 Byte \nSUB/ 0000000 Byte "_s);
    QVERIFY(memo(u"Memo1"_s).isEmpty());
    list->setCurrentIndex(list->model()->index(1, 0));
    QVERIFY(memo(u"Memo3"_s).isEmpty());
    QCOMPARE(memo(u"Memo1"_s), u"Archiv"_s);
}

void TestScanSideTexts::missingArchiveIsReportedAndTheScanGoesOn()
{
    QDir().mkpath(disc());
    QVERIFY(QFile::link(disc() + u"/GONE"_s, disc() + u"/LOST.ZIP"_s));
    writeFile(disc() + u"/OK.ZIP"_s, storedZip({{"A", "1"}}));
    scan({u"cb7"_s});
    QCOMPARE(m_fixture->dialogs.plainMessages,
             QStringList{u"Datei d:\\LOST.ZIP nicht vorhanden"_s});
    QCOMPARE(rows(m_fixture->control<QListView>(u"ListBox2"_s)).size(), 2);
    QVERIFY(m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
    click(u"d:\\OK.ZIP"_s);
    QCOMPARE(memo(u"Memo3"_s), u"A 0000001 Byte "_s);
}

void TestScanSideTexts::unreadableDescriptionEndsTheScan()
{
    writeFile(disc() + u"/BIG/SETUP.EXE"_s);
    QFile big(disc() + u"/BIG/README.TXT"_s);
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(4 * 1024 * 1024 + 1));
    big.close();
    writeFile(disc() + u"/AFTER.EXE"_s);
    scan({u"cb1"_s, u"cb5"_s});

    QCOMPARE(m_fixture->dialogs.errors, QStringList{u"Text überschreitet Memo-Kapazität."_s});
    QCOMPARE(m_fixture->control<QLabel>(u"Label1"_s)->text(), u"Durchsuche Ergebnismenge"_s);
    QVERIFY(!m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
    // The deepest folder comes first: the scan ended before the root's file.
    QCOMPARE(rows(m_fixture->control<QListView>(u"ListBox2"_s)),
             QStringList{u"d:\\BIG\\SETUP.EXE"_s});
}

void TestScanSideTexts::newScanReleasesOldSideTexts()
{
    writeFile(disc() + u"/ONE.EXE"_s);
    writeFile(disc() + u"/ONE.TXT"_s, "alt");
    scan({u"cb1"_s, u"cb5"_s});
    click(u"d:\\ONE.EXE"_s);
    QCOMPARE(memo(u"Memo1"_s), u"alt"_s);

    QFile::remove(disc() + u"/ONE.TXT"_s);
    scan({});
    QVERIFY(memo(u"Memo1"_s).isEmpty());
    click(u"d:\\ONE.EXE"_s);
    QVERIFY(memo(u"Memo1"_s).isEmpty());
}

// "\\" and ":" inside a Linux name would split program paths; they show as U+F05C and U+F03A and
// still reach the file.
void TestScanSideTexts::separatorsInNamesAreMapped()
{
    writeFile(disc() + u"/a\\b.zip"_s, storedZip({{"IN.TXT", "x"}}));
    writeFile(disc() + u"/x:y.EXE"_s);
    writeFile(disc() + u"/x:y.txt"_s, "Beschreibung");
    scan({u"cb1"_s, u"cb5"_s, u"cb7"_s});
    QCOMPARE(m_fixture->dialogs.total(), 0);
    click(u"d:\\a\uf05cb.zip"_s);
    QCOMPARE(memo(u"Memo3"_s), u"IN.TXT 0000001 Byte "_s);
    click(u"d:\\x\uf03ay.EXE"_s);
    QCOMPARE(memo(u"Memo1"_s), u"Beschreibung"_s);
}

// The listing runs on a worker thread while the window thread may rewrite the drive table; an
// error on the worker must reach the window thread instead of ending the program.
void TestScanSideTexts::listingWorkerReadsASnapshotAndReportsFailures()
{
    writeFile(disc() + u"/A/B/C.EXE"_s);
    scan({u"cb1"_s});
    QCOMPARE(rows(m_fixture->control<QListView>(u"ListBox2"_s)), QStringList{u"d:\\A\\B\\C.EXE"_s});
    QCOMPARE(m_fixture->drives.readsOffWindowThread.load(), 0);

    bool windowThreadRan = false;
    QTimer::singleShot(0, [&] { windowThreadRan = true; });
    QVERIFY_THROWS_EXCEPTION(AppError, runBeside([] {
                                 QThread::msleep(50);
                                 throw AppError(u"kaputt"_s);
                             }));
    QVERIFY(windowThreadRan);
}

QTEST_MAIN(TestScanSideTexts)
#include "tst_scansidetexts.moc"
