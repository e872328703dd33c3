#pragma once

#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueRecord.h"

#include <QByteArray>
#include <QSqlQuery>
#include <QString>
#include <QVariantMap>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class CatalogueConnection;
class CataloguePlace;
class QSqlDatabase;
class QSqlError;
class SearchIndex;
class SearchIndexUpdate;
class StagedTree;
struct BrowseRequest;
struct sqlite3;

enum class CatalogueAccess
{
    ReadOnly,
    ReadWrite
};

// A where clause of the browse query, its pattern bound as :pattern.
struct BrowseCondition
{
    QString sql;
    FieldValue pattern;
};

// How appending a run of records inside a transaction ended.
struct AppendResult
{
    qsizetype stored = 0;             // records held by the transaction
    std::optional<qsizetype> refused; // the position of the record that was refused
    std::optional<CatalogueFailure> failure;
    bool connectionLost = false; // then the transaction, and all it held, is gone
};

class BackendConnection;

// What differs between the places a catalogue can live: a SQLite file or a PostgreSQL server.
// One implementation is chosen when a place is resolved (CataloguePlace); code outside the two
// implementations asks this interface, never which one it has.
class CatalogueBackend
{
public:
    virtual ~CatalogueBackend() = default;

    // The location as messages and logs show it (a password masked).
    virtual QString shown(const QString &location) const = 0;
    // The place as found, checked as far as that needs no connection of the caller's: a file
    // wholly (its name in its letter case), a server not at all, since that needs a connection
    // (see checkOn). Throws AppError: not found, not a catalogue, locked, damaged.
    virtual CataloguePlace located(const CataloguePlace &place) const = 0;
    // Checks on an open connection what located() could not: a server's tables. Throws AppError.
    virtual void checkOn(const CatalogueConnection &connection) const = 0;
    // Makes a new, empty catalogue at the place, never over an existing one, and says what it
    // made. beforeConnecting runs first where a connection is made that may want a password.
    // Throws AppError.
    virtual QString create(const CataloguePlace &place,
                           const std::function<void()> &beforeConnecting) const = 0;
    // Adds what a catalogue made by an earlier version lacks, never changing data, and names
    // it; none for a catalogue of a kind that never lacks anything. Throws AppError.
    virtual std::optional<QStringList>
    upgrade(const CataloguePlace &place, const std::function<void()> &beforeConnecting) const = 0;
    // Opens the driver's side of a connection on database, which the caller registered.
    // Throws AppError.
    virtual std::unique_ptr<BackendConnection> connect(const CataloguePlace &place,
                                                       CatalogueAccess access,
                                                       const QString &connectionName) const = 0;

    // Directory trees: whether one can be kept for the disc name, where it is kept as messages
    // name it, and the stored one (none when none is kept; throws AppError when unreadable).
    virtual bool canKeepTree(const CataloguePlace &place, const QString &disc) const = 0;
    virtual QString treePlace(const CataloguePlace &place, const QString &disc) const = 0;
    virtual std::optional<QByteArray> readTree(const CataloguePlace &place,
                                               const QString &disc) const = 0;
    // The search index the program keeps beside the catalogue; none where the catalogue keeps
    // its own.
    virtual std::optional<SearchIndex> searchIndex(const CataloguePlace &place) const = 0;

    // The column that keys records.
    virtual QString keyColumn() const = 0;
    // A statement that begins a write transaction.
    virtual QString beginWriting() const = 0;
    // The browse request's where clause. User text is only ever bound.
    virtual BrowseCondition condition(const BrowseRequest &request) const = 0;
    // The insert of one record and its values; see CatalogueConnection::prepareInsert.
    virtual QString insertStatement() const = 0;
    virtual QVariantList insertValues(const std::array<FieldValue, 4> &fields) const = 0;
    // The SET part of an update of the field at position (1 to 4), its value bound as :value,
    // and what else it binds.
    virtual QString fieldAssignment(int position) const = 0;
    virtual void bindField(QSqlQuery &update, int position, const FieldValue &value) const = 0;
};

// The driver's side of one open connection to a catalogue (see CatalogueConnection).
class BackendConnection
{
public:
    virtual ~BackendConnection() = default;

    virtual QSqlDatabase &database() = 0;
    virtual bool canWrite() const = 0;
    virtual bool writeLockFree() const = 0;
    virtual void commit() const = 0;
    virtual void setBusyWait(const std::function<bool()> *wait) = 0;
    virtual bool lockForImport() const = 0;
    // Adds, inside the open write transaction, the indexes that a catalogue made by an earlier
    // version lacks. Throws AppError only when the attempt ended the transaction.
    virtual void addMissingIndexes() const = 0;
    virtual bool inTransaction() const = 0;
    virtual bool connectionLost() const = 0;
    virtual CatalogueFailure failure(const QSqlError &error, const QString &statement) const = 0;
    virtual void execUnprepared(const QString &sql) const = 0;
    // Runs the prepared insert; a refused record leaves the transaction as it was.
    virtual void insert(QSqlQuery &insert) const = 0;
    virtual qint64 insertedKey(QSqlQuery &insert) const = 0;
    virtual void forEachText(const QString &sql, const QVariantMap &parameters,
                             const std::function<void(const QString &)> &visit) const = 0;
    virtual void
    forEachRecord(const QString &sql, const QVariantMap &parameters,
                  const std::function<void(qint64, std::array<FieldValue, 4> &)> &visit) const = 0;
    // Appends recordAt(first) to recordAt(end - 1) inside the open transaction, up to the first
    // record refused.
    virtual AppendResult append(qsizetype first, qsizetype end,
                                const std::function<CatalogueRecord(qsizetype)> &recordAt) = 0;
    // Keeps the disc's tree with the open transaction: stored in it, or staged to be published
    // after its commit (then returned).
    virtual std::unique_ptr<StagedTree> storeTree(const CataloguePlace &place, const QString &disc,
                                                  const QByteArray &treeText) = 0;
    // Carries a write of this connection into the search index beside the catalogue; none where
    // the catalogue keeps its own.
    virtual std::unique_ptr<SearchIndexUpdate> searchIndexUpdate() const = 0;
    // SQLite's handle, to which a search index is attached; null where there is no index.
    virtual sqlite3 *sqliteHandle() const = 0;
};
