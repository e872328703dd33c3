#include "catalogue/CatalogueConnection.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/ServerLocation.h"
#include "catalogue/SqlFunctions.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Long enough to ride out another connection's short write, short enough that a catalogue held
// by another program fails at once instead of freezing the window.
constexpr int BusyTimeoutMs = 1000;

QString uniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return u"tralbo-catalogue-%1"_s.arg(++counter);
}

// A URI with mode=ro or mode=rw: unlike a plain path, neither mode ever creates the file.
QString uriOf(const QString &fileName, CatalogueConnection::Access access)
{
    QUrl uri = QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath());
    uri.setQuery(access == CatalogueConnection::Access::ReadOnly ? u"mode=ro"_s : u"mode=rw"_s);
    return uri.toString(QUrl::FullyEncoded);
}

struct StatementFinalizer
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

int bind(sqlite3_stmt *statement, int index, const QVariant &value)
{
    if (value.isNull())
        return sqlite3_bind_null(statement, index);
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return sqlite3_bind_int64(statement, index, value.toLongLong());
    const QByteArray text = value.toString().toUtf8();
    return sqlite3_bind_text(statement, index, text.constData(), int(text.size()),
                             SQLITE_TRANSIENT);
}

} // namespace

CatalogueConnection::Registration::~Registration()
{
    QSqlDatabase::removeDatabase(name);
}

CatalogueConnection::CatalogueConnection(const QString &location, Access access)
    : m_registration{uniqueConnectionName()}, m_location(location)
{
    if (ServerLocation::isServer(location))
        openServer(access);
    else
        openFile(access);
}

void CatalogueConnection::openFile(Access access)
{
    m_database = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_registration.name);
    if (!m_database.isValid())
        throw AppError(CatalogueMessage::engineUnavailable());
    m_database.setDatabaseName(uriOf(m_location, access));
    QString options = u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(BusyTimeoutMs);
    if (access == Access::ReadOnly)
        options += u";QSQLITE_OPEN_READONLY"_s;
    m_database.setConnectOptions(options);
    if (!m_database.open())
        throw catalogueError(m_database.lastError(), m_location);

    const QVariant handle = m_database.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        m_handle = *static_cast<sqlite3 *const *>(handle.constData());
    if (!m_handle || registerUnicodeUpper(m_handle) != SQLITE_OK)
        throw AppError(CatalogueMessage::engineUnavailable());
    exec(u"PRAGMA case_sensitive_like = ON"_s);
}

void CatalogueConnection::openServer(Access access)
{
    m_database = QSqlDatabase::addDatabase(u"QPSQL"_s, m_registration.name);
    if (!m_database.isValid())
        throw AppError(CatalogueMessage::serverDriverUnavailable());
    m_database.setConnectOptions(ServerLocation::connectOptions(m_location));
    if (!m_database.open())
        throw AppError(CatalogueMessage::serverUnreachable(
            m_location, m_database.lastError().databaseText().trimmed()));
    const QVariant handle = m_database.driver()->handle();
    // Qt 6 names the type as the compiler spells it, through the typedef.
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "pg_conn*") == 0 || qstrcmp(handle.typeName(), "PGconn*") == 0))
        m_server = *static_cast<pg_conn *const *>(handle.constData());
    if (!m_server)
        throw AppError(CatalogueMessage::serverDriverUnavailable());
    // Every transaction of a read-only connection is refused writes by the server itself.
    if (access == Access::ReadOnly)
        exec(u"SET default_transaction_read_only = on"_s);
    // Asked only of a table that exists: the check of the table itself says what is missing.
    QSqlQuery privileges =
        prepare(u"SELECT CASE WHEN to_regclass('cd') IS NULL THEN false ELSE "
                u"has_table_privilege('cd', 'INSERT') AND has_table_privilege('cd', 'UPDATE') AND "
                u"has_table_privilege('cd', 'DELETE') END"_s);
    exec(privileges);
    m_serverWritable =
        access == Access::ReadWrite && privileges.next() && privileges.value(0).toBool();
}

CatalogueFailure CatalogueConnection::failure(const QSqlError &error) const
{
    if (!m_server)
        return catalogueError(error, m_location);
    return serverError(error.nativeErrorCode(), error.databaseText().trimmed(), m_location,
                       connectionLost());
}

QString CatalogueConnection::keyColumn() const
{
    return m_server ? u"nr"_s : u"rowid"_s;
}

