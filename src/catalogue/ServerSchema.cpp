#include "catalogue/ServerSchema.h"

#include "base/AppError.h"
#include "catalogue/CatalogueConnection.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/ScopedTransaction.h"

#include <QSqlQuery>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The server's own upper() follows its collation ('straße' stays 'STRAßE'); the program stores
// its own upper form of DATEI in DATEI_UPPER, so that both catalogues find the same rows.
const QStringList TableStatements{
    u"CREATE EXTENSION IF NOT EXISTS pg_trgm"_s,
    u"CREATE TABLE cd (nr bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, cd text, datei text, "
    u"info text, inhalt text, datei_upper text)"_s,
    u"CREATE TABLE trees (disc text PRIMARY KEY, tree bytea NOT NULL, "
    u"stored timestamptz NOT NULL DEFAULT now())"_s,
};

struct ServerIndex
{
    QString name;
    QString definition; // what follows the name in CREATE INDEX
};

const std::vector<ServerIndex> Indexes{
    {u"cd_datei_upper_trigrams"_s, u"ON cd USING gin (datei_upper gin_trgm_ops)"_s},
    // The disc filter's "cd LIKE pattern": text_pattern_ops serves exact names and prefixes
    // whatever the database's collation; nr lets the key range of each batch narrow the scan.
    {u"cd_disc"_s, u"ON cd (cd text_pattern_ops, nr)"_s},
    // A disc's records in key order, a missing disc name counting as the empty one.
    {u"cd_disc_or_empty"_s, u"ON cd (coalesce(cd, ''), nr)"_s},
};

// The one-row, one-column answer of a query, as text.
QString answer(const CatalogueConnection &connection, const QString &sql)
{
    QSqlQuery query = connection.prepare(sql);
    connection.exec(query);
    return query.next() ? query.value(0).toString() : QString();
}

} // namespace

void createServerCatalogue(const CataloguePlace &place)
{
    const CatalogueConnection connection(place, CatalogueConnection::Access::ReadWrite);
    if (answer(connection, u"SELECT current_setting('server_encoding')"_s) != u"UTF8"_s)
        throw AppError(
            u"Datenbank %1 ist nicht UTF-8; der Katalog braucht eine UTF-8-Datenbank"_s.arg(
                place.shown()));
    if (!answer(connection, u"SELECT coalesce(to_regclass('cd')::text, "
                            u"to_regclass('trees')::text, '')"_s)
             .isEmpty())
        throw AppError(u"Datenbank %1 enthält schon einen Katalog"_s.arg(place.shown()));
    // In one transaction: a failure leaves the database as empty as it was.
    ScopedTransaction transaction(connection);
    for (const QString &statement : TableStatements)
        connection.exec(statement);
    for (const ServerIndex &index : Indexes)
        connection.exec(u"CREATE INDEX %1 %2"_s.arg(index.name, index.definition));
    transaction.commit();
}

QStringList serverIndexNames()
{
    QStringList names;
    for (const ServerIndex &index : Indexes)
        names.append(index.name);
    return names;
}

QStringList upgradeServerCatalogue(const CataloguePlace &place)
{
    const CatalogueConnection connection(place, CatalogueConnection::Access::ReadWrite);
    verifyServerCatalogue(connection);
    QStringList added;
    // In one transaction: either every missing index is there afterwards or none was added.
    ScopedTransaction transaction(connection);
    for (const ServerIndex &index : Indexes) {
        // An index of table cd by that name, wherever the search path found the table.
        if (answer(connection, u"SELECT count(*) FROM pg_index i JOIN pg_class c ON c.oid = "
                               u"i.indexrelid WHERE i.indrelid = 'cd'::regclass AND "
                               u"c.relname = '%1'"_s.arg(index.name)) != u"0"_s)
            continue;
        connection.exec(u"CREATE INDEX IF NOT EXISTS %1 %2"_s.arg(index.name, index.definition));
        added.append(index.name);
    }
    transaction.commit();
    return added;
}

void verifyServerCatalogue(const CatalogueConnection &connection)
{
    // The tables the program's statements name, as the server resolves those names, with the
    // columns it reads and writes.
    const QString found = answer(
        connection,
        u"SELECT string_agg(c.relname || '.' || a.attname, ',' ORDER BY c.relname, a.attname) "
        u"FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
        u"WHERE c.oid IN (to_regclass('cd'), to_regclass('trees')) AND a.attnum > 0 "
        u"AND NOT a.attisdropped AND a.attname IN ('nr', 'cd', 'datei', 'info', 'inhalt', "
        u"'datei_upper', 'disc', 'tree', 'stored')"_s);
    if (found != u"cd.cd,cd.datei,cd.datei_upper,cd.info,cd.inhalt,cd.nr,trees.disc,trees.stored,"
                 u"trees.tree"_s)
        throw AppError(CatalogueMessage::notACatalogue(connection.place().shown()) +
                       u"; tralbo-newcatalogue legt ihn an"_s);
}
