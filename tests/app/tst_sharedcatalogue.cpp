// One catalogue on a PostgreSQL server shared by several computers, each a process or window with
// an application directory of its own: what one imports, the others see, search and browse.

#include "catalogue/ImportRun.h"
#include "devices/DriveComboBox.h"
#include "scan/SideTextStore.h"
#include "support/CatalogueRows.h"
#include "support/FormFixture.h"
#include "support/ServerDatabase.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

// A folder of count empty files named F00000.EXE upwards.
void makeFolder(const QString &folder, int count)
{
    QVERIFY(QDir().mkpath(folder));
    for (int i = 0; i < count; ++i) {
        QFile file(folder + u"/F%1.EXE"_s.arg(i, 5, 10, QChar(u'0')));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

// Starts "tralbo-cli import FOLDER --exe --name NAME" as a computer of its own (HOME).
std::unique_ptr<QProcess> startImport(const QString &folder, const QString &name,
                                      const QString &catalogue, const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, home);
    environment.insert(u"XDG_DATA_HOME"_s, home + u"/data"_s);
    environment.insert(u"XDG_CONFIG_HOME"_s, home + u"/config"_s);
    environment.insert(u"LC_ALL"_s, u"C"_s);
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->start(QStringLiteral(TRALBO_CLI), {u"import"_s, folder, u"--exe"_s, u"--name"_s, name,
                                                u"--catalogue"_s, catalogue});
    return process;
}

void finish(QProcess &process)
{
    QVERIFY(process.waitForFinished(120000));
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAllStandardError().constData());
}

// The paths of one disc's rows, in the rows' order.
QStringList pathsOf(const QString &disc, const std::vector<CatalogueRecord> &rows)
{
    QStringList paths;
    for (const CatalogueRecord &row : rows) {
        if (row[1] == disc)
            paths.append(row[2].value_or(QString()));
    }
    return paths;
}

// The selection of a disc holding count files, d:\F0.EXE upwards.
QStringList numberedFiles(int count)
{
    QStringList selection;
    for (int i = 0; i < count; ++i)
        selection.append(u"d:\\F%1.EXE"_s.arg(i));
    return selection;
}

// Imports the selection, without side texts, into the server's catalogue.
ImportOutcome importFiles(const QStringList &selection, const ServerDatabase &server,
                          const QString &disc)
{
    const SideTextStore noSideTexts;
    return ImportRun(selection, noSideTexts, false, false).into(server.place(), disc);
}

} // namespace

class TestSharedCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { ServerDatabase::dropTemplate(); }
    void twoComputersImportAtOnce();
    void secondComputerSeesSearchesAndBrowses();
    void unreachableServerLeavesTheWindowUsable();
    void lostConnectionStoresNothing();
    void refusedRecordKeepsTheChunksBeforeItWhenTheRecopyFails();
};

void TestSharedCatalogue::initTestCase()
{
    if (!ServerDatabase::available()) {
        if (!qEnvironmentVariableIsEmpty("CI"))
            QFAIL("CI installs PostgreSQL, but the test run has no server");
        QSKIP("No PostgreSQL server: make test starts one with pg_virtualenv when PostgreSQL is "
              "installed");
    }
}

// Both imports succeed; all records arrive, each disc's in the order a lone import into a
// catalogue file stores them, whatever the interleaving of the two.
void TestSharedCatalogue::twoComputersImportAtOnce()
{
    constexpr int Files = 10'000;
    const QTemporaryDir folder;
    const QString one = folder.filePath(u"one"_s);
    const QString two = folder.filePath(u"two"_s);
    makeFolder(one, Files);
    makeFolder(two, Files);
    const ServerDatabase server;

    const auto first = startImport(one, u"EINS"_s, server.location(), folder.filePath(u"pc1"_s));
    const auto second = startImport(two, u"ZWEI"_s, server.location(), folder.filePath(u"pc2"_s));
    finish(*first);
    finish(*second);
    QCOMPARE(server.query(u"SELECT count(*) FROM cd"_s).toInt(), 2 * Files);

    const QString file = folder.filePath(u"CD.db"_s);
    createEmptyCatalogue(file);
    for (const auto &[disc, source] : {std::pair{u"EINS"_s, one}, std::pair{u"ZWEI"_s, two}}) {
        const auto alone = startImport(source, disc, file, folder.filePath(u"pc3"_s));
        finish(*alone);
        const QStringList expected = pathsOf(disc, catalogueRows(file));
        QCOMPARE(expected.size(), Files);
        QCOMPARE(pathsOf(disc, catalogueRows(server.name(), RowsFrom::Server)), expected);
    }
}

