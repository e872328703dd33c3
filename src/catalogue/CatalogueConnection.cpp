#include "catalogue/CatalogueConnection.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/ServerLocation.h"
#include "catalogue/SqlFunctions.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringDecoder>
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

int waitWhileBusy(void *wait, int)
{
    return (*static_cast<std::function<bool()> *>(wait))() ? 1 : 0;
}

// Any key will do that no other program takes on the catalogue's database.
constexpr qint64 ImportLockKey = 0x7472616c626f; // "tralbo"

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

void CatalogueConnection::StatementFinalizer::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

CatalogueConnection::Registration::~Registration()
{
    QSqlDatabase::removeDatabase(name);
}

CatalogueConnection::CatalogueConnection(const CataloguePlace &place, Access access)
    : m_registration{uniqueConnectionName()}, m_place(place)
{
    if (place.kind() == CataloguePlace::Kind::Server)
        openServer(access);
    else
        openFile(access);
}

void CatalogueConnection::openFile(Access access)
{
    m_database = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_registration.name);
    if (!m_database.isValid())
        throw AppError(CatalogueMessage::engineUnavailable());
    m_database.setDatabaseName(uriOf(location(), access));
    QString options = u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(BusyTimeoutMs);
    if (access == Access::ReadOnly)
        options += u";QSQLITE_OPEN_READONLY"_s;
    m_database.setConnectOptions(options);
    if (!m_database.open())
        throw catalogueError(m_database.lastError(), location());

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
    m_database.setConnectOptions(ServerLocation::connectOptions(location()));
    if (!m_database.open())
        throw AppError(CatalogueMessage::serverUnreachable(
            m_place.shown(), m_database.lastError().databaseText().trimmed()));
    const QVariant handle = m_database.driver()->handle();
    // Qt 6 names the type as the compiler spells it, through the typedef.
    if (handle.isValid() &&
        (qstrcmp(handle.typeName(), "pg_conn*") == 0 || qstrcmp(handle.typeName(), "PGconn*") == 0))
        m_server = *static_cast<pg_conn *const *>(handle.constData());
    if (!m_server)
        throw AppError(CatalogueMessage::serverDriverUnavailable());
    // The server's notices ("NOTICE: ...") are for administrators, not for the window or a
    // script's terminal.
    PQsetNoticeProcessor(
        m_server, [](void *, const char *) {}, nullptr);
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

CatalogueFailure CatalogueConnection::failure(const QSqlError &error,
                                              const QString &statement) const
{
    if (!m_server)
        return catalogueError(error, location());
    const bool reading =
        statement.isEmpty() || statement.trimmed().startsWith(u"SELECT"_s, Qt::CaseInsensitive);
    return serverError(error.nativeErrorCode(), error.databaseText().trimmed(), m_place.shown(),
                       connectionLost(), reading ? ServerWork::Reading : ServerWork::Writing);
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
    const QFileInfo file(location());
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
    if (m_busyWait)
        sqlite3_busy_handler(m_handle, waitWhileBusy,
                             const_cast<std::function<bool()> *>(&m_busyWait));
    return free;
}

void CatalogueConnection::commit() const
{
    if (!m_server) {
        exec(u"COMMIT"_s);
        return;
    }
    // A server answers COMMIT on a transaction that a failed statement aborted with a rollback,
    // which Qt's driver reports as success.
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(m_server, "COMMIT"), PQclear);
    if (PQresultStatus(result.get()) == PGRES_COMMAND_OK &&
        qstrcmp(PQcmdStatus(result.get()), "COMMIT") == 0)
        return;
    const char *state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
    const QString reason = PQresultStatus(result.get()) == PGRES_COMMAND_OK
                               ? u"die Transaktion wurde zurückgerollt"_s
                               : QString::fromUtf8(PQerrorMessage(m_server));
    throw serverError(QString::fromLatin1(state ? state : ""), reason, m_place.shown(),
                      connectionLost());
}

void CatalogueConnection::setBusyWait(std::function<bool()> wait)
{
    m_busyWait = std::move(wait);
    if (!m_handle)
        return;
    if (m_busyWait)
        sqlite3_busy_handler(m_handle, waitWhileBusy, &m_busyWait);
    else
        sqlite3_busy_timeout(m_handle, BusyTimeoutMs);
}

