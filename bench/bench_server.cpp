#include "BenchReport.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/CatalogueConnection.h"
#include "catalogue/CatalogueTable.h"
#include "catalogue/ScopedTransaction.h"
#include "catalogue/ServerSchema.h"
#include "CatalogueGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

constexpr int ImportRecords = 100'000;
const QString FourLetters = u"ztop"_s; // a piece of the rare text the generator plants
const QString LargeCatalogueName = u"tralbo_bench_1m"_s;

// Runs a statement on the maintenance database of the server.
void administer(const QString &sql)
{
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(u"QPSQL"_s, u"administer"_s);
        connection.setDatabaseName(u"postgres"_s);
        if (!connection.open())
            qFatal("cannot reach the server: %s", qPrintable(connection.lastError().text()));
        QSqlQuery query(connection);
        if (!query.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(u"administer"_s);
}

// A new, empty catalogue database named name; one left by an earlier run is replaced.
QString freshCatalogue(const QString &name)
{
    administer(u"DROP DATABASE IF EXISTS %1 WITH (FORCE)"_s.arg(name));
    administer(u"CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0"_s.arg(name));
    const QString location = u"dbname="_s + name;
    createServerCatalogue(CataloguePlace::of(location, {}));
    return location;
}

void run(const QString &location, const QString &sql)
{
    const CatalogueConnection connection(CataloguePlace::of(location, {}),
                                         CatalogueConnection::Access::ReadWrite);
    connection.exec(sql);
}

// Imports 100,000 records through the table object, and psql's \copy of the same rows, each into
// the emptied table of the same catalogue.
void benchImport(const QString &folder)
{
    const QString name = u"tralbo_bench_import"_s;
    const QString location = freshCatalogue(name);
    std::vector<CatalogueRecord> records;
    RecordGenerator generator;
    for (int i = 0; i < ImportRecords; ++i)
        records.push_back(generator.next());
    QDir().mkpath(folder);
    const QString csv = folder + u"/rows.csv"_s;
    // The rows as psql's \copy reads them, the upper-cased path included as the program
    // stores it.
    writeCsv(csv, records, [](qsizetype, const CatalogueRecord &record) {
        return QStringList{csvField(record[1]), csvField(record[2]), csvField(record[3]),
                           csvField(record[4]), csvField(upperPath(record[2]))};
    });

    const QString empty = u"TRUNCATE cd RESTART IDENTITY"_s;
    const auto import = [&] {
        run(location, empty);
        CatalogueTable table(CataloguePlace::of(location, {}));
        table.open();
        table.edit();
        if (table.append(qsizetype(records.size()), [&](qsizetype index) {
                return records[std::size_t(index)];
            }) != ImportRecords)
            qFatal("the import stored too few records");
        table.close();
    };
    const Comparison times = compareWithProgram(
        3, import, u"sh"_s,
        {u"-c"_s,
         u"psql -qd \"$1\" -c \"$2\" && psql -qd \"$1\" -c \"\\\\copy cd (cd, datei, info, "
         u"inhalt, datei_upper) FROM '$3' WITH (FORMAT csv)\""_s,
         u"sh"_s, name, empty, csv});
    administer(u"DROP DATABASE %1 WITH (FORCE)"_s.arg(name));
    printBench(u"pg_import_100k"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(3)}, u"psql-copy"_s,
               times.referenceSeconds);
}

// The catalogue of a million records on the server, made afresh.
QString largeServerCatalogue()
{
    const QString location = freshCatalogue(LargeCatalogueName);
    RecordGenerator generator;
    importRecords(location, LargeRecords, generator);
    run(location, u"VACUUM ANALYZE cd"_s);
    return location;
}

// A four-letter search over a million records until its first screen, as the browse page opens
// it, through the trigram index; against the same search forced to scan the table.
void benchSearch(const QString &location)
{
    const auto firstScreen = [&] { openRareSearch(location, FourLetters); };
    firstScreen();
    const double indexed = bestSeconds(5, firstScreen);
    const double scanned = bestSeconds(3, [&] {
        const CatalogueConnection connection(CataloguePlace::of(location, {}),
                                             CatalogueConnection::Access::ReadOnly);
        connection.exec(u"SET enable_bitmapscan = off"_s);
        QSqlQuery scan = connection.prepare(
            u"SELECT nr, cd, datei, info, inhalt FROM cd WHERE datei_upper LIKE '%ZTOP%' "
            u"ORDER BY nr LIMIT 256"_s);
        connection.exec(scan);
    });
    printBench(u"pg_search_1m"_s, indexed, u"s"_s, {Goal::valueBelow(0.1)}, u"scan"_s, scanned);
}

// The first screen of the last disc among a million records, as the browse page opens it after
// a click on the disc, through the disc index; against the same first screen read in a
// transaction that drops the disc indexes and is rolled back.
void benchDisc(const QString &location)
{
    const QString disc = u"SHAREWARE %1"_s.arg(LargeRecords / DiscRecords);
    const auto firstScreen = [&] {
        BrowseQuery query(CataloguePlace::of(location, {}));
        query.setRequestLive(false);
        query.setRequest({BrowseRequest::Kind::DiscFilter, disc});
        query.open();
        if (query.rowCount() < 1 || query.rowCount() > DiscRecords)
            qFatal("the disc filter found %d rows", query.rowCount());
    };
    firstScreen();
    const double indexed = bestSeconds(5, firstScreen);
    const double unindexed = bestSeconds(3, [&] {
        const CatalogueConnection connection(CataloguePlace::of(location, {}),
                                             CatalogueConnection::Access::ReadWrite);
        const ScopedTransaction withoutIndexes(connection);
        connection.exec(u"DROP INDEX cd_disc"_s);
        connection.exec(u"DROP INDEX cd_disc_or_empty"_s);
        QSqlQuery scan = connection.prepare(
            u"SELECT nr, cd, datei, info, inhalt FROM cd WHERE cd LIKE :disc ESCAPE '' "
            u"ORDER BY nr LIMIT 256"_s);
        scan.bindValue(u":disc"_s, disc);
        connection.exec(scan);
    });
    printBench(u"pg_disc_1m"_s, indexed, u"s"_s, {Goal::valueBelow(0.05)}, u"scan"_s, unindexed);
}

} // namespace

// The catalogue on a PostgreSQL server: import, file-name search and disc filter, against psql
// and the server's own scan. Needs a server (the PG* variables; scripts/bench.sh starts one with
// pg_virtualenv); without one the figures are reported as not measured.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    const bool server =
        !qEnvironmentVariableIsEmpty("PGPORT") || !qEnvironmentVariableIsEmpty("PGHOST");
    if (arguments.wants(u"pg_import_100k")) {
        if (server)
            benchImport(arguments.dataFolder() + u"/server_import"_s);
        else
            printUnmeasured(u"pg_import_100k"_s, u"s"_s, {Goal::ratioAtMost(3)});
    }
    const bool search = arguments.wants(u"pg_search_1m");
    const bool disc = arguments.wants(u"pg_disc_1m");
    if (server && (search || disc)) {
        const QString location = largeServerCatalogue();
        if (search)
            benchSearch(location);
        if (disc)
            benchDisc(location);
        administer(u"DROP DATABASE %1 WITH (FORCE)"_s.arg(LargeCatalogueName));
    }
    if (!server && search)
        printUnmeasured(u"pg_search_1m"_s, u"s"_s, {Goal::valueBelow(0.1)});
    if (!server && disc)
        printUnmeasured(u"pg_disc_1m"_s, u"s"_s, {Goal::valueBelow(0.05)});
    return 0;
}
