// The search index beside a catalogue file, from the terminal: "tralbo-cli index" and what a
// search at a terminal says of an index it cannot use.

#include "catalogue/CatalogueFixture.h"
#include "catalogue/SearchIndex.h"
#include "RunTool.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCliIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void indexBringsTheIndexUpToDateAndSaysWhatItDid();
    void serverCatalogueKeepsItsOwnIndex();
    void searchAtATerminalTellsOnceOfAnUnusableIndex();
};

void TestCliIndex::indexBringsTheIndexUpToDateAndSaysWhatItDid()
{
    if (CatalogueFixture::backEnd() == BackEnd::Server)
        QSKIP("A server keeps its own index");
    const CatalogueFixture catalogue;
    catalogue.add({{u"A"_s, u"d:\\GAMES\\DOOM.EXE"_s, {}, {}}});
    const SearchIndex index = SearchIndex::forCatalogue(catalogue.fileName());
    const QStringList arguments{u"index"_s, u"--catalogue"_s, catalogue.fileName()};
    const auto said = [&](const char *what) {
        return u"Search index %1 %2\n"_s.arg(index.fileName(), QLatin1StringView(what)).toUtf8();
    };

    const Outcome built = runTool(arguments);
    QCOMPARE(built.err, QString());
    QCOMPARE(built.exitCode, 0);
    QCOMPARE(built.out, said("built"));
    QCOMPARE(index.condition(), SearchIndex::Condition::Current);
    QCOMPARE(runTool(arguments).out, said("is up to date"));

    // Records this program appended are added; another program's write means a new index.
    SearchIndexUpdate append(catalogue.fileName());
    catalogue.add({{u"B"_s, u"d:\\QUAKE.EXE"_s, {}, {}}});
    append.recordsAppended();
    append.finish();
    QCOMPARE(index.condition(), SearchIndex::Condition::Behind);
    QCOMPARE(runTool(arguments).out, said("extended by the new records"));
    QCOMPARE(index.condition(), SearchIndex::Condition::Current);

    catalogue.add({{u"C"_s, u"d:\\HERETIC.EXE"_s, {}, {}}});
    QCOMPARE(index.condition(), SearchIndex::Condition::Stale);
    const Outcome rebuilt = runToolOnTerminal(arguments);
    QCOMPARE(rebuilt.exitCode, 0);
    QCOMPARE(rebuilt.out, said("rebuilt"));
    QVERIFY2(rebuilt.err.contains(u"\rBuilding the search index: 100 %"_s),
             qPrintable(rebuilt.err));
    QCOMPARE(index.condition(), SearchIndex::Condition::Current);
}

void TestCliIndex::serverCatalogueKeepsItsOwnIndex()
{
    if (CatalogueFixture::backEnd() == BackEnd::File)
        QSKIP("Only a server keeps its own index");
    const CatalogueFixture catalogue;
    const Outcome outcome = runTool({u"index"_s, u"--catalogue"_s, catalogue.fileName()});
    QCOMPARE(outcome.err, QString());
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.out, QByteArray("A catalogue on a server keeps its own search index\n"));
}

void TestCliIndex::searchAtATerminalTellsOnceOfAnUnusableIndex()
{
    if (CatalogueFixture::backEnd() == BackEnd::Server)
        QSKIP("A server keeps its own index");
    const CatalogueFixture catalogue;
    catalogue.add({{u"A"_s, u"d:\\GAMES\\DOOM.EXE"_s, {}, {}}, {u"B"_s, u"d:\\DOOM2"_s, {}, {}}});
    const QString shown = SearchIndex::forCatalogue(catalogue.fileName()).fileName();
    const QStringList search{u"search"_s, u"doom"_s, u"--catalogue"_s, catalogue.fileName()};
    const QByteArray found("A\td:\\GAMES\\DOOM.EXE\nB\td:\\DOOM2\n");

    // Scripts see the rows alone.
    const Outcome piped = runTool(search);
    QCOMPARE(piped.err, QString());
    QCOMPARE(piped.out, found);

    const Outcome missing = runToolOnTerminal(search);
    QCOMPARE(missing.exitCode, 0);
    QCOMPARE(missing.out, found);
    QCOMPARE(missing.err,
             u"tralbo-cli: There is no search index %1; \"tralbo-cli index\" builds it\r\n"_s.arg(
                 shown));

    QCOMPARE(runTool({u"index"_s, u"--catalogue"_s, catalogue.fileName()}).exitCode, 0);
    const Outcome current = runToolOnTerminal(search);
    QCOMPARE(current.err, QString());
    QCOMPARE(current.out, found);

    catalogue.add({{u"C"_s, u"d:\\QUAKE.EXE"_s, {}, {}}});
    const Outcome stale = runToolOnTerminal(search);
    QCOMPARE(stale.out, found);
    QCOMPARE(stale.err, u"tralbo-cli: The search index %1 is stale; \"tralbo-cli index\" brings "
                        u"it up to date\r\n"_s.arg(shown));
}

TRALBO_TEST_ON_EACH_BACKEND(TestCliIndex)
#include "tst_cliindex.moc"
