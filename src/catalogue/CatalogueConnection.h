#pragma once

#include "catalogue/CatalogueBackend.h"
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
#include <optional>

struct sqlite3;

// One Qt connection of its own to an existing catalogue, on the place's back end (a file through
// SQLite, a PostgreSQL server). The file is never created; a read-only connection cannot write
// at all. Unregistered when destroyed, so every query made on it must be gone by then.
class CatalogueConnection final
{
public:
    using Access = CatalogueAccess;

    // Throws AppError when the driver is missing, the file cannot be opened or the server cannot
    // be reached.
    CatalogueConnection(const CataloguePlace &place, Access access);
    ~CatalogueConnection();
    Q_DISABLE_COPY_MOVE(CatalogueConnection)

    const CataloguePlace &place() const { return m_place; }
    const CatalogueBackend &backend() const { return m_place.backend(); }
    const QString &location() const { return m_place.location(); }
    // The column that keys records: SQLite's rowid, whatever the key field is called in the file;
    // the identity column on a server.
    QString keyColumn() const { return backend().keyColumn(); }
    // A statement that begins a write transaction, on SQLite with the write lock taken at once.
    QString beginWriting() const { return backend().beginWriting(); }
    // Whether writes can succeed: the connection may write, and for a file, the file and its
    // folder (for the rollback journal) are writable.
    bool canWrite() const { return m_driver->canWrite(); }
    // Whether no other connection holds the write lock now; asks without waiting. Only outside a
    // transaction.
    bool writeLockFree() const { return m_driver->writeLockFree(); }
    // Commits the open transaction. Throws AppError when it was not committed, also when the
    // server rolled it back because a statement in it had failed.
    void commit() const { m_driver->commit(); }
    // While set, a lock held by another connection is waited for: wait is called about every
    // 50 ms and says whether to go on waiting. Unset, a file waits a second at most.
    void setBusyWait(std::function<bool()> wait);
    // Takes the catalogue's import lock inside the open write transaction, so that imports take
    // turns; waits as setBusyWait says. Returns false when the wait gave up.
    bool lockForImport() const { return m_driver->lockForImport(); }
    // Gives a catalogue made by an earlier version the indexes it lacks, inside the open write
    // transaction under the import lock. They only speed reading up, so where one cannot be made
    // (a full disk) it is left out; throws AppError only when that failure ended the transaction.
    void addMissingIndexes() const { m_driver->addMissingIndexes(); }
    // Whether a transaction is open; SQLite ends one by itself after some engine faults.
    bool inTransaction() const { return m_driver->inTransaction(); }
    // Whether the connection to the server broke; never for a file.
    bool connectionLost() const { return m_driver->connectionLost(); }

    // Prepared statements and their execution; failures throw AppError (see catalogueError,
    // serverError).
    QSqlQuery prepare(const QString &sql) const;
    void exec(QSqlQuery &query) const;
    void exec(const QString &sql) const; // also statements that cannot be prepared
    // An insert of one record, its fields CD, DATEI, INFO and INHALT bound by bindInsert(); a
    // server also gets the upper-cased path beside them and gives the new key back. A refused
    // record leaves the transaction as it was.
    QSqlQuery prepareInsert() const;
    void bindInsert(QSqlQuery &insert, const std::array<FieldValue, 4> &fields) const;
    void execInsert(QSqlQuery &insert) const { m_driver->insert(insert); }
    // The key of the record the executed insert stored.
    qint64 insertedKey(QSqlQuery &insert) const { return m_driver->insertedKey(insert); }
    // The catalogue's message for a failure of a query on this connection. On a server, only a
    // statement that changes records fails as a write (see ServerWork).
    CatalogueFailure failure(const QSqlError &error, const QString &statement = {}) const;
    // Runs a query of one text column and gives every row's value to visit (NULL as empty),
    // straight from SQLite for a file (Qt's driver builds a QVariant per value, which over a
    // million rows costs several times SQLite's own work), as the rows arrive from a server.
    // Parameters are bound by name, integers as integers, anything else as text (null QVariant
    // as NULL). Throws AppError.
    void forEachText(const QString &sql, const QVariantMap &parameters,
                     const std::function<void(const QString &)> &visit) const;
    // The same for a query of a key column and the four text fields CD, DATEI, INFO and INHALT,
    // decoding into the same field buffers from row to row: a whole catalogue is read this way.
    void forEachRecord(
        const QString &sql, const QVariantMap &parameters,
        const std::function<void(qint64 key, std::array<FieldValue, 4> &fields)> &visit) const;
    // Appends recordAt(first) to recordAt(end - 1) inside the open transaction, up to the first
    // record refused: with COPY on a server, prepared inserts on a file.
    AppendResult append(qsizetype first, qsizetype end,
                        const std::function<CatalogueRecord(qsizetype)> &recordAt) const;
    // Keeps the disc's tree with the open transaction: stored in it, or staged as a file that
    // is published after the commit (then returned). Throws AppError.
    std::unique_ptr<StagedTree> storeTree(const QString &disc, const QByteArray &treeText) const;
    // Carries a write of this connection into the search index beside the catalogue; none where
    // the catalogue keeps its own.
    std::unique_ptr<SearchIndexUpdate> searchIndexUpdate() const;
    // The search index beside the catalogue, and SQLite's handle to attach it to; none where
    // the catalogue keeps its own.
    std::optional<SearchIndex> searchIndex() const;
    sqlite3 *sqliteHandle() const { return m_driver->sqliteHandle(); }

private:
    // Removes the connection from Qt's registry once the database handle below is gone.
    struct Registration
    {
        QString name;
        ~Registration();
    };

    Registration m_registration;
    CataloguePlace m_place;
    std::unique_ptr<BackendConnection> m_driver;
    std::function<bool()> m_busyWait;
};
