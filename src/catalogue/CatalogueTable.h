#pragma once

#include "catalogue/CatalogueConnection.h"
#include "catalogue/CatalogueRecord.h"
#include "catalogue/ScopedTransaction.h"
#include "catalogue/SearchIndex.h"

#include <QSqlQuery>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class StagedTree;

// The import's table object: appends records to the catalogue (a file or a server) on a
// connection of its own.
// edit() starts one transaction for the whole import and takes the catalogue's import lock, so
// that imports take turns and each disc's records are contiguous; append() commits it, so an
// import that dies midway (crash, power loss) leaves none of its records behind. A disc's tree
// goes into the same transaction. The committed records are carried into the search index beside
// a catalogue file (SearchIndexUpdate).
class CatalogueTable final
{
public:
    // Called about every 50 ms while the catalogue is held by another import or program; false
    // gives up.
    using Waiting = std::function<bool()>;

    explicit CatalogueTable(CataloguePlace place);
    ~CatalogueTable(); // closes (commits) if open
    Q_DISABLE_COPY_MOVE(CatalogueTable)

    // Throws AppError: missing, locked, damaged, not a catalogue, engine unavailable.
    void open();
    // While set, a busy catalogue is waited for as long as waiting says; unset, it fails at once.
    void setWaiting(Waiting waiting);
    // Starts the import's transaction. Throws AppError: closed, the read-only message when the
    // file or its folder cannot be changed, locked by another writer (also when the wait for it
    // gave up).
    void edit();
    // Appends the record; position 0 is ignored (auto-numbered). Throws AppError when the record
    // is rejected; after some engine faults (full disk, I/O error) SQLite has then rolled back
    // the whole transaction.
    void insert(const CatalogueRecord &record);
    // Appends recordAt(0) to recordAt(count - 1) in order; when all went in, runs beforeCommit
    // (which may store the disc's tree, see storeTree) and commits. Returns how many are stored:
    // count, or fewer when a record, beforeCommit or the commit failed, and then every record
    // before the failing one is stored, also when SQLite had rolled the transaction back, unless
    // the catalogue stayed busy (locked()) or beforeCommit failed: then none is. Throws AppError
    // only when the table is closed.
    qsizetype append(qsizetype count, const std::function<CatalogueRecord(qsizetype)> &recordAt,
                     const std::function<void()> &beforeCommit = {});
    // Replaces the records of the disc (see discCondition) by recordAt(0) to recordAt(count - 1)
    // in one transaction, all or nothing: each stored record is handed to replaced (CD, DATEI,
    // INFO, INHALT) and deleted, the new ones appended, beforeCommit run (see append) and the
    // transaction committed. Returns count, or 0 when anything failed, and then the disc's
    // records and tree are as they were. Throws AppError only when the table is closed.
    qsizetype replace(const QString &disc, qsizetype count,
                      const std::function<CatalogueRecord(qsizetype)> &recordAt,
                      const std::function<void()> &beforeCommit,
                      const std::function<void(const std::array<FieldValue, 4> &)> &replaced);
    // Stores the disc's tree text with the transaction: on a server in its table of trees, for a
    // file as the disc's .vfs file, which appears once the records are committed. Throws
    // AppError.
    void storeTree(const QString &disc, const QByteArray &treeText);
    // Commits what was inserted and closes; safe in any state. Throws AppError when the commit
    // fails, after rolling back and closing.
    void close();
    bool isOpen() const { return m_connection.has_value(); }
    // After append() stored fewer than asked: whether the server connection broke, and then
    // nothing of the transaction is stored.
    bool connectionLost() const { return m_connectionLost; }
    // After append() stored nothing: whether another program held the catalogue for longer than
    // the wait allowed.
    bool locked() const { return m_locked; }
    // The position of the record that was refused, if one was.
    std::optional<qsizetype> refused() const { return m_refused; }
    // The message of the failure that ended the last append, if any.
    const std::optional<QString> &failure() const { return m_failure; }
    // After append() stored everything: what failed after the commit (the disc's tree file
    // could not take its name), if anything.
    const std::optional<QString> &failureAfterCommit() const { return m_failureAfterCommit; }

private:
    void beginTransaction();
    void resetOutcome();
    void finishIndexUpdate();
    void commit();
    qsizetype store(qsizetype count, const std::function<CatalogueRecord(qsizetype)> &recordAt,
                    const std::function<void()> &beforeCommit);
    qsizetype replaceWhole(const QString &disc, qsizetype count,
                           const std::function<CatalogueRecord(qsizetype)> &recordAt,
                           const std::function<void()> &beforeCommit,
                           const std::function<void(const std::array<FieldValue, 4> &)> &replaced);
    void deleteDisc(const QString &disc,
                    const std::function<void(const std::array<FieldValue, 4> &)> &replaced);
    // Ends the transaction without storing anything, for the reason given.
    qsizetype storeNothing(const AppError &reason);
    // After a failure at position end: commits what the transaction still holds, else stores the
    // records before end again, as many as go. Returns how many are stored.
    qsizetype keepRecordsBefore(qsizetype end,
                                const std::function<CatalogueRecord(qsizetype)> &recordAt);
    qsizetype storeLeading(qsizetype first, qsizetype end,
                           const std::function<CatalogueRecord(qsizetype)> &recordAt);

    CataloguePlace m_place;
    Waiting m_waiting;
    std::optional<CatalogueConnection> m_connection;
    std::unique_ptr<SearchIndexUpdate> m_indexUpdate; // the transaction's, made before it began
    std::optional<ScopedTransaction> m_transaction;
    std::optional<QSqlQuery> m_insert;
    std::unique_ptr<StagedTree> m_stagedTree;
    bool m_connectionLost = false;
    bool m_locked = false;
    std::optional<qsizetype> m_refused;
    std::optional<QString> m_failure;
    std::optional<QString> m_failureAfterCommit;
};
