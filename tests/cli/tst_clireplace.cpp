// Bringing a catalogued disc up to date from the command line, on each back end: "diff" says
// what a replace would change, "import --replace" replaces the disc.

#include "catalogue/CatalogueFixture.h"
#include "catalogue/DiscNameList.h"
#include "RunTool.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCliReplace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void diffTellsWhatAReplaceWouldChange();
    void importReplacesTheDiscOnlyWhenAsked();
    void replaceWaitsForTheImportLock();
    void replaceGivesAnEarlierCatalogueTheDiscIndex();

private:
    // The disc as first catalogued: SETUP.EXE with a description, OLD.EXE and KEEP.EXE.
    void makeDisc();
    // The disc later: OLD.EXE gone, NEW.EXE added, the description changed.
    void changeDisc();
    QStringList withCatalogue(QStringList arguments) const
    {
        return arguments << u"--exe"_s << u"--descriptions"_s << u"--catalogue"_s
                         << m_catalogue->fileName();
    }
    Outcome run(const QStringList &arguments) const
    {
        return runTool(withCatalogue(arguments), {u"LC_ALL=C"_s}, m_home->path());
    }

    std::unique_ptr<CatalogueFixture> m_catalogue;
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_disc;
};

void TestCliReplace::init()
{
    m_catalogue = std::make_unique<CatalogueFixture>();
    m_home = std::make_unique<QTemporaryDir>();
    m_disc = m_home->filePath(u"disc"_s);
    makeDisc();
}

void TestCliReplace::makeDisc()
{
    writeFile(m_disc + u"/SETUP.EXE"_s);
    writeFile(m_disc + u"/FILE_ID.DIZ"_s, "Version 1\r\n");
    writeFile(m_disc + u"/SUB/OLD.EXE"_s);
    writeFile(m_disc + u"/SUB/KEEP.EXE"_s);
}

void TestCliReplace::changeDisc()
{
    QVERIFY(QFile::remove(m_disc + u"/SUB/OLD.EXE"_s));
    writeFile(m_disc + u"/SUB/NEW.EXE"_s);
    writeFile(m_disc + u"/FILE_ID.DIZ"_s, "Version 2\r\n");
}

// 0 and nothing printed while the disc is as catalogued, 3 and a line per file once it changed,
// the same as JSON; 2 for a missing operand, 1 for a catalogue that cannot be reached. Nothing
// is imported.
void TestCliReplace::diffTellsWhatAReplaceWouldChange()
{
    const Outcome imported = run({u"import"_s, m_disc, u"--name"_s, u"DISC"_s});
    QCOMPARE(imported.exitCode, 0);
    const Outcome same = run({u"diff"_s, u"DISC"_s, m_disc});
    QCOMPARE(same.err, QString());
    QCOMPARE(same.exitCode, 0);
    QCOMPARE(same.out, QByteArray());

    changeDisc();
    const std::vector<CatalogueRecord> before = m_catalogue->stored();
    const Outcome changed = run({u"diff"_s, u"DISC"_s, m_disc});
    QCOMPARE(changed.exitCode, 3);
    QCOMPARE(changed.out, QByteArray("+ d:\\SUB\\NEW.EXE\n~ d:\\SETUP.EXE\n- d:\\SUB\\OLD.EXE\n"));
    const Outcome json = run({u"diff"_s, u"DISC"_s, m_disc, u"--json"_s});
    QCOMPARE(json.exitCode, 3);
    QCOMPARE(json.out, QByteArray("[\n{\"change\":\"+\",\"DATEI\":\"d:\\\\SUB\\\\NEW.EXE\"},\n"
                                  "{\"change\":\"~\",\"DATEI\":\"d:\\\\SETUP.EXE\"},\n"
                                  "{\"change\":\"-\",\"DATEI\":\"d:\\\\SUB\\\\OLD.EXE\"}\n]\n"));
    QVERIFY(m_catalogue->stored() == before);

    QCOMPARE(runTool({u"diff"_s, u"DISC"_s}).exitCode, 2);
    const Outcome unreachable = runTool({u"diff"_s, u"DISC"_s, m_disc, u"--catalogue"_s,
                                         u"postgresql://localhost:1/nirgends?connect_timeout=2"_s});
    QCOMPARE(unreachable.exitCode, 1);
}