bool CatalogueConnection::lockForImport() const
{
    if (!m_server)
        return true;
    QSqlQuery tryLock = prepare(u"SELECT pg_try_advisory_xact_lock(%1)"_s.arg(ImportLockKey));
    for (;;) {
        exec(tryLock);
        if (tryLock.next() && tryLock.value(0).toBool())
            return true;
        if (!m_busyWait || !m_busyWait())
            return false;
    }
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
        throw failure(query.lastError(), sql);
    return query;
}

void CatalogueConnection::exec(QSqlQuery &query) const
{
    if (!query.exec())
        throw failure(query.lastError(), query.lastQuery());
}

void CatalogueConnection::exec(const QString &sql) const
{
    // The server's driver prepares with PREPARE, which takes no SET, BEGIN or CREATE.
    if (m_server) {
        QSqlQuery query(m_database);
        if (!query.exec(sql))
            throw failure(query.lastError(), sql);
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

namespace {

// Decodes into the field's own buffer, which keeps its room from row to row.
void assignText(FieldValue &field, sqlite3_stmt *statement, int column, QStringDecoder &decoder)
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    if (!bytes) {
        field.reset();
        return;
    }
    const QByteArrayView text(bytes, sqlite3_column_bytes(statement, column));
    QString &value = field ? *field : field.emplace();
    value.resize(decoder.requiredSpace(text.size()));
    const QChar *end = decoder.appendToBuffer(value.data(), text);
    value.truncate(end - value.constData());
}

} // namespace

CatalogueConnection::Statement
CatalogueConnection::preparedOnFile(const QString &sql, const QVariantMap &parameters) const
{
    sqlite3_stmt *prepared = nullptr;
    const QByteArray text = sql.toUtf8();
    if (const int code =
            sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &prepared, nullptr);
        code != SQLITE_OK)
        throw fileFailure(code);
    Statement statement(prepared);
    for (auto parameter = parameters.cbegin(); parameter != parameters.cend(); ++parameter) {
        const int index =
            sqlite3_bind_parameter_index(prepared, parameter.key().toUtf8().constData());
        if (const int code = bind(prepared, index, parameter.value()); code != SQLITE_OK)
            throw fileFailure(code);
    }
    return statement;
}

CatalogueFailure CatalogueConnection::fileFailure(int code) const
{
    return catalogueError(code, QString::fromUtf8(sqlite3_errmsg(m_handle)), location());
}

QSqlQuery CatalogueConnection::executedOnServer(const QString &sql,
                                                const QVariantMap &parameters) const
{
    QSqlQuery query = prepare(sql);
    for (auto parameter = parameters.cbegin(); parameter != parameters.cend(); ++parameter)
        query.bindValue(parameter.key(), parameter.value());
    exec(query);
    return query;
}

void CatalogueConnection::forEachRecord(
    const QString &sql, const QVariantMap &parameters,
    const std::function<void(qint64, std::array<FieldValue, 4> &)> &visit) const
{
    std::array<FieldValue, 4> fields;
    if (m_server) {
        QSqlQuery query = executedOnServer(sql, parameters);
        while (query.next()) {
            for (int column = 1; column <= int(fields.size()); ++column)
                fields[std::size_t(column - 1)] = fieldValue(query.value(column));
            visit(query.value(0).toLongLong(), fields);
        }
        if (query.lastError().isValid())
            throw failure(query.lastError());
        return;
    }
    const Statement statement = preparedOnFile(sql, parameters);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        for (int column = 1; column <= int(fields.size()); ++column)
            assignText(fields[std::size_t(column - 1)], statement.get(), column, decoder);
        visit(sqlite3_column_int64(statement.get(), 0), fields);
    }
    if (code != SQLITE_DONE)
        throw fileFailure(code);
}

void CatalogueConnection::forEachText(const QString &sql, const QVariantMap &parameters,
                                      const std::function<void(const QString &)> &visit) const
{
    if (m_server) {
        QSqlQuery query = executedOnServer(sql, parameters);
        while (query.next())
            visit(query.value(0).toString());
        if (query.lastError().isValid())
            throw failure(query.lastError());
        return;
    }
    const Statement statement = preparedOnFile(sql, parameters);
    QByteArray previous;
    QString value;
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0));
        const int size = sqlite3_column_bytes(statement.get(), 0);
        if (QByteArrayView(bytes, size) != previous) {
            previous = QByteArray(bytes, size);
            value = QString::fromUtf8(previous);
        }
        visit(value);
    }
    if (code != SQLITE_DONE)
        throw fileFailure(code);
}
