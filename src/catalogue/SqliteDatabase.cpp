#include "catalogue/SqliteDatabase.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/SqlFunctions.h"

#include <QFile>
#include <QScopeGuard>

#include <sqlite3.h>

void throwSqliteFailure(sqlite3 *connection, int code)
{
    const char *file = sqlite3_db_filename(connection, "main");
    throw catalogueError(code, QString::fromUtf8(sqlite3_errmsg(connection)),
                         QString::fromUtf8(file ? file : ""));
}

SqliteDatabase::SqliteDatabase(const QString &fileName, int flags)
{
    const int code =
        sqlite3_open_v2(QFile::encodeName(fileName).constData(), &m_handle, flags, nullptr);
    if (code != SQLITE_OK) {
        // The handle carries the message, and must be closed even though the open failed.
        const CatalogueFailure failure =
            catalogueError(code, QString::fromUtf8(sqlite3_errmsg(m_handle)), fileName);
        sqlite3_close_v2(m_handle);
        throw failure;
    }
    sqlite3_extended_result_codes(m_handle, 1);
    if (const int registered = registerUnicodeUpper(m_handle); registered != SQLITE_OK) {
        sqlite3_close_v2(m_handle);
        throw AppError(CatalogueMessage::engineUnavailable());
    }
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close_v2(m_handle);
}

void SqliteDatabase::setBusyTimeout(int milliseconds) const
{
    sqlite3_busy_timeout(m_handle, milliseconds);
}

void SqliteDatabase::exec(const char *sql) const
{
    if (const int code = sqlite3_exec(m_handle, sql, nullptr, nullptr, nullptr); code != SQLITE_OK)
        throwSqliteFailure(m_handle, code);
}

SqliteStatement::SqliteStatement(sqlite3 *connection, const char *sql) : m_connection(connection)
{
    if (const int code = sqlite3_prepare_v2(connection, sql, -1, &m_statement, nullptr);
        code != SQLITE_OK)
        throwSqliteFailure(connection, code);
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::bind(int index, qint64 value)
{
    if (const int code = sqlite3_bind_int64(m_statement, index, value); code != SQLITE_OK)
        throwSqliteFailure(m_connection, code);
}

void SqliteStatement::bind(int index, const QString &text)
{
    bind(index, text.toUtf8());
}

void SqliteStatement::bind(int index, const QByteArray &utf8)
{
    if (const int code = sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()),
                                           SQLITE_TRANSIENT);
        code != SQLITE_OK)
        throwSqliteFailure(m_connection, code);
}

void SqliteStatement::bind(int index, sqlite3_value *value)
{
    if (const int code = sqlite3_bind_value(m_statement, index, value); code != SQLITE_OK)
        throwSqliteFailure(m_connection, code);
}

void SqliteStatement::bind(int index, const std::optional<QString> &text)
{
    if (text) {
        bind(index, *text);
        return;
    }
    if (const int code = sqlite3_bind_null(m_statement, index); code != SQLITE_OK)
        throwSqliteFailure(m_connection, code);
}

void SqliteStatement::bind(const QVariantMap &parameters)
{
    for (auto parameter = parameters.cbegin(); parameter != parameters.cend(); ++parameter) {
        const int index =
            sqlite3_bind_parameter_index(m_statement, parameter.key().toUtf8().constData());
        const QVariant &value = parameter.value();
        if (value.isNull()) {
            if (const int code = sqlite3_bind_null(m_statement, index); code != SQLITE_OK)
                throwSqliteFailure(m_connection, code);
        } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int) {
            bind(index, value.toLongLong());
        } else {
            bind(index, value.toString());
        }
    }
}

bool SqliteStatement::step()
{
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    // After the failure is taken, which the reset would keep but not its message.
    const auto done = qScopeGuard([this] { reset(); });
    if (code != SQLITE_DONE)
        throwSqliteFailure(m_connection, code);
    return false;
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QByteArrayView SqliteStatement::text(int column) const
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return bytes ? QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column))
                 : QByteArrayView();
}

sqlite3_value *SqliteStatement::value(int column) const
{
    return sqlite3_column_value(m_statement, column);
}

SqliteTransaction::SqliteTransaction(sqlite3 *connection, const char *begin)
    : m_connection(connection)
{
    if (const int code = sqlite3_exec(connection, begin, nullptr, nullptr, nullptr);
        code != SQLITE_OK)
        throwSqliteFailure(connection, code);
}

SqliteTransaction::~SqliteTransaction()
{
    // SQLite may have rolled back by itself after a fault; then there is nothing left to end.
    if (m_open && sqlite3_get_autocommit(m_connection) == 0)
        sqlite3_exec(m_connection, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteTransaction::commit()
{
    if (const int code = sqlite3_exec(m_connection, "COMMIT", nullptr, nullptr, nullptr);
        code != SQLITE_OK)
        throwSqliteFailure(m_connection, code);
    m_open = false;
}
