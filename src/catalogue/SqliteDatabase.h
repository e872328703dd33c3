#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <QVariantMap>

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

// A connection straight on SQLite, for the search index: its work also runs in worker threads,
// where the connections of Qt's driver (bound to the thread that made them) cannot go, and it
// needs SQLite's file controls. The program's upper() is registered; SQLite waits for no lock
// unless a busy timeout is set.
class SqliteDatabase final
{
public:
    // flags as sqlite3_open_v2 takes them. Throws AppError.
    SqliteDatabase(const QString &fileName, int flags);
    ~SqliteDatabase();
    Q_DISABLE_COPY_MOVE(SqliteDatabase)

    sqlite3 *handle() const { return m_handle; }
    void setBusyTimeout(int milliseconds) const;
    void exec(const char *sql) const; // throws AppError

private:
    sqlite3 *m_handle = nullptr;
};

// A prepared statement on any connection, also one of Qt's driver, finalized when destroyed.
// Failures throw a CatalogueFailure, which carries SQLite's result code.
class SqliteStatement final
{
public:
    SqliteStatement(sqlite3 *connection, const char *sql);
    SqliteStatement(const SqliteDatabase &database, const char *sql)
        : SqliteStatement(database.handle(), sql)
    {}
    ~SqliteStatement();
    Q_DISABLE_COPY_MOVE(SqliteStatement)

    void bind(int index, qint64 value);
    void bind(int index, const QString &text);
    void bind(int index, const QByteArray &utf8);
    void bind(int index, sqlite3_value *value);
    // Text, or NULL for none.
    void bind(int index, const std::optional<QString> &text);
    // Binds each parameter by its name (":key"): integers as integers, a null QVariant as NULL,
    // anything else as text.
    void bind(const QVariantMap &parameters);
    // Whether a row came; false once the statement is done, after which it can be bound and run
    // again.
    bool step();
    void reset(); // ends a run before its last row, releasing what it holds
    qint64 integer(int column) const;
    // The column's UTF-8 text; a null view for NULL.
    QByteArrayView text(int column) const;
    sqlite3_value *value(int column) const;

private:
    sqlite3 *m_connection;
    sqlite3_stmt *m_statement = nullptr;
};

// A transaction on a connection of either kind, begun by the given statement ("BEGIN" for a
// read, "BEGIN IMMEDIATE" for a write), ended by commit() or else rolled back when destroyed.
class SqliteTransaction final
{
public:
    SqliteTransaction(sqlite3 *connection, const char *begin); // throws AppError
    ~SqliteTransaction();
    Q_DISABLE_COPY_MOVE(SqliteTransaction)

    void commit(); // throws AppError

private:
    sqlite3 *m_connection;
    bool m_open = true;
};

// The failure SQLite reported on the connection with that result code.
[[noreturn]] void throwSqliteFailure(sqlite3 *connection, int code);
