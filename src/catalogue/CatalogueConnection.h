#pragma once

#include "catalogue/CatalogueError.h"
#include "catalogue/CataloguePlace.h"
#include "catalogue/CatalogueRecord.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantMap>

#include <array>
#include <functional>
#include <memory>

struct pg_conn;
struct sqlite3;
struct sqlite3_stmt;

// One Qt connection of its own to an existing catalogue: a file, with the program's SQL rules (a
// Unicode-aware upper(), a case-sensitive LIKE and a short busy timeout), or a PostgreSQL server.
// The file is never created; a read-only connection cannot write at all. Unregistered when
// destroyed, so every query made on it must be gone by then.
class CatalogueConnection final
{
public:
    enum class Access
    {
        ReadOnly,
        ReadWrite
    };

    // Throws AppError when the driver is missing, the file cannot be opened or the server cannot
    // be reached.
    CatalogueConnection(const CataloguePlace &place, Access access);
    ~CatalogueConnection();
    Q_DISABLE_COPY_MOVE(CatalogueConnection)

    const CataloguePlace &place() const { return m_place; }
    const QString &location() const { return m_place.location(); }
    bool isServer() const { return m_server != nullptr; }
    // The column that keys records: SQLite's rowid, whatever the key field is called in the file;
    // the identity column on a server.
    QString keyColumn() const;
    // A statement that begins a write transaction, on SQLite with the write lock taken at once.
    QString beginWriting() const;
    // The server's connection handle for what Qt's driver cannot do (COPY); null for a file.
    pg_conn *serverHandle() const { return m_server; }
    // SQLite's handle, for work the driver cannot do; null on a server.
    sqlite3 *sqliteHandle() const { return m_handle; }
    // Whether writes can succeed: the connection, the file and its folder (for the rollback
    // journal) are writable.
    bool canWrite() const;
    // Whether no other connection holds the write lock now; asks without waiting. Only outside a
    // transaction. A server has no such lock.
    bool writeLockFree() const;
    // Commits the open transaction. Throws AppError when it was not committed, also when the
    // server rolled it back because a statement in it had failed.
    void commit() const;
    // While set, a lock held by another connection is waited for: wait is called about every
    // 50 ms and says whether to go on waiting. Unset, a file waits a second at most.
    void setBusyWait(std::function<bool()> wait);
    // Takes the catalogue's import lock inside the open write transaction, so that imports take
    // turns; waits as setBusyWait says. A file's write transaction holds it already. Returns
    // false when the wait gave up.
    bool lockForImport() const;
    // Whether a transaction is open; SQLite ends one by itself after some engine faults.
    bool inTransaction() const;
    // Whether the connection to the server broke; never for a file.
    bool connectionLost() const;

    // Prepared statements and their execution; failures throw AppError (see catalogueError).
    QSqlQuery prepare(const QString &sql) const;
    void exec(QSqlQuery &query) const;
    void exec(const QString &sql) const; // also statements that cannot be prepared
    // An insert of one record, its fields CD, DATEI, INFO and INHALT bound by bindInsert(); a
    // server also gets the upper-cased path beside them and gives the new key back.
    QSqlQuery prepareInsert() const;
    void bindInsert(QSqlQuery &insert, const std::array<FieldValue, 4> &fields) const;
    // The key of the record the executed insert stored.
    qint64 insertedKey(QSqlQuery &insert) const;
    // The catalogue's message for a failure of a query on this connection (catalogueError,
    // serverError).
    // A statement that reads (SELECT), or none given, fails as a read, any other as a write.
    CatalogueFailure failure(const QSqlError &error, const QString &statement = {}) const;
    // Runs a query of one text column straight on SQLite (through the driver on a server, whose
    // rows arrive one at a time) and gives every row's value to visit
    // (NULL as empty), reusing the QString while the value repeats. Qt's driver builds a
    // QVariant per value, which over a million rows costs several times SQLite's own work.
    // Parameters are bound by name, integers as integers, anything else as text (null QVariant
    // as NULL). Throws AppError.
    void forEachText(const QString &sql, const QVariantMap &parameters,
                     const std::function<void(const QString &)> &visit) const;

    // Runs a query of a key column and the four text fields CD, DATEI, INFO and INHALT and gives
    // every row to visit, straight from SQLite (on a server as the rows arrive), decoding into
    // the same field buffers from row to row: a whole catalogue is read this way. Parameters
    // as for forEachText. Throws AppError.
    void forEachRecord(
        const QString &sql, const QVariantMap &parameters,
        const std::function<void(qint64 key, std::array<FieldValue, 4> &fields)> &visit) const;

private:
    // Removes the connection from Qt's registry once the database handle below is gone.
    struct Registration
    {
        QString name;
        ~Registration();
    };

    struct StatementFinalizer
    {
        void operator()(sqlite3_stmt *statement) const;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

    Statement preparedOnFile(const QString &sql, const QVariantMap &parameters) const;
    CatalogueFailure fileFailure(int code) const;
    QSqlQuery executedOnServer(const QString &sql, const QVariantMap &parameters) const;
    void openServer(Access access);
    void openFile(Access access);

    Registration m_registration;
    QSqlDatabase m_database;
    CataloguePlace m_place;
    sqlite3 *m_handle = nullptr;
    pg_conn *m_server = nullptr;
    bool m_serverWritable = false;
    std::function<bool()> m_busyWait;
};
