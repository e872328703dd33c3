#include "BenchReport.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/BrowseResult.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/CatalogueTable.h"
#include "catalogue/SearchIndex.h"
#include "CatalogueGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <random>

using namespace Qt::StringLiterals;

namespace {

constexpr int ImportRecords = 100'000;
const QString RareText = u"zztop"_s;   // random names never hold a Z
const QString FourLetters = u"ztop"_s; // a shorter piece of it

qsizetype recordCount(const QString &catalogue)
{
    BrowseQuery query(CataloguePlace::file(catalogue));
    query.setRequest({BrowseRequest::Kind::AllDiscs, {}});
    query.open();
    return query.resultRowCount();
}

// Imports 100,000 records through the table object and through the sqlite3 shell's .import
// of the same rows as CSV, each into a fresh copy of the empty catalogue. Ours has a current
// search index beside it, as after any search, which the import keeps current.
void benchImport(const QString &folder)
{
    const QString empty = folder + u"/empty.db"_s;
    const QString ours = folder + u"/ours/CD.db"_s;
    const QString reference = folder + u"/reference/CD.db"_s;
    const QString csv = folder + u"/rows.csv"_s;
    QFile::remove(empty);
    QDir().mkpath(folder + u"/ours"_s);
    QDir().mkpath(folder + u"/reference"_s);
    createEmptyCatalogue(empty);
    std::vector<CatalogueRecord> records;
    RecordGenerator generator;
    for (int i = 0; i < ImportRecords; ++i)
        records.push_back(generator.next());
    writeCsv(csv, records, [](qsizetype index, const CatalogueRecord &record) {
        return QStringList{QString::number(index + 1), csvField(record[1]), csvField(record[2]),
                           csvField(record[3]), csvField(record[4])};
    });

    const auto import = [&] {
        QFile::remove(ours);
        QFile::copy(empty, ours);
        SearchIndex::forCatalogue(ours).rebuild();
        CatalogueTable table(CataloguePlace::file(ours));
        table.open();
        table.edit();
        table.append(qsizetype(records.size()), [&](qsizetype index) { return records[index]; });
        table.close();
    };
    const Comparison times = compareWithProgram(
        3, import, u"sh"_s,
        {u"-c"_s, u"rm -f \"$1\" && cp \"$2\" \"$1\" && sqlite3 \"$1\" \".import --csv $3 CD\""_s,
         u"sh"_s, reference, empty, csv});
    if (recordCount(ours) != ImportRecords || recordCount(reference) != ImportRecords)
        qFatal("an import stored a wrong number of records");
    if (!SearchIndex::forCatalogue(ours).isFresh())
        qFatal("the import left the search index stale");
    printBench(u"import_100k"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(1.5)}, u"sqlite3"_s,
               times.referenceSeconds);
}

// The search as without an index (scanning the whole table for the rare text), against the
// sqlite3 shell's scan.
void benchSearch(const QString &fileName)
{
    const auto search = [&] {
        const BrowseResult result(
            CataloguePlace::file(fileName), CatalogueConnection::Access::ReadOnly,
            {BrowseRequest::Kind::FileNameSearch, RareText}, BrowseResult::IndexUse::Ignore);
        if (result.size() != LargeRecords / RareEvery)
            qFatal("search found %d rows", result.size());
    };
    const Comparison times = compareWithProgram(
        3, search, u"sqlite3"_s,
        {fileName, u"SELECT * FROM CD WHERE upper(DATEI) LIKE upper('%%1%');"_s.arg(RareText)});
    printBench(u"search_1m"_s, times.seconds, u"s"_s,
               {Goal::valueBelow(1.0), Goal::ratioAtMost(1.2)}, u"sqlite3"_s,
               times.referenceSeconds);
}

void benchIndex(const QString &fileName)
{
    const SearchIndex index = SearchIndex::forCatalogue(fileName);
    const double seconds = bestSeconds(2, [&] { index.rebuild(); });
    printBench(u"index_1m"_s, seconds, u"s"_s, {{Goal::Of::Value, Goal::Bound::AtMost, 10}});
}

// A four-letter search until its first screen of rows, as the browse page opens it, with the
// index beside the catalogue; against the scan of the same search.
void benchIndexedSearch(const QString &fileName)
{
    const SearchIndex index = SearchIndex::forCatalogue(fileName);
    if (!index.isFresh())
        index.rebuild();
    const BrowseRequest request{BrowseRequest::Kind::FileNameSearch, FourLetters};
    const auto firstBatch = [&](BrowseResult::IndexUse use) {
        const BrowseResult result(CataloguePlace::file(fileName),
                                  CatalogueConnection::Access::ReadOnly, request, use);
        if (result.size() != LargeRecords / RareEvery ||
            result.readIndex() != (use != BrowseResult::IndexUse::Ignore))
            qFatal("search found %d rows, through the index: %d", result.size(),
                   int(result.readIndex()));
    };
    firstBatch(BrowseResult::IndexUse::Read);
    const double scanned = bestSeconds(3, [&] { firstBatch(BrowseResult::IndexUse::Ignore); });
    const double indexed = bestSeconds(5, [&] { openRareSearch(fileName, FourLetters); });
    printBench(u"search_1m_indexed"_s, indexed, u"s"_s,
               {Goal::valueBelow(0.1), Goal::ratioAtMost(0.15)}, u"scan"_s, scanned);
}

void benchRebuild(const QString &fileName)
{
    BrowseQuery query(CataloguePlace::file(fileName));
    query.setRequestLive(false);
    query.setRequest({BrowseRequest::Kind::AllDiscs, {}});
    query.open();
    const double seconds = bestSeconds(3, [&] {
        int rows = 0;
        int discs = 0;
        QString previous;
        query.forEachDiscName([&](const QString &name) {
            ++rows;
            if (name != previous)
                ++discs;
            previous = name;
        });
        if (rows != LargeRecords || discs != LargeRecords / DiscRecords)
            qFatal("walked %d rows of %d discs", rows, discs);
    });
    printBench(u"rebuild_1m"_s, seconds, u"s"_s, {Goal::valueBelow(0.6)});
}

} // namespace

// Import into the catalogue, file-name search with and without the search index, building the
// index and the disc list walk over generated catalogues, against the sqlite3 shell doing the
// same where it can.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    const QString data = arguments.dataFolder();
    if (arguments.wants(u"import_100k"))
        benchImport(data + u"/catalogue_import"_s);
    if (arguments.wants(u"search_1m") || arguments.wants(u"search_1m_indexed") ||
        arguments.wants(u"index_1m") || arguments.wants(u"rebuild_1m")) {
        const QString folder = data + u"/catalogue_1m"_s;
        const QString fileName = largeCatalogue(folder);
        if (arguments.wants(u"search_1m"))
            benchSearch(fileName);
        if (arguments.wants(u"index_1m"))
            benchIndex(fileName);
        if (arguments.wants(u"search_1m_indexed"))
            benchIndexedSearch(fileName);
        if (arguments.wants(u"rebuild_1m"))
            benchRebuild(fileName);
    }
    return 0;
}