QString CatalogueConnection::beginWriting() const
{
    return m_server ? u"BEGIN"_s : u"BEGIN IMMEDIATE"_s;
}

CatalogueConnection::~CatalogueConnection()
{
    m_database.close();
}

bool CatalogueConnection::canWrite() const
{
    if (m_server)
        return m_serverWritable;
    const QFileInfo file(m_location);
    return sqlite3_db_readonly(m_handle, "main") == 0 && file.isWritable() &&
           QFileInfo(file.absolutePath()).isWritable();
}

bool CatalogueConnection::writeLockFree() const
{
    if (m_server)
        return true;
    sqlite3_busy_timeout(m_handle, 0);
    const bool free =
        sqlite3_exec(m_handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (free)
        sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(m_handle, BusyTimeoutMs);
    return free;
}

bool CatalogueConnection::inTransaction() const
{
    if (m_server)
        return PQtransactionStatus(m_server) != PQTRANS_IDLE;
    return sqlite3_get_autocommit(m_handle) == 0;
}

bool CatalogueConnection::connectionLost() const
{
    return m_server && PQstatus(m_server) != CONNECTION_OK;
}

QSqlQuery CatalogueConnection::prepare(const QString &sql) const
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw failure(query.lastError());
    return query;
}

void CatalogueConnection::exec(QSqlQuery &query) const
{
    if (!query.exec())
        throw failure(query.lastError());
}

void CatalogueConnection::exec(const QString &sql) const
{
    // The server's driver prepares with PREPARE, which takes no SET, BEGIN or CREATE.
    if (m_server) {
        QSqlQuery query(m_database);
        if (!query.exec(sql))
            throw failure(query.lastError());
        return;
    }
    QSqlQuery query = prepare(sql);
    exec(query);
}

QSqlQuery CatalogueConnection::prepareInsert() const
{
    return prepare(
        m_server ? u"INSERT INTO cd (cd, datei, info, inhalt, datei_upper) VALUES (?, ?, ?, ?, ?) "
                   u"RETURNING nr"_s
                 : u"INSERT INTO CD (CD, DATEI, INFO, INHALT) VALUES (?, ?, ?, ?)"_s);
}

void CatalogueConnection::bindInsert(QSqlQuery &insert,
                                     const std::array<FieldValue, 4> &fields) const
{
    for (int i = 0; i < int(fields.size()); ++i)
        insert.bindValue(i, boundValue(fields[std::size_t(i)]));
    // The search compares the path in the program's upper case, never the server's.
    if (m_server)
        insert.bindValue(int(fields.size()), boundValue(upperPath(fields[1])));
}

qint64 CatalogueConnection::insertedKey(QSqlQuery &insert) const
{
    if (m_server)
        return insert.next() ? insert.value(0).toLongLong() : 0;
    return insert.lastInsertId().toLongLong();
}

void CatalogueConnection::forEachText(const QString &sql, const QVariantMap &parameters,
                                      const std::function<void(const QString &)> &visit) const
{
    if (m_server) {
        QSqlQuery query = prepare(sql);
        for (auto parameter = parameters.cbegin(); parameter != parameters.cend(); ++parameter)
            query.bindValue(parameter.key(), parameter.value());
        exec(query);
        while (query.next())
            visit(query.value(0).toString());
        if (query.lastError().isValid())
            throw failure(query.lastError());
        return;
    }
    const auto failure = [this](int code) {
        return catalogueError(code, QString::fromUtf8(sqlite3_errmsg(m_handle)), m_location);
    };
    sqlite3_stmt *prepared = nullptr;
    const QByteArray text = sql.toUtf8();
    if (const int code =
            sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &prepared, nullptr);
        code != SQLITE_OK)
        throw failure(code);
    const Statement statement(prepared);
    for (auto parameter = parameters.cbegin(); parameter != parameters.cend(); ++parameter) {
        const int index =
            sqlite3_bind_parameter_index(prepared, parameter.key().toUtf8().constData());
        if (const int code = bind(prepared, index, parameter.value()); code != SQLITE_OK)
            throw failure(code);
    }
    QByteArray previous;
    QString value;
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(prepared)) == SQLITE_ROW) {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(prepared, 0));
        const int size = sqlite3_column_bytes(prepared, 0);
        if (QByteArrayView(bytes, size) != previous) {
            previous = QByteArray(bytes, size);
            value = QString::fromUtf8(previous);
        }
        visit(value);
    }
    if (code != SQLITE_DONE)
        throw failure(code);
}
