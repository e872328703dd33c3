#include "catalogue/ServerBackend.h"

#include "catalogue/BrowseRequest.h"
#include "catalogue/CatalogueConnection.h"
#include "catalogue/CataloguePlace.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/LibPq.h"
#include "catalogue/SearchIndex.h"
#include "catalogue/ServerAppend.h"
#include "catalogue/ServerLocation.h"
#include "catalogue/ServerSchema.h"
#include "catalogue/StagedTree.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

using namespace Qt::StringLiterals;

namespace {

// The field position of DATEI, whose upper form the server keeps beside it.
constexpr int PathPosition = 2;

// Any key will do that no other program takes on the catalogue's database.
constexpr qint64 ImportLockKey = 0x7472616c626f; // "tralbo"

const QString InsertStatement =
    u"INSERT INTO cd (cd, datei, info, inhalt, datei_upper) VALUES (?, ?, ?, ?, ?) RETURNING nr"_s;

// The search compares the path in the program's upper case, never the server's.
QVariantList insertValuesOf(const std::array<FieldValue, 4> &fields)
{
    QVariantList values;
    for (const FieldValue &field : fields)
        values.append(boundValue(field));
    values.append(boundValue(upperPath(fields[1])));
    return values;
}

class ServerConnection final : public BackendConnection
{
public:
    ServerConnection(const CataloguePlace &place, CatalogueAccess access,
                     const QString &connectionName)
        : m_place(place), m_database(QSqlDatabase::addDatabase(u"QPSQL"_s, connectionName))
    {
        if (!m_database.isValid())
            throw AppError(CatalogueMessage::serverDriverUnavailable());
        m_database.setConnectOptions(ServerLocation::connectOptions(place.location()));
        if (!m_database.open())
            throw AppError(CatalogueMessage::serverUnreachable(
                place.shown(), m_database.lastError().databaseText().trimmed()));
        const QVariant handle = m_database.driver()->handle();
        // Qt 6 names the type as the compiler spells it, through the typedef.
        if (handle.isValid() && (qstrcmp(handle.typeName(), "pg_conn*") == 0 ||
                                 qstrcmp(handle.typeName(), "PGconn*") == 0))
            m_server = *static_cast<pg_conn *const *>(handle.constData());
        if (!m_server)
            throw AppError(CatalogueMessage::serverDriverUnavailable());
        // The server's notices ("NOTICE: ...") are for administrators, not for the window or a
        // script's terminal.
        libPq().setNoticeProcessor(
            m_server, [](void *, const char *) {}, nullptr);
        // Every transaction of a read-only connection is refused writes by the server itself.
        if (access == CatalogueAccess::ReadOnly)
            execUnprepared(u"SET default_transaction_read_only = on"_s);
        // Asked only of a table that exists: the check of the table itself says what is missing.
        QSqlQuery privileges(m_database);
        if (!privileges.exec(u"SELECT CASE WHEN to_regclass('cd') IS NULL THEN false ELSE "
                             u"has_table_privilege('cd', 'INSERT') AND "
                             u"has_table_privilege('cd', 'UPDATE') AND "
                             u"has_table_privilege('cd', 'DELETE') END"_s))
            throw failure(privileges.lastError(), privileges.lastQuery());
        m_writable = access == CatalogueAccess::ReadWrite && privileges.next() &&
                     privileges.value(0).toBool();
    }
    ~ServerConnection() override { m_database.close(); }
    Q_DISABLE_COPY_MOVE(ServerConnection)

    QSqlDatabase &database() override { return m_database; }
    bool canWrite() const override { return m_writable; }
    // Readers never hold writers up on a server.
    bool writeLockFree() const override { return true; }

    void commit() const override
    {
        // A server answers COMMIT on a transaction that a failed statement aborted with a
        // rollback, which Qt's driver reports as success.
        const std::unique_ptr<PGresult, decltype(&PQclear)> result(libPq().exec(m_server, "COMMIT"),
                                                                   libPq().clear);
        if (libPq().resultStatus(result.get()) == PGRES_COMMAND_OK &&
            qstrcmp(libPq().cmdStatus(result.get()), "COMMIT") == 0)
            return;
        const char *state = libPq().resultErrorField(result.get(), PG_DIAG_SQLSTATE);
        const QString reason = libPq().resultStatus(result.get()) == PGRES_COMMAND_OK
                                   ? u"die Transaktion wurde zurückgerollt"_s
                                   : QString::fromUtf8(libPq().errorMessage(m_server));
        throw serverError(QString::fromLatin1(state ? state : ""), reason, m_place.shown(),
                          connectionLost());
    }

    void setBusyWait(const std::function<bool()> *wait) override
    {
        m_busyWait = wait && *wait ? wait : nullptr;
    }

