#pragma once

#include "catalogue/CatalogueConnection.h"
#include "catalogue/CatalogueRecord.h"
#include "catalogue/ScopedTransaction.h"
#include "catalogue/SearchIndex.h"

#include <QSqlQuery>
#include <QString>

#include <functional>
#include <optional>

// The import's table object: appends records to the catalogue (a file or a server) on a
// connection of its own.
// edit() starts one transaction for the whole import and close() commits it, so an import that
// dies midway (crash, power loss) leaves none of its records behind. The committed records are
// carried into the search index beside the catalogue (SearchIndexUpdate).
class CatalogueTable final
{
public:
    explicit CatalogueTable(QString tableName); // full path: application directory + "CD.db"
    ~CatalogueTable();                          // closes (commits) if open
    Q_DISABLE_COPY_MOVE(CatalogueTable)

    // Throws AppError: missing, locked, damaged, not a catalogue, engine unavailable.
    void open();
    // Starts the import's transaction. Throws AppError: closed, the read-only message when the
    // file or its folder cannot be changed, locked by another writer.
    void edit();
    // Appends the record; position 0 is ignored (auto-numbered). Throws AppError when the record
    // is rejected; after some engine faults (full disk, I/O error) SQLite has then rolled back
    // the whole transaction.
    void insert(const CatalogueRecord &record);
    // Appends recordAt(0) to recordAt(count - 1) in order and commits them. Returns how many are
    // stored: count, or fewer when a record or the commit failed, and then every record before
    // the failing one is stored, also when SQLite had rolled the transaction back. Throws
    // AppError only when the table is closed.
    qsizetype append(qsizetype count, const std::function<CatalogueRecord(qsizetype)> &recordAt);
    // Commits what was inserted and closes; safe in any state. Throws AppError when the commit
    // fails, after rolling back and closing.
    void close();
    bool isOpen() const { return m_connection.has_value(); }
    // After append() stored fewer than asked: whether the server connection broke, and then
    // nothing of the transaction is stored.
    bool connectionLost() const { return m_connectionLost; }
    // The message of the server's failure that ended the last append, if any.
    const std::optional<QString> &serverFailure() const { return m_serverFailure; }

private:
    void beginTransaction();
    void finishIndexUpdate();
    qsizetype store(qsizetype count, const std::function<CatalogueRecord(qsizetype)> &recordAt);
    qsizetype storeOnServer(qsizetype count,
                            const std::function<CatalogueRecord(qsizetype)> &recordAt);
    // After a failure at position end: commits what the transaction still holds, else stores the
    // records before end again, as many as go. Returns how many are stored.
    qsizetype keepRecordsBefore(qsizetype end,
                                const std::function<CatalogueRecord(qsizetype)> &recordAt);
    qsizetype storeLeading(qsizetype first, qsizetype end,
                           const std::function<CatalogueRecord(qsizetype)> &recordAt);

    QString m_tableName;
    std::optional<CatalogueConnection> m_connection;
    std::optional<SearchIndexUpdate> m_indexUpdate; // the transaction's, made before it began
    std::optional<ScopedTransaction> m_transaction;
    std::optional<QSqlQuery> m_insert;
    bool m_connectionLost = false;
    std::optional<QString> m_serverFailure;
};
