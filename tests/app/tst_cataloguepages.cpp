#include "catalogue/BrowseQuery.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/RecordNavigator.h"
#include "devices/DriveComboBox.h"
#include "support/CatalogueRows.h"
#include "support/FormFixture.h"
#include "support/UnprivilegedScope.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabBar>
#include <QTableView>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString TableMissing = u"Konnte Datenbank CD.DB nicht öffnen. (oder finden?)"_s;
const QString RecordRejected =
    u"Fehler. Entweder wurden diese Daten bereits importiert, BDE ist falsch konfiguriert oder die "
    u"Datenbank ist fehlerhaft."_s;

// Writes the catalogue file on a connection of the test's own.
class CatalogueFile
{
public:
    explicit CatalogueFile(const QString &path) : m_path(path) {}

    void run(const QString &sql, const QVariantList &values = {}) const
    {
        Connection connection(m_path);
        QSqlQuery query(QSqlDatabase::database(connection.name));
        QVERIFY2(query.prepare(sql), qPrintable(query.lastError().text()));
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values[i]);
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    }
    void add(const QString &disc, const QString &path, const QVariant &info = {},
             const QVariant &contents = {}) const
    {
        run(u"INSERT INTO CD (CD, DATEI, INFO, INHALT) VALUES (?, ?, ?, ?)"_s,
            {disc, path, info, contents});
    }

private:
    struct Connection
    {
        explicit Connection(const QString &file)
        {
            QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
            database.setDatabaseName(file);
            if (!database.open())
                qFatal("cannot open %s", qPrintable(file));
        }
        ~Connection() { QSqlDatabase::removeDatabase(name); }
        const QString name = u"test"_s;
    };
    QString m_path;
};

} // namespace

class TestCataloguePages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_fixture.reset(); }

    void startsWithoutCatalogue();
    void importsOneRecordPerSelectedFile();
    void cancelledNamingChangesNothing();
    void importWithoutCatalogueWarns();
    void rejectedRecordKeepsTheOnesBefore();
    void readOnlyCatalogueDoesNotLockTheWindow();
    void discFilterAndSearch_data();
    void discFilterAndSearch();
    void rebuildListsRunsOfDiscNames();
    void rebuildOnClosedQueryReports();
    void editModePostsChanges();
    void editWritesOnlyWhatWasTyped();
    void cancelDiscardsTheTypedText();
    void refusedPostKeepsTheRecordInEditing();
    void leavingTheRecordPostsIt_data();
    void leavingTheRecordPostsIt();
    void closingWithARefusedPostStaysOpenOnce();
    void insertIsWrittenOnlyByPost();
    void clickOnHighlightedDiscAppliesIt();
    void failedBatchReadIsReported();
    void engineFaultKeepsTheRecordsBefore();
    void importReopensTheBrowseView();
    void vanishedCatalogueWarnsOnce();
    void nothingElseRunsDuringImport();

private:
    QString catalogue() const { return m_fixture->path(u"app/CD.db"_s); }
    void makeDisc();
    void scanDisc(const QStringList &checked);
    QStringList gridRows() const;
    void clickDisc(const QString &name);
    void showLive();
    void type(const QString &memo, const QString &text);
    void navigate(RecordNavigator::Button button);

    std::unique_ptr<FormFixture> m_fixture;
};

void TestCataloguePages::init()
{
    m_fixture = std::make_unique<FormFixture>();
}

void TestCataloguePages::makeDisc()
{
    const QString disc = m_fixture->path(u"disc"_s);
    writeFile(disc + u"/SETUP.EXE"_s);
    writeFile(disc + u"/README.TXT"_s, "Eine Zeile, die breiter ist als das kleine Textfeld der "
                                       "Beschreibung.\r\nZweite Zeile\r\n");
    writeFile(disc + u"/DOCS/MANUAL.EXE"_s);
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc, u"MyDisc"_s);
}