    // A server catalogue gets what it lacks from "tralbo-newcatalogue --upgrade", by its owner.
    void addMissingIndexes() const override {}

    bool lockForImport() const override
    {
        QSqlQuery tryLock(m_database);
        for (;;) {
            if (!tryLock.exec(u"SELECT pg_try_advisory_xact_lock(%1)"_s.arg(ImportLockKey)))
                throw failure(tryLock.lastError(), tryLock.lastQuery());
            if (tryLock.next() && tryLock.value(0).toBool())
                return true;
            if (!m_busyWait || !(*m_busyWait)())
                return false;
        }
    }

    bool inTransaction() const override
    {
        return libPq().transactionStatus(m_server) != PQTRANS_IDLE;
    }
    bool connectionLost() const override { return libPq().status(m_server) != CONNECTION_OK; }

    // Only a statement that changes records is refused as a write to a read-only catalogue;
    // any other that the server refuses (a read, making tables) lacks a privilege.
    CatalogueFailure failure(const QSqlError &error, const QString &statement) const override
    {
        static const QRegularExpression changesRecords(u"^\\s*(INSERT|UPDATE|DELETE|COPY)\\b"_s,
                                                       QRegularExpression::CaseInsensitiveOption);
        const bool writing = changesRecords.match(statement).hasMatch();
        return serverError(error.nativeErrorCode(), error.databaseText().trimmed(), m_place.shown(),
                           connectionLost(), writing ? ServerWork::Writing : ServerWork::Reading);
    }

    // The driver prepares with PREPARE, which takes no SET, BEGIN or CREATE.
    void execUnprepared(const QString &sql) const override
    {
        QSqlQuery query(m_database);
        if (!query.exec(sql))
            throw failure(query.lastError(), sql);
    }

    // A refused statement spoils a server's whole transaction; the savepoint keeps what came
    // before, as SQLite does.
    void insert(QSqlQuery &insert) const override
    {
        execUnprepared(u"SAVEPOINT record"_s);
        if (!insert.exec()) {
            const CatalogueFailure refused = failure(insert.lastError(), insert.lastQuery());
            execUnprepared(u"ROLLBACK TO SAVEPOINT record"_s);
            throw refused;
        }
        execUnprepared(u"RELEASE SAVEPOINT record"_s);
    }

    qint64 insertedKey(QSqlQuery &insert) const override
    {
        return insert.next() ? insert.value(0).toLongLong() : 0;
    }

    // Qt's driver passes the rows on one at a time as they arrive.
    void forEachText(const QString &sql, const QVariantMap &parameters,
                     const std::function<void(const QString &)> &visit) const override
    {
        QSqlQuery query = executed(sql, parameters);
        while (query.next())
            visit(query.value(0).toString());
        if (query.lastError().isValid())
            throw failure(query.lastError(), sql);
    }

    void forEachRecord(
        const QString &sql, const QVariantMap &parameters,
        const std::function<void(qint64, std::array<FieldValue, 4> &)> &visit) const override
    {
        QSqlQuery query = executed(sql, parameters);
        std::array<FieldValue, 4> fields;
        while (query.next()) {
            for (int column = 1; column <= int(fields.size()); ++column)
                fields[std::size_t(column - 1)] = fieldValue(query.value(column));
            visit(query.value(0).toLongLong(), fields);
        }
        if (query.lastError().isValid())
            throw failure(query.lastError(), sql);
    }

    AppendResult append(qsizetype first, qsizetype end,
                        const std::function<CatalogueRecord(qsizetype)> &recordAt) override
    {
        const ServerAppendResult appended =
            appendOnServer(m_server, m_place.shown(), end - first,
                           [&](qsizetype index) { return recordAt(first + index); });
        AppendResult result{appended.stored, std::nullopt, std::nullopt, appended.connectionLost};
        if (appended.refused)
            result.refused = first + *appended.refused;
        if (appended.failure)
            result.failure = CatalogueFailure(*appended.failure, 0);
        return result;
    }

    std::unique_ptr<StagedTree> storeTree(const CataloguePlace &, const QString &disc,
                                          const QByteArray &treeText) override
    {
        QSqlQuery store(m_database);
        store.prepare(u"INSERT INTO trees (disc, tree, stored) VALUES (:disc, :tree, now()) "
                      u"ON CONFLICT (disc) DO UPDATE SET tree = excluded.tree, "
                      u"stored = excluded.stored"_s);
        store.bindValue(u":disc"_s, disc);
        store.bindValue(u":tree"_s, treeText);
        if (!store.exec())
            throw failure(store.lastError(), store.lastQuery());
        return nullptr;
    }

