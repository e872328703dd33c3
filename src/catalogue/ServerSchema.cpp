#include "catalogue/ServerSchema.h"

#include "base/AppError.h"
#include "catalogue/ServerLocation.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

// The server's own upper() follows its collation ('straße' stays 'STRAßE'); the program stores
// its own upper form of DATEI in DATEI_UPPER, so that both catalogues find the same rows.
const QStringList SchemaStatements{
    u"CREATE EXTENSION IF NOT EXISTS pg_trgm"_s,
    u"CREATE TABLE cd (nr bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, cd text, datei text, "
    u"info text, inhalt text, datei_upper text)"_s,
    u"CREATE INDEX cd_datei_upper_trigrams ON cd USING gin (datei_upper gin_trgm_ops)"_s,
    u"CREATE TABLE trees (disc text PRIMARY KEY, tree bytea NOT NULL, "
    u"stored timestamptz NOT NULL DEFAULT now())"_s,
};

class ServerConnection final
{
public:
    explicit ServerConnection(const QString &location) : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(u"QPSQL"_s, m_name);
        if (!database.isValid())
            throw AppError(u"Der PostgreSQL-Treiber von Qt ist nicht installiert"_s);
        database.setConnectOptions(ServerLocation::connectOptions(location));
        if (!database.open())
            throw AppError(u"Datenbank %1 nicht erreichbar: %2"_s.arg(
                location, database.lastError().databaseText().trimmed()));
    }
    ~ServerConnection() { QSqlDatabase::removeDatabase(m_name); }
    Q_DISABLE_COPY_MOVE(ServerConnection)

    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

    QString text(const QString &sql) const
    {
        QSqlQuery query(database());
        if (!query.exec(sql) || !query.next())
            fail(query);
        return query.value(0).toString();
    }
    void run(const QString &sql) const
    {
        QSqlQuery query(database());
        if (!query.exec(sql))
            fail(query);
    }

private:
    [[noreturn]] static void fail(const QSqlQuery &query)
    {
        throw AppError(query.lastError().databaseText().trimmed());
    }

    QString m_name;
};

} // namespace

void createServerCatalogue(const QString &location)
{
    const ServerConnection connection(location);
    if (connection.text(u"SHOW server_encoding"_s) != u"UTF8"_s)
        throw AppError(
            u"Datenbank %1 ist nicht UTF-8; der Katalog braucht eine UTF-8-Datenbank"_s.arg(
                location));
    if (!connection
             .text(u"SELECT coalesce(to_regclass('cd')::text, to_regclass('trees')::text, "
                   u"'')"_s)
             .isEmpty())
        throw AppError(u"Datenbank %1 enthält schon einen Katalog"_s.arg(location));
    // In one transaction: a failure leaves the database as empty as it was.
    QSqlDatabase database = connection.database();
    if (!database.transaction())
        throw AppError(database.lastError().databaseText().trimmed());
    try {
        for (const QString &statement : SchemaStatements)
            connection.run(statement);
    } catch (const AppError &) {
        database.rollback();
        throw;
    }
    if (!database.commit())
        throw AppError(database.lastError().databaseText().trimmed());
}
