#include "catalogue/CatalogueTable.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/ServerAppend.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

CatalogueTable::CatalogueTable(QString tableName) : m_tableName(std::move(tableName)) {}

CatalogueTable::~CatalogueTable()
{
    try {
        close();
    } catch (const AppError &) {
        // close() has rolled back and closed; a destructor has no one to report to.
    }
}

void CatalogueTable::open()
{
    if (isOpen())
        return;
    m_connection.emplace(verifiedCatalogue(m_tableName), CatalogueConnection::Access::ReadWrite);
}

void CatalogueTable::edit()
{
    if (!isOpen())
        throw AppError(CatalogueMessage::closedDataSet());
    if (m_transaction)
        return;
    if (!m_connection->canWrite())
        throw AppError(CatalogueMessage::readOnly());
    beginTransaction();
}

void CatalogueTable::beginTransaction()
{
    m_indexUpdate.emplace(m_connection->location());
    m_indexUpdate->recordsAppended();
    m_transaction.emplace(*m_connection);
}

// After the commit, or after a failure: the update compares the catalogue before the transaction
// with the catalogue now and leaves the index alone when more than one commit lies between.
void CatalogueTable::finishIndexUpdate()
{
    if (m_indexUpdate)
        m_indexUpdate->finish();
    m_indexUpdate.reset();
}

void CatalogueTable::insert(const CatalogueRecord &record)
{
    if (!isOpen())
        throw AppError(CatalogueMessage::closedDataSet());
    if (!m_insert)
        m_insert = m_connection->prepareInsert();
    m_connection->bindInsert(*m_insert, {record[1], record[2], record[3], record[4]});
    if (!m_connection->isServer()) {
        m_connection->exec(*m_insert);
        return;
    }
    // A refused statement spoils a server's whole transaction; the savepoint keeps what came
    // before, as SQLite does.
    m_connection->exec(u"SAVEPOINT record"_s);
    try {
        m_connection->exec(*m_insert);
    } catch (const AppError &) {
        m_connection->exec(u"ROLLBACK TO SAVEPOINT record"_s);
        throw;
    }
    m_connection->exec(u"RELEASE SAVEPOINT record"_s);
}

qsizetype CatalogueTable::append(qsizetype count,
                                 const std::function<CatalogueRecord(qsizetype)> &recordAt)
{
    if (!isOpen())
        throw AppError(CatalogueMessage::closedDataSet());
    if (!m_transaction)
        beginTransaction();
    const qsizetype stored = store(count, recordAt);
    finishIndexUpdate();
    return stored;
}

qsizetype CatalogueTable::store(qsizetype count,
                                const std::function<CatalogueRecord(qsizetype)> &recordAt)
{
    if (m_connection->isServer())
        return storeOnServer(count, recordAt);
    for (qsizetype position = 0; position < count; ++position) {
        try {
            insert(recordAt(position));
        } catch (const AppError &) {
            return keepRecordsBefore(position, recordAt);
        }
    }
    try {
        m_transaction->commit();
    } catch (const AppError &) {
        return keepRecordsBefore(count, recordAt);
    }
    m_transaction.reset();
    return count;
}

qsizetype CatalogueTable::storeOnServer(qsizetype count,
                                        const std::function<CatalogueRecord(qsizetype)> &recordAt)
{
    const ServerAppendResult appended =
        appendOnServer(m_connection->serverHandle(), m_connection->location(), count, recordAt);
    m_serverFailure = appended.failure;
    m_connectionLost = appended.connectionLost;
    if (!m_connectionLost) {
        try {
            m_transaction->commit();
            m_transaction.reset();
            return appended.stored;
        } catch (const AppError &error) {
            // Whether a commit cut off midway was made is unknown; the server rolled it back
            // unless it got that far, which the user learns from the browse page.
            m_serverFailure = error.message();
            m_connectionLost = m_connection->connectionLost();
        }
    }
    m_transaction.reset();
    return 0;
}

qsizetype
CatalogueTable::keepRecordsBefore(qsizetype end,
                                  const std::function<CatalogueRecord(qsizetype)> &recordAt)
{
    if (m_connection->inTransaction()) {
        try {
            m_transaction->commit();
            m_transaction.reset();
            return end;
        } catch (const AppError &) {
            // The commit met the fault as well; the records are written again below.
        }
    }
    m_transaction.reset();
    return storeLeading(0, end, recordAt);
}

qsizetype CatalogueTable::storeLeading(qsizetype first, qsizetype end,
                                       const std::function<CatalogueRecord(qsizetype)> &recordAt)
{
    // The whole run in one transaction, else each half in turn: a few transactions find the
    // longest run that the catalogue still takes.
    if (first >= end)
        return 0;
    try {
        ScopedTransaction transaction(*m_connection);
        for (qsizetype position = first; position < end; ++position)
            insert(recordAt(position));
        transaction.commit();
        return end - first;
    } catch (const AppError &) {
        if (end - first == 1)
            return 0;
    }
    const qsizetype middle = first + (end - first) / 2;
    const qsizetype stored = storeLeading(first, middle, recordAt);
    return stored < middle - first ? stored : stored + storeLeading(middle, end, recordAt);
}

void CatalogueTable::close()
{
    m_insert.reset();
    // The transaction goes before its connection, also when the commit fails (it rolls back).
    const auto release = qScopeGuard([this] {
        m_transaction.reset();
        m_indexUpdate.reset();
        m_connection.reset();
    });
    if (m_transaction) {
        m_transaction->commit();
        m_transaction.reset();
        finishIndexUpdate();
    }
}