// Without --replace the records are added and stderr says so; with it, the disc holds the new
// scan once, the output counts the changes, the disc list names it once more at most, and
// diff finds nothing left to change.
void TestCliReplace::importReplacesTheDiscOnlyWhenAsked()
{
    QCOMPARE(run({u"import"_s, m_disc, u"--name"_s, u"DISC"_s}).exitCode, 0);
    QCOMPARE(run({u"import"_s, m_disc, u"--name"_s, u"OTHER"_s}).exitCode, 0);
    const Outcome added = run({u"import"_s, m_disc, u"--name"_s, u"DISC"_s});
    QCOMPARE(added.exitCode, 0);
    QVERIFY2(added.err.contains(u"was in the catalogue already; the records were added"_s),
             qPrintable(added.err));
    QCOMPARE(m_catalogue->pathsAndInfosOf(u"DISC"_s).size(), 6);

    changeDisc();
    const Outcome replaced = run({u"import"_s, m_disc, u"--name"_s, u"DISC"_s, u"--replace"_s});
    QCOMPARE(replaced.err, QString());
    QCOMPARE(replaced.exitCode, 0);
    QCOMPARE(replaced.out,
             QByteArray("3 records imported as DISC (replaced: 1 new, 4 deleted, 1 changed)\n"));
    QStringList records = m_catalogue->pathsAndInfosOf(u"DISC"_s);
    records.sort(); // in the scan's order, which the scan's own tests check
    QCOMPARE(records, (QStringList{u"d:\\SETUP.EXE|Version 2\r\n"_s, u"d:\\SUB\\KEEP.EXE|NULL"_s,
                                   u"d:\\SUB\\NEW.EXE|NULL"_s}));
    QCOMPARE(m_catalogue->pathsAndInfosOf(u"OTHER"_s).size(), 3);
    // A server's list is the one of the program's folder, which other tests share.
    if (CatalogueFixture::backEnd() == BackEnd::File)
        QCOMPARE(DiscNameList::load(m_catalogue->directory() + u"Quilo.lst"_s),
                 (QStringList{u"Alle CD's"_s, u"DISC"_s, u"OTHER"_s, u"DISC"_s}));
    QCOMPARE(run({u"diff"_s, u"DISC"_s, m_disc}).exitCode, 0);
}

// While another import holds the catalogue (a file's write lock, a server's import lock), a
// replace waits, gives up after --wait and leaves the disc as it was.
void TestCliReplace::replaceWaitsForTheImportLock()
{
    QCOMPARE(run({u"import"_s, m_disc, u"--name"_s, u"DISC"_s}).exitCode, 0);
    changeDisc();
    const std::vector<CatalogueRecord> before = m_catalogue->stored();
    const bool server = CatalogueFixture::backEnd() == BackEnd::Server;
    {
        QSqlDatabase holder =
            QSqlDatabase::addDatabase(server ? u"QPSQL"_s : u"QSQLITE"_s, u"holder"_s);
        holder.setDatabaseName(server ? m_catalogue->fileName().section(u'=', 1)
                                      : m_catalogue->fileName());
        QVERIFY(holder.open());
        QSqlQuery hold(holder);
        QVERIFY(hold.exec(server ? u"BEGIN"_s : u"BEGIN IMMEDIATE"_s));
        if (server)
            QVERIFY(hold.exec(u"SELECT pg_advisory_xact_lock(%1)"_s.arg(0x7472616c626f)));
        const Outcome waited =
            run({u"import"_s, m_disc, u"--name"_s, u"DISC"_s, u"--replace"_s, u"--wait"_s, u"1"_s});
        QCOMPARE(waited.exitCode, 1);
        QVERIFY2(waited.err.contains(u"is locked"_s), qPrintable(waited.err));
        QVERIFY(hold.exec(u"ROLLBACK"_s));
    }
    QSqlDatabase::removeDatabase(u"holder"_s);
    QVERIFY(m_catalogue->stored() == before);
    QCOMPARE(run({u"import"_s, m_disc, u"--name"_s, u"DISC"_s, u"--replace"_s}).exitCode, 0);
}

// A catalogue file made before the disc index gets it with its next write, here a replace, which
// keeps every other record; diff then finds nothing left to change. A server catalogue gets its
// indexes from its owner.
void TestCliReplace::replaceGivesAnEarlierCatalogueTheDiscIndex()
{
    if (CatalogueFixture::backEnd() == BackEnd::Server)
        QSKIP("a server catalogue gets its indexes from tralbo-newcatalogue --upgrade");
    const auto discIndexes = [&] {
        const QString name = u"indexes"_s;
        QStringList indexes;
        {
            QSqlDatabase catalogue = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
            catalogue.setDatabaseName(m_catalogue->fileName());
            QSqlQuery query(catalogue);
            if (catalogue.open() &&
                query.exec(u"SELECT name FROM sqlite_master WHERE type = 'index' AND "
                           u"sql LIKE '%ON CD (CD)'"_s)) {
                while (query.next())
                    indexes.append(query.value(0).toString());
            }
        }
        QSqlDatabase::removeDatabase(name);
        return indexes;
    };
    QCOMPARE(discIndexes().size(), 1);
    m_catalogue->write({u"DROP INDEX "_s + discIndexes().value(0)},
                       {{u"ALT"_s, u"d:\\ALT.EXE"_s, QVariant(), QVariant()}});
    QCOMPARE(discIndexes(), QStringList());
    QCOMPARE(run({u"import"_s, m_disc, u"--name"_s, u"DISC"_s, u"--replace"_s}).exitCode, 0);
    QCOMPARE(discIndexes().size(), 1);
    QCOMPARE(m_catalogue->pathsAndInfosOf(u"ALT"_s), QStringList{u"d:\\ALT.EXE|NULL"_s});
    QCOMPARE(m_catalogue->pathsAndInfosOf(u"DISC"_s).size(), 3);
    QCOMPARE(run({u"diff"_s, u"DISC"_s, m_disc}).exitCode, 0);
}

TRALBO_TEST_ON_EACH_BACKEND(TestCliReplace)
#include "tst_clireplace.moc"