void TestCataloguePages::scanDisc(const QStringList &checked)
{
    if (!m_fixture->form)
        m_fixture->show();
    m_fixture->control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    for (const QString &name : checked)
        m_fixture->control<QCheckBox>(name)->setChecked(true);
    m_fixture->form->jep1Click();
    QVERIFY(m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
}

QStringList TestCataloguePages::gridRows() const
{
    auto *grid = m_fixture->control<QTableView>(u"RxDBGrid1"_s);
    QStringList paths;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        paths.append(grid->model()->index(row, 2).data().toString());
    return paths;
}

void TestCataloguePages::clickDisc(const QString &name)
{
    auto *discs = m_fixture->control<QListWidget>(u"TL1"_s);
    const QList<QListWidgetItem *> found = discs->findItems(name, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    discs->clearSelection();
    found.first()->setSelected(true);
}

void TestCataloguePages::showLive()
{
    m_fixture->show();
    m_fixture->control<QCheckBox>(u"cb30"_s)->setChecked(true);
    clickDisc(u"Alle CD's"_s);
}

void TestCataloguePages::type(const QString &memo, const QString &text)
{
    auto *edit = m_fixture->control<QPlainTextEdit>(memo);
    edit->moveCursor(QTextCursor::End);
    QTest::keyClicks(edit, text);
}

void TestCataloguePages::navigate(RecordNavigator::Button button)
{
    QTest::mouseClick(m_fixture->control<RecordNavigator>(u"DBNavigator1"_s)->button(button),
                      Qt::LeftButton);
}

void TestCataloguePages::startsWithoutCatalogue()
{
    QVERIFY(QFile::remove(catalogue()));
    m_fixture->show();
    QCOMPARE(
        m_fixture->dialogs.warnings,
        QStringList{u"Datenbank \"CD.DB\" nicht gefunden, oder die BDE ist nicht installiert"_s});
    QVERIFY(m_fixture->dialogs.errors.isEmpty());
    QCOMPARE(rows(m_fixture->control<QListWidget>(u"TL1"_s)), QStringList{u"Alle CD's"_s});
    QVERIFY(gridRows().isEmpty());
    QVERIFY(!QFile::exists(catalogue()));
}

void TestCataloguePages::importsOneRecordPerSelectedFile()
{
    makeDisc();
    scanDisc({u"cb1"_s, u"cb5"_s, u"cb7"_s});
    m_fixture->dialogs.discNames = {u"MEINE CD"_s};
    QTest::mouseClick(m_fixture->control<QPushButton>(u"db1"_s), Qt::LeftButton);

    QCOMPARE(m_fixture->dialogs.proposals, QStringList{u"MYDISC"_s});
    QCOMPARE(m_fixture->dialogs.total(), 0);
    // Both options on: the description is stored as its display lines, each ended by CR LF.
    const QString wrapped = u"Eine Zeile, die breiter ist als das kleine \r\nTextfeld der "
                            u"Beschreibung.\r\nZweite Zeile\r\n"_s;
    QCOMPARE(catalogueRowTexts(catalogue()),
             (QStringList{u"MEINE CD|d:\\DOCS\\MANUAL.EXE|<null>|<null>"_s,
                          u"MEINE CD|d:\\SETUP.EXE|"_s + wrapped + u"|<null>"_s}));
    QCOMPARE(rows(m_fixture->control<QListWidget>(u"TL1"_s)),
             (QStringList{u"Alle CD's"_s, u"MEINE CD"_s}));
    QVERIFY(!m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
    QVERIFY(m_fixture->control<QPushButton>(u"jep1"_s)->isEnabled());
    QCOMPARE(m_fixture->control<QLabel>(u"Label1"_s)->text(), u" "_s);
    QCOMPARE(gridRows().size(), 2);

    // With only descriptions on, the description keeps its own line breaks.
    m_fixture->control<QCheckBox>(u"cb7"_s)->setChecked(false);
    scanDisc({});
    m_fixture->dialogs.discNames = {u"ZWEI"_s};
    m_fixture->form->db1Click();
    QCOMPARE(catalogueRowTexts(catalogue()).last(),
             u"ZWEI|d:\\SETUP.EXE|Eine Zeile, die breiter ist als das kleine Textfeld der "
             u"Beschreibung.\r\nZweite Zeile\r\n|<null>"_s);
}

void TestCataloguePages::cancelledNamingChangesNothing()
{
    makeDisc();
    scanDisc({u"cb1"_s});
    m_fixture->dialogs.discNames = {std::nullopt};
    m_fixture->form->db1Click();
    QVERIFY(catalogueRowTexts(catalogue()).isEmpty());
    QVERIFY(m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
    QCOMPARE(rows(m_fixture->control<QListWidget>(u"TL1"_s)), QStringList{u"Alle CD's"_s});
}

void TestCataloguePages::importWithoutCatalogueWarns()
{
    QVERIFY(QFile::remove(catalogue()));
    makeDisc();
    scanDisc({u"cb1"_s});
    m_fixture->dialogs.warnings.clear();
    m_fixture->dialogs.discNames = {u"X"_s};
    m_fixture->form->db1Click();
    QCOMPARE(m_fixture->dialogs.warnings, QStringList{TableMissing});
    QVERIFY(!QFile::exists(catalogue()));
    QVERIFY(m_fixture->control<QPushButton>(u"jep1"_s)->isEnabled());
    QVERIFY(!m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
    QCOMPARE(rows(m_fixture->control<QListWidget>(u"TL1"_s)), QStringList{u"Alle CD's"_s});
}

void TestCataloguePages::rejectedRecordKeepsTheOnesBefore()
{
    CatalogueFile(catalogue()).run(u"CREATE UNIQUE INDEX once ON CD (CD, DATEI)"_s);
    makeDisc();
    m_fixture->show();
    m_fixture->control<QLineEdit>(u"Edit1"_s)->setText(u".exe"_s);
    scanDisc({u"cb1"_s, u"cb9"_s});
    m_fixture->dialogs.discNames = {u"DOPPELT"_s};
    m_fixture->form->db1Click();

    QCOMPARE(m_fixture->dialogs.warnings, QStringList{RecordRejected});
    QCOMPARE(catalogueRowTexts(catalogue()),
             QStringList{u"DOPPELT|d:\\DOCS\\MANUAL.EXE|<null>|<null>"_s});
    QCOMPARE(m_fixture->control<QLabel>(u"Label1"_s)->text(), u"Füge Daten in Datenbank ein"_s);
    QCOMPARE(rows(m_fixture->control<QListWidget>(u"TL1"_s)), QStringList{u"Alle CD's"_s});
    QVERIFY(m_fixture->control<QPushButton>(u"jep1"_s)->isEnabled());
    QCOMPARE(gridRows().size(), 1);
}

void TestCataloguePages::readOnlyCatalogueDoesNotLockTheWindow()
{
    QFile::setPermissions(catalogue(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    for (const QString &folder : {m_fixture->path(QString()), m_fixture->path(u"app"_s)})
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    CatalogueFile(catalogue()).add(u"A"_s, u"d:\\ONE"_s, u"alt"_s);
    makeDisc();
    m_fixture->show();
    const UnprivilegedScope unprivileged;
    if (unprivileged.failed())
        QSKIP("root without the right to change user");

    // A live result on a catalogue that cannot be changed offers no editing.
    m_fixture->control<QCheckBox>(u"cb30"_s)->setChecked(true);
    clickDisc(u"Alle CD's"_s);
    QCOMPARE(gridRows(), QStringList{u"d:\\ONE"_s});
    QVERIFY(m_fixture->control<QPlainTextEdit>(u"DBMemo1"_s)->isReadOnly());
    QVERIFY(m_fixture->control<QPlainTextEdit>(u"DBMemo2"_s)->isReadOnly());
    auto *navigator = m_fixture->control<RecordNavigator>(u"DBNavigator1"_s);
    QVERIFY(!navigator->button(RecordNavigator::Insert)->isEnabled());
    QVERIFY(!navigator->button(RecordNavigator::Delete)->isEnabled());

    scanDisc({u"cb1"_s});
    m_fixture->dialogs.discNames = {u"NUR LESEN"_s};
    m_fixture->form->db1Click();
    QCOMPARE(m_fixture->dialogs.errors.size(), 1);
    QVERIFY(m_fixture->control<QPushButton>(u"jep1"_s)->isEnabled());
    QVERIFY(!m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
}

void TestCataloguePages::discFilterAndSearch_data()
{
    QTest::addColumn<bool>("search");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("all discs") << false << u"Alle CD's"_s
                               << QStringList{u"A1"_s, u"A2"_s, u"B1"_s, u"X1"_s, u"Q1"_s};
    QTest::newRow("disc name as pattern")
        << false << u"CD_1"_s << QStringList{u"A1"_s, u"A2"_s, u"X1"_s};
    QTest::newRow("hostile name") << false << u"x\" OR 1=1 --"_s << QStringList{u"Q1"_s};
    QTest::newRow("search ignores case") << true << u"readme"_s << QStringList{u"A2"_s};
    QTest::newRow("unicode upper") << true << u"STRASSE"_s << QStringList{u"B1"_s};
    QTest::newRow("empty search") << true << QString()
                                  << QStringList{u"A1"_s, u"A2"_s, u"B1"_s, u"X1"_s, u"Q1"_s};
    QTest::newRow("quote in search") << true << u"'; DROP TABLE CD; --"_s << QStringList();
}

void TestCataloguePages::discFilterAndSearch()
{
    QFETCH(bool, search);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    const CatalogueFile file(catalogue());
    file.add(u"CD_1"_s, u"d:\\A1"_s);
    file.add(u"CD_1"_s, u"d:\\DOCS\\README.TXT A2"_s);
    file.add(u"B"_s, u"d:\\straße\\B1"_s);
    file.add(u"CDX1"_s, u"d:\\X1"_s);
    file.add(u"x\" OR 1=1 --"_s, u"d:\\Q1"_s);
    writeFile(m_fixture->path(u"app/Quilo.lst"_s), "Alle CD's\r\nCD_1\r\nB\r\nx\" OR 1=1 --\r\n");
    m_fixture->show();

    if (search) {
        m_fixture->control<QLineEdit>(u"Edit5"_s)->setText(text);
        QTest::mouseClick(m_fixture->control<QToolButton>(u"SpeedButton1"_s), Qt::LeftButton);
    } else {
        clickDisc(text);
    }
    QCOMPARE(m_fixture->dialogs.total(), 0);
    QStringList shown;
    for (const QString &path : gridRows())
        shown.append(path.right(2));
    QCOMPARE(shown, found);
}

void TestCataloguePages::rebuildListsRunsOfDiscNames()
{
    const CatalogueFile file(catalogue());
    for (const QString &disc : {u"A"_s, u"A"_s, u"B"_s, u"A"_s, QString(), u"A"_s})
        file.add(disc, u"d:\\F"_s);
    m_fixture->show();
    auto *discs = m_fixture->control<QListWidget>(u"TL1"_s);
    for (int round = 0; round < 2; ++round) {
        QTest::mouseClick(m_fixture->control<QPushButton>(u"Button1"_s), Qt::LeftButton);
        QCOMPARE(rows(discs),
                 (QStringList{u"Alle CD's"_s, u"A"_s, u"B"_s, u"A"_s, QString(), u"A"_s}));
    }
    clickDisc(u"B"_s);
    QTest::mouseClick(m_fixture->control<QPushButton>(u"Button1"_s), Qt::LeftButton);
    QCOMPARE(rows(discs), (QStringList{u"Alle CD's"_s, u"B"_s}));
    QCOMPARE(m_fixture->dialogs.total(), 0);
}

void TestCataloguePages::rebuildOnClosedQueryReports()
{
    QVERIFY(QFile::remove(catalogue()));
    m_fixture->show();
    m_fixture->dialogs.warnings.clear();
    writeFile(m_fixture->path(u"app/Quilo.lst"_s), "Alle CD's\r\nALT\r\n");
    QTest::mouseClick(m_fixture->control<QPushButton>(u"Button1"_s), Qt::LeftButton);
    QCOMPARE(m_fixture->dialogs.errors,
             QStringList{u"Operation bei geschlossener Datenmenge nicht ausführbar."_s});
    QCOMPARE(rows(m_fixture->control<QListWidget>(u"TL1"_s)), QStringList{u"Alle CD's"_s});
    QVERIFY(m_fixture->control<QTableView>(u"RxDBGrid1"_s)->isEnabled());
}

void TestCataloguePages::editModePostsChanges()
{
    const CatalogueFile file(catalogue());
    file.add(u"A"_s, u"d:\\ONE"_s, u"alt"_s);
    file.add(u"A"_s, u"d:\\TWO"_s);
    writeFile(m_fixture->path(u"app/Quilo.lst"_s), "Alle CD's\r\nA\r\n");
    m_fixture->show();
    auto *info = m_fixture->control<QPlainTextEdit>(u"DBMemo1"_s);
    QCOMPARE(info->toPlainText(), u"alt"_s);
    QCOMPARE(m_fixture->control<QLineEdit>(u"DBEdit1"_s)->text(), u"A"_s);

    clickDisc(u"A"_s);
    QVERIFY(info->isReadOnly());

    m_fixture->control<QCheckBox>(u"cb30"_s)->setChecked(true);
    clickDisc(u"Alle CD's"_s);
    QVERIFY(!info->isReadOnly());
    info->setPlainText(u"neu"_s);
    // Moving to the next record posts the change.
    m_fixture->form->DBNavigator1Click(RecordNavigator::Next);
    QCOMPARE(catalogueRowTexts(catalogue()).first(), u"A|d:\\ONE|neu|<null>"_s);

    m_fixture->dialogs.deleteAnswers = {false, true};
    m_fixture->form->DBNavigator1Click(RecordNavigator::Delete);
    QCOMPARE(catalogueRowTexts(catalogue()).size(), 2);
    m_fixture->form->DBNavigator1Click(RecordNavigator::Delete);
    QCOMPARE(catalogueRowTexts(catalogue()), QStringList{u"A|d:\\ONE|neu|<null>"_s});
    QCOMPARE(m_fixture->dialogs.deleteQuestions, 2);
}

void TestCataloguePages::editWritesOnlyWhatWasTyped()
{
    const CatalogueFile file(catalogue());
    file.add(u"A"_s, u"d:\\ONE"_s, u"Zeile 1\r\nZeile\u00a02\r\n"_s, u"a.txt\r\nb.txt\r\n"_s);
    file.add(u"A"_s, u"d:\\TWO"_s, u"nur\r\nangesehen"_s);
    const QStringList before = catalogueRowTexts(catalogue());
    showLive();
    type(u"DBMemo1"_s, u"X"_s);
    navigate(RecordNavigator::Next);
    navigate(RecordNavigator::Prior);
    QCOMPARE(
        catalogueRowTexts(catalogue()),
        (QStringList{u"A|d:\\ONE|Zeile 1\r\nZeile\u00a02\r\nX|a.txt\r\nb.txt\r\n"_s, before[1]}));
    QCOMPARE(m_fixture->dialogs.total(), 0);
}

void TestCataloguePages::cancelDiscardsTheTypedText()
{
    const CatalogueFile file(catalogue());
    file.add(u"A"_s, u"d:\\ONE"_s, u"alt"_s);
    showLive();
    type(u"DBMemo1"_s, u" und neu"_s);
    navigate(RecordNavigator::Cancel);
    QCOMPARE(catalogueRowTexts(catalogue()), QStringList{u"A|d:\\ONE|alt|<null>"_s});
    QCOMPARE(m_fixture->control<QPlainTextEdit>(u"DBMemo1"_s)->toPlainText(), u"alt"_s);
    navigate(RecordNavigator::Next);
    QCOMPARE(catalogueRowTexts(catalogue()), QStringList{u"A|d:\\ONE|alt|<null>"_s});
}

void TestCataloguePages::refusedPostKeepsTheRecordInEditing()
{
    const CatalogueFile file(catalogue());
    file.add(u"A"_s, u"d:\\ONE"_s, u"alt"_s);
    file.add(u"A"_s, u"d:\\TWO"_s);
    file.run(u"CREATE TRIGGER refuse BEFORE UPDATE ON CD BEGIN SELECT RAISE(ABORT, 'nein'); END"_s);
    showLive();
    type(u"DBMemo1"_s, u"!"_s);
    navigate(RecordNavigator::Next);
    QCOMPARE(m_fixture->dialogs.errors.size(), 1);
    QCOMPARE(m_fixture->control<QTableView>(u"RxDBGrid1"_s)->currentIndex().row(), 0);
    QCOMPARE(m_fixture->control<QPlainTextEdit>(u"DBMemo1"_s)->toPlainText(), u"alt!"_s);
    QVERIFY(m_fixture->control<RecordNavigator>(u"DBNavigator1"_s)
                ->button(RecordNavigator::Post)
                ->isEnabled());
}

void TestCataloguePages::leavingTheRecordPostsIt_data()
{
    QTest::addColumn<QString>("action");
    for (const char *action : {"Refresh", "disc", "search button", "search Enter", "page", "close"})
        QTest::newRow(action) << QString::fromLatin1(action);
}

// Every action that leaves or reloads the record writes what was typed into it first.
void TestCataloguePages::leavingTheRecordPostsIt()
{
    QFETCH(QString, action);
    const CatalogueFile file(catalogue());
    file.add(u"A"_s, u"d:\\ONE"_s, u"alt"_s);
    file.add(u"A"_s, u"d:\\TWO"_s);
    writeFile(m_fixture->path(u"app/Quilo.lst"_s), "Alle CD's\r\nA\r\n");
    showLive();
    auto *pages = m_fixture->control<QTabWidget>(u"PageControl1"_s);
    pages->setCurrentIndex(1);
    type(u"DBMemo1"_s, u"!"_s);
    if (action == u"Refresh"_s)
        QTest::mouseClick(m_fixture->control<QPushButton>(u"Button1"_s), Qt::LeftButton);
    else if (action == u"disc"_s)
        clickDisc(u"A"_s);
    else if (action == u"search button"_s)
        QTest::mouseClick(m_fixture->control<QToolButton>(u"SpeedButton1"_s), Qt::LeftButton);
    else if (action == u"search Enter"_s)
        QTest::keyClick(m_fixture->control<QLineEdit>(u"Edit5"_s), Qt::Key_Return);
    else if (action == u"page"_s)
        pages->setCurrentIndex(0);
    else
        QVERIFY(m_fixture->form->close());
    QCOMPARE(m_fixture->dialogs.total(), 0);
    QCOMPARE(catalogueRowTexts(catalogue()).first(), u"A|d:\\ONE|alt!|<null>"_s);
}

// A close whose post the catalogue refuses keeps the window open with the record in editing and
// its box; the second close goes without the edit.
void TestCataloguePages::closingWithARefusedPostStaysOpenOnce()
{
    const CatalogueFile file(catalogue());
    file.add(u"A"_s, u"d:\\ONE"_s, u"alt"_s);
    file.run(u"CREATE TRIGGER refuse BEFORE UPDATE ON CD BEGIN SELECT RAISE(ABORT, 'nein'); END"_s);
    showLive();
    type(u"DBMemo1"_s, u"!"_s);
    QVERIFY(!m_fixture->form->close());
    QCOMPARE(m_fixture->dialogs.errors.size(), 1);
    QCOMPARE(m_fixture->control<QPlainTextEdit>(u"DBMemo1"_s)->toPlainText(), u"alt!"_s);
    QVERIFY(m_fixture->form->close());
    QCOMPARE(catalogueRowTexts(catalogue()), QStringList{u"A|d:\\ONE|alt|<null>"_s});
}

void TestCataloguePages::insertIsWrittenOnlyByPost()
{
    const CatalogueFile file(catalogue());
    file.add(u"A"_s, u"d:\\ONE"_s);
    showLive();
    navigate(RecordNavigator::Insert);
    QCOMPARE(gridRows().size(), 2);
    QCOMPARE(catalogueRowTexts(catalogue()).size(), 1);
    navigate(RecordNavigator::Cancel);
    QCOMPARE(gridRows().size(), 1);

    navigate(RecordNavigator::Insert);
    type(u"DBMemo1"_s, u"neu"_s);
    navigate(RecordNavigator::Post);
    QCOMPARE(catalogueRowTexts(catalogue()),
             (QStringList{u"A|d:\\ONE|<null>|<null>"_s, u"<null>|<null>|neu|<null>"_s}));
    QCOMPARE(m_fixture->dialogs.total(), 0);
}

void TestCataloguePages::clickOnHighlightedDiscAppliesIt()
{
    const CatalogueFile file(catalogue());
    file.add(u"A"_s, u"d:\\A1"_s);
    file.add(u"B"_s, u"d:\\B1"_s);
    m_fixture->show();
    m_fixture->control<QTabWidget>(u"PageControl1"_s)->setCurrentIndex(1);
    m_fixture->control<QLineEdit>(u"Edit5"_s)->setText(u"B1"_s);
    QTest::mouseClick(m_fixture->control<QToolButton>(u"SpeedButton1"_s), Qt::LeftButton);
    QCOMPARE(gridRows(), QStringList{u"d:\\B1"_s});

    auto *discs = m_fixture->control<QListWidget>(u"TL1"_s);
    QVERIFY(discs->item(0)->isSelected());
    QTest::mouseClick(discs->viewport(), Qt::LeftButton, {},
                      discs->visualItemRect(discs->item(0)).center());
    QCOMPARE(gridRows(), (QStringList{u"d:\\A1"_s, u"d:\\B1"_s}));
}

void TestCataloguePages::failedBatchReadIsReported()
{
    const CatalogueFile file(catalogue());
    for (int i = 0; i < 300; ++i)
        file.add(u"A"_s, u"d:\\F%1"_s.arg(i));
    m_fixture->show();
    file.run(u"ALTER TABLE CD RENAME TO GONE"_s);
    navigate(RecordNavigator::Last);
    QCOMPARE(m_fixture->dialogs.errors.size(), 1);
}

void TestCataloguePages::engineFaultKeepsTheRecordsBefore()
{
    // A disc whose descriptions need far more room than the file may grow by.
    const QString disc = m_fixture->path(u"disc"_s);
    const QByteArray description = QByteArray(60, 'x').append("\r\n").repeated(30);
    for (int i = 0; i < 100; ++i) {
        writeFile(disc + u"/F%1.EXE"_s.arg(i, 3, 10, QChar(u'0')));
        writeFile(disc + u"/F%1.TXT"_s.arg(i, 3, 10, QChar(u'0')), description);
    }
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc, u"Voll"_s);
    scanDisc({u"cb1"_s, u"cb5"_s});

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit full{rlim_t(QFileInfo(catalogue()).size() + 48 * 1024), limit.rlim_max};
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);
    {
        const auto restore = qScopeGuard([&] { ::setrlimit(RLIMIT_FSIZE, &limit); });
        m_fixture->dialogs.discNames = {u"VOLL"_s};
        m_fixture->form->db1Click();
    }

    QCOMPARE(m_fixture->dialogs.warnings, QStringList{RecordRejected});
    QCOMPARE(m_fixture->dialogs.errors, QStringList());
    QStringList stored;
    for (const QString &record : catalogueRowTexts(catalogue()))
        stored.append(record.section(u'|', 1, 1));
    QVERIFY2(!stored.isEmpty() && stored.size() < 100, qPrintable(QString::number(stored.size())));
    QCOMPARE(stored, rows(m_fixture->control<QListView>(u"ListBox2"_s)).first(stored.size()));
    QCOMPARE(gridRows(), stored);
    QVERIFY(m_fixture->control<QPushButton>(u"jep1"_s)->isEnabled());
}

void TestCataloguePages::importReopensTheBrowseView()
{
    QVERIFY(QFile::remove(catalogue()));
    makeDisc();
    m_fixture->show();
    createEmptyCatalogue(catalogue());
    scanDisc({u"cb1"_s});
    m_fixture->dialogs.discNames = {u"SPÄTER"_s};
    m_fixture->form->db1Click();
    QCOMPARE(gridRows().size(), 2);
}

void TestCataloguePages::vanishedCatalogueWarnsOnce()
{
    makeDisc();
    scanDisc({u"cb1"_s});
    QVERIFY(QFile::remove(catalogue()));
    m_fixture->dialogs.discNames = {u"WEG"_s};
    m_fixture->form->db1Click();
    QCOMPARE(m_fixture->dialogs.warnings, QStringList{TableMissing});
    QCOMPARE(m_fixture->dialogs.errors, QStringList());
    QVERIFY(m_fixture->control<QPushButton>(u"jep1"_s)->isEnabled());
}

void TestCataloguePages::nothingElseRunsDuringImport()
{
    CatalogueFile(catalogue()).add(u"ALT"_s, u"d:\\OLD.EXE"_s);
    writeFile(m_fixture->path(u"app/Quilo.lst"_s), "Alle CD's\r\nALT\r\n");
    makeDisc();
    scanDisc({u"cb1"_s});
    auto *pages = m_fixture->control<QTabWidget>(u"PageControl1"_s);
    // Runs while the import lets window events through.
    QTimer::singleShot(0, m_fixture->form.get(), [&] {
        QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {},
                          pages->tabBar()->tabRect(1).center());
        m_fixture->control<QPushButton>(u"Button1"_s)->click();
        m_fixture->control<QToolButton>(u"SpeedButton1"_s)->click();
        clickDisc(u"ALT"_s);
    });
    m_fixture->dialogs.discNames = {u"NEU"_s};
    m_fixture->form->db1Click();
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(rows(m_fixture->control<QListWidget>(u"TL1"_s)),
             (QStringList{u"Alle CD's"_s, u"ALT"_s, u"NEU"_s}));
    QCOMPARE(gridRows().size(), 3);
    QCOMPARE(m_fixture->dialogs.total(), 0);
    QVERIFY(pages->isTabEnabled(1));
}

QTEST_MAIN(TestCataloguePages)
#include "tst_cataloguepages.moc"