    // The server keeps its own trigram index.
    std::unique_ptr<SearchIndexUpdate> searchIndexUpdate() const override { return nullptr; }
    sqlite3 *sqliteHandle() const override { return nullptr; }

private:
    QSqlQuery executed(const QString &sql, const QVariantMap &parameters) const
    {
        QSqlQuery query(m_database);
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            throw failure(query.lastError(), sql);
        for (auto parameter = parameters.cbegin(); parameter != parameters.cend(); ++parameter)
            query.bindValue(parameter.key(), parameter.value());
        if (!query.exec())
            throw failure(query.lastError(), sql);
        return query;
    }

    CataloguePlace m_place;
    QSqlDatabase m_database;
    pg_conn *m_server = nullptr;
    bool m_writable = false;
    const std::function<bool()> *m_busyWait = nullptr;
};

} // namespace

QString ServerBackend::shown(const QString &location) const
{
    return maskedLocation(location);
}

CataloguePlace ServerBackend::located(const CataloguePlace &place) const
{
    return place;
}

void ServerBackend::checkOn(const CatalogueConnection &connection) const
{
    verifyServerCatalogue(connection);
}

QString ServerBackend::create(const CataloguePlace &place,
                              const std::function<void()> &beforeConnecting) const
{
    if (beforeConnecting)
        beforeConnecting();
    createServerCatalogue(place);
    return u"Tabellen cd und trees, Indexe %1"_s.arg(serverIndexNames().join(u", "_s));
}

std::optional<QStringList>
ServerBackend::upgrade(const CataloguePlace &place,
                       const std::function<void()> &beforeConnecting) const
{
    if (beforeConnecting)
        beforeConnecting();
    return upgradeServerCatalogue(place);
}

std::unique_ptr<BackendConnection> ServerBackend::connect(const CataloguePlace &place,
                                                          CatalogueAccess access,
                                                          const QString &connectionName) const
{
    return std::make_unique<ServerConnection>(place, access, connectionName);
}

// Every name can name a row.
bool ServerBackend::canKeepTree(const CataloguePlace &, const QString &) const
{
    return true;
}

QString ServerBackend::treePlace(const CataloguePlace &place, const QString &disc) const
{
    return u"Verzeichnisbaum \"%1\" in %2"_s.arg(disc, place.shown());
}

std::optional<QByteArray> ServerBackend::readTree(const CataloguePlace &place,
                                                  const QString &disc) const
{
    const CatalogueConnection connection(place, CatalogueAccess::ReadOnly);
    QSqlQuery read = connection.prepare(u"SELECT tree FROM trees WHERE disc = :disc"_s);
    read.bindValue(u":disc"_s, disc);
    connection.exec(read);
    if (!read.next())
        return std::nullopt;
    return read.value(0).toByteArray();
}

std::optional<SearchIndex> ServerBackend::searchIndex(const CataloguePlace &) const
{
    return std::nullopt;
}

QString ServerBackend::keyColumn() const
{
    return u"nr"_s;
}

QString ServerBackend::beginWriting() const
{
    return u"BEGIN"_s;
}

// DATEI_UPPER, which the program wrote with the upper() it gives SQLite, is compared to the
// pattern upper-cased the same way, never to the server's own upper(): its collation keeps "ß"
// where the program's gives "SS". "%" and "_" keep their LIKE meaning, and nothing escapes them.
BrowseCondition ServerBackend::condition(const BrowseRequest &request) const
{
    switch (request.kind) {
    case BrowseRequest::Kind::FirstOpening:
    case BrowseRequest::Kind::AllDiscs:
        break;
    case BrowseRequest::Kind::DiscFilter:
        return {u"cd LIKE :pattern ESCAPE ''"_s, request.text};
    case BrowseRequest::Kind::FileNameSearch:
        return {u"datei_upper LIKE :pattern ESCAPE ''"_s, (u'%' + request.text + u'%').toUpper()};
    }
    return {u"true"_s, std::nullopt};
}

QString ServerBackend::insertStatement() const
{
    return InsertStatement;
}

QVariantList ServerBackend::insertValues(const std::array<FieldValue, 4> &fields) const
{
    return insertValuesOf(fields);
}

// The server keeps the program's upper form of the path beside it, for the search.
QString ServerBackend::fieldAssignment(int position) const
{
    const QString assignment =
        u"%1 = :value"_s.arg(CatalogueSchema::FieldNames[std::size_t(position)]);
    return position == PathPosition ? assignment + u", datei_upper = :upper"_s : assignment;
}

void ServerBackend::bindField(QSqlQuery &update, int position, const FieldValue &value) const
{
    update.bindValue(u":value"_s, boundValue(value));
    if (position == PathPosition)
        update.bindValue(u":upper"_s, boundValue(upperPath(value)));
}
