// tralbo-cli import into a catalogue file that another program is reading, into a file whose
// name looks like server settings, and under a name too long for its tree file.

#include "catalogue/CatalogueSchema.h"
#include "catalogue/DiscNameList.h"
#include "ConcurrentTool.h"
#include "support/CatalogueRows.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// Another program in the middle of reading the catalogue: its open read transaction keeps a
// shared lock on the file, which no writer can commit past, until it ends.
class Reader final
{
public:
    explicit Reader(const QString &file)
    {
        sqlite3_open_v2(QFile::encodeName(file).constData(), &m_handle, SQLITE_OPEN_READONLY,
                        nullptr);
        m_reading = sqlite3_exec(m_handle, "BEGIN; SELECT count(*) FROM cd", nullptr, nullptr,
                                 nullptr) == SQLITE_OK;
    }
    ~Reader() { sqlite3_close(m_handle); }
    Q_DISABLE_COPY_MOVE(Reader)

    bool isReading() const { return m_reading; }
    void finish() { sqlite3_exec(m_handle, "COMMIT", nullptr, nullptr, nullptr); }

private:
    sqlite3 *m_handle = nullptr;
    bool m_reading = false;
};

Outcome finished(QProcess &process)
{
    Outcome outcome;
    // Waiting for a process that has already ended reports a failure.
    if ((process.state() != QProcess::NotRunning && !process.waitForFinished(30000)) ||
        process.exitStatus() != QProcess::NormalExit)
        return outcome;
    outcome.exitCode = process.exitCode();
    outcome.out = process.readAllStandardOutput();
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

qsizetype rowsOf(const QString &disc, const QString &catalogue)
{
    const std::vector<CatalogueRecord> rows = catalogueRows(catalogue);
    return std::count_if(rows.begin(), rows.end(),
                         [&](const CatalogueRecord &row) { return row[1] == disc; });
}

} // namespace

class TestCliBusy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void busyCatalogueFileIsWaitedFor();
    void fileNamedLikeSettingsIsAFile();
    void discNameTooLongForItsTreeStoresNothing();
};

// While a reader holds the file the import waits and says so, and commits once it is free; given
// up after --wait, it stores nothing and lists nothing.
void TestCliBusy::busyCatalogueFileIsWaitedFor()
{
    const QTemporaryDir folder;
    makeFolder(folder.filePath(u"disc"_s), 5);
    const QString catalogue = folder.filePath(u"CD.db"_s);
    createEmptyCatalogue(catalogue);
    const QString home = folder.filePath(u"home"_s);
    const auto importAs = [&](const QString &name, const QStringList &more) {
        return startTool(QStringList{u"import"_s, folder.filePath(u"disc"_s), u"--exe"_s,
                                     u"--name"_s, name, u"--catalogue"_s, catalogue} +
                             more,
                         home);
    };

    Reader reader(catalogue);
    QVERIFY(reader.isReading());
    const auto waiting = importAs(u"EINS"_s, {});
    QVERIFY(!waiting->waitForFinished(3000));
    reader.finish();
    const Outcome stored = finished(*waiting);
    QVERIFY2(stored.exitCode == 0, qPrintable(stored.err));
    QCOMPARE(stored.err.count(Waiting), 1);
    QCOMPARE(rowsOf(u"EINS"_s, catalogue), 5);

    Reader longer(catalogue);
    QVERIFY(longer.isReading());
    const auto givingUp = importAs(u"ZWEI"_s, {u"--wait"_s, u"1"_s});
    QVERIFY(givingUp->waitForFinished(5000));
    longer.finish();
    const Outcome locked = finished(*givingUp);
    QCOMPARE(locked.exitCode, 1);
    QVERIFY2(locked.err.contains(u"gesperrt"_s), qPrintable(locked.err));
    QCOMPARE(rowsOf(u"ZWEI"_s, catalogue), 0);
    QCOMPARE(rowsOf(u"EINS"_s, catalogue), 5);
    QCOMPARE(DiscNameList::load(folder.filePath(u"Quilo.lst"_s)),
             (QStringList{DiscNameList::AllDiscs, u"EINS"_s}));
}

// "shelf=1.db" is no keyword libpq knows: the catalogue is that file, relative to the working
// folder, and its disc list and trees lie beside it.
void TestCliBusy::fileNamedLikeSettingsIsAFile()
{
    const QTemporaryDir folder;
    makeFolder(folder.filePath(u"disc"_s), 3);
    const QString home = folder.filePath(u"home"_s);
    const QString shelf = u"shelf=1.db"_s;
    const auto run = [&](const QString &program, const QStringList &arguments) {
        return finished(*startTool(arguments, home, program, folder.path()));
    };

    const Outcome made = run(QStringLiteral(TRALBO_NEWCATALOGUE), {shelf});
    QVERIFY2(made.exitCode == 0, qPrintable(made.err));
    QVERIFY(QFileInfo(folder.filePath(shelf)).isFile());
    const Outcome import = run(QStringLiteral(TRALBO_CLI),
                               {u"import"_s, folder.filePath(u"disc"_s), u"--exe"_s, u"--name"_s,
                                u"REGAL"_s, u"--tree"_s, u"--catalogue"_s, shelf});
    QVERIFY2(import.exitCode == 0, qPrintable(import.err));
    const Outcome discs = run(QStringLiteral(TRALBO_CLI), {u"discs"_s, u"--catalogue"_s, shelf});
    QCOMPARE(discs.exitCode, 0);
    QCOMPARE(discs.out, QByteArray("REGAL\n"));
    QCOMPARE(rowsOf(u"REGAL"_s, folder.filePath(shelf)), 3);
    QCOMPARE(DiscNameList::load(folder.filePath(u"Quilo.lst"_s)),
             (QStringList{DiscNameList::AllDiscs, u"REGAL"_s}));
    QVERIFY(QFileInfo(folder.filePath(u"REGAL.vfs"_s)).isFile());
}

// A disc name whose .vfs file would pass the file system's 255 bytes is refused before anything
// is stored, so that a second try with a shorter name does not find the disc stored already.
void TestCliBusy::discNameTooLongForItsTreeStoresNothing()
{
    const QTemporaryDir folder;
    makeFolder(folder.filePath(u"disc"_s), 2);
    const QString catalogue = folder.filePath(u"CD.db"_s);
    createEmptyCatalogue(catalogue);
    const QString name(126, u'ä'); // 252 bytes, 256 with ".vfs"
    const Outcome refused =
        finished(*startTool({u"import"_s, folder.filePath(u"disc"_s), u"--exe"_s, u"--name"_s, name,
                             u"--tree"_s, u"--catalogue"_s, catalogue},
                            folder.filePath(u"home"_s)));
    QCOMPARE(refused.exitCode, 2);
    QCOMPARE(rowsOf(name, catalogue), 0);
    QVERIFY(!QFileInfo::exists(folder.filePath(u"Quilo.lst"_s)));
}

QTEST_GUILESS_MAIN(TestCliBusy)
#include "tst_clibusy.moc"