// The first computer imports a disc with its tree through the window; the second, with its own
// application directory, lists, searches and browses it, and sees a later import after
// "Refresh".
void TestSharedCatalogue::secondComputerSeesSearchesAndBrowses()
{
    const ServerDatabase server;
    FormFixture first;
    first.catalogue = server.location();
    const QString disc = first.path(u"disc"_s);
    writeFile(disc + u"/SETUP.EXE"_s);
    writeFile(disc + u"/SPIELE/STRAßE.EXE"_s);
    first.drives.addDrive(u'd', DriveType::CdRom, disc, u"MyDisc"_s);
    first.show();
    first.control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    first.control<QCheckBox>(u"cb1"_s)->setChecked(true);
    first.control<QCheckBox>(u"cb20"_s)->setChecked(true);
    first.form->jep1Click();
    first.dialogs.discNames = {u"GETEILT"_s};
    first.form->db1Click();
    QCOMPARE(first.dialogs.total(), 0);

    FormFixture second;
    second.catalogue = server.location();
    second.show();
    QCOMPARE(second.dialogs.total(), 0);
    auto *discs = second.control<QListWidget>(u"TL1"_s);
    QTest::mouseClick(second.control<QPushButton>(u"Button1"_s), Qt::LeftButton);
    QCOMPARE(rows(discs), (QStringList{u"Alle CD's"_s, u"GETEILT"_s}));

    second.control<QLineEdit>(u"Edit5"_s)->setText(u"strasse"_s);
    QTest::mouseClick(second.control<QToolButton>(u"SpeedButton1"_s), Qt::LeftButton);
    auto *grid = second.control<QTableView>(u"RxDBGrid1"_s);
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(grid->model()->index(0, 2).data().toString(), u"d:\\SPIELE\\STRAßE.EXE"_s);

    auto *trees = second.control<QListWidget>(u"TL2"_s);
    second.form->PageControl1Change();
    trees->findItems(u"GETEILT"_s, Qt::MatchExactly).first()->setSelected(true);
    second.form->TL2Click();
    auto *tree = second.control<QTreeWidget>(u"TreeView1"_s);
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), u"SPIELE"_s);

    first.form->jep1Click();
    first.dialogs.discNames = {u"SPÄTER"_s};
    first.form->db1Click();
    QTest::mouseClick(second.control<QPushButton>(u"Button1"_s), Qt::LeftButton);
    QCOMPARE(rows(discs), (QStringList{u"Alle CD's"_s, u"GETEILT"_s, u"SPÄTER"_s}));
}

void TestSharedCatalogue::unreachableServerLeavesTheWindowUsable()
{
    FormFixture fixture;
    fixture.catalogue = u"postgresql://localhost:1/nirgends?connect_timeout=2"_s;
    fixture.show();
    QCOMPARE(
        fixture.dialogs.warnings,
        QStringList{u"Datenbank \"CD.DB\" nicht gefunden, oder die BDE ist nicht installiert"_s});
    QVERIFY(fixture.control<QPushButton>(u"jep1"_s)->isEnabled());
}

// The server drops the import's connection at its 1500th record: nothing of the import stays,
// and the outcome says why.
void TestSharedCatalogue::lostConnectionStoresNothing()
{
    const ServerDatabase server;
    server.query(
        u"CREATE FUNCTION hang_up() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        u"IF NEW.datei = 'd:\\F1499.EXE' THEN PERFORM pg_terminate_backend(pg_backend_pid()); "
        u"END IF; RETURN NEW; END $$"_s);
    server.query(u"CREATE TRIGGER hang_up BEFORE INSERT ON cd FOR EACH ROW EXECUTE FUNCTION "
                 u"hang_up()"_s);
    const ImportOutcome outcome = importFiles(numberedFiles(3000), server, u"WEG"_s);
    QCOMPARE(outcome.result, ImportOutcome::Result::ConnectionLost);
    QCOMPARE(outcome.stored, 0);
    QVERIFY2(outcome.message.contains(u"unterbrochen"_s), qPrintable(outcome.message));
    QCOMPARE(server.query(u"SELECT count(*) FROM cd"_s).toInt(), 0);
}

// Record 3101 repeats record 1 under a unique index, and the third COPY (the records before it,
// copied again) fails as well: the first chunk stays, and the outcome names the refused record.
void TestSharedCatalogue::refusedRecordKeepsTheChunksBeforeItWhenTheRecopyFails()
{
    const ServerDatabase server;
    server.query(u"CREATE UNIQUE INDEX unique_datei ON cd (datei)"_s);
    server.query(u"CREATE SEQUENCE copies"_s);
    server.query(u"CREATE FUNCTION fail_third_copy() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                 u"IF current_query() LIKE 'COPY%' AND nextval('copies') = 3 THEN "
                 u"RAISE EXCEPTION 'dritte Kopie'; END IF; RETURN NULL; END $$"_s);
    server.query(u"CREATE TRIGGER fail_third_copy BEFORE INSERT ON cd FOR EACH STATEMENT "
                 u"EXECUTE FUNCTION fail_third_copy()"_s);
    QStringList selection = numberedFiles(5000);
    selection[3100] = selection[0];
    const ImportOutcome outcome = importFiles(selection, server, u"DOPPELT"_s);
    QCOMPARE(outcome.result, ImportOutcome::Result::RecordRejected);
    QCOMPARE(outcome.stored, 2000);
    QCOMPARE(outcome.rejected, std::optional<qsizetype>(3101));
    QCOMPARE(server.query(u"SELECT count(*) FROM cd"_s).toInt(), 2000);
    QCOMPARE(server.query(u"SELECT last_value FROM copies"_s).toInt(), 3);
}

QTEST_MAIN(TestSharedCatalogue)
#include "tst_sharedcatalogue.moc"
