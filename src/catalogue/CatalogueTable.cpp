#include "catalogue/CatalogueTable.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/DiscChanges.h"
#include "catalogue/StagedTree.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

// Another program holds the catalogue, and the wait for it gave up: storing less is no remedy.
bool isBusy(const AppError &error)
{
    const auto *failure = dynamic_cast<const CatalogueFailure *>(&error);
    return failure && failure->cause() == CatalogueFailure::Cause::Locked;
}

} // namespace

CatalogueTable::CatalogueTable(CataloguePlace place) : m_place(std::move(place)) {}

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
    m_connection.emplace(m_place.backend().located(m_place),
                         CatalogueConnection::Access::ReadWrite);
    m_connection->backend().checkOn(*m_connection);
    m_connection->setBusyWait(m_waiting);
}

void CatalogueTable::setWaiting(Waiting waiting)
{
    m_waiting = std::move(waiting);
    if (m_connection)
        m_connection->setBusyWait(m_waiting);
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
    m_indexUpdate = m_connection->searchIndexUpdate();
    if (m_indexUpdate)
        m_indexUpdate->recordsAppended();
    m_transaction.emplace(*m_connection);
    if (!m_connection->lockForImport()) {
        m_transaction.reset();
        throw CatalogueFailure(CatalogueMessage::locked(m_place.shown()), 0,
                               CatalogueFailure::Cause::Locked);
    }
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
    m_connection->execInsert(*m_insert);
}

void CatalogueTable::storeTree(const QString &disc, const QByteArray &treeText)
{
    if (!m_transaction)
        throw AppError(CatalogueMessage::closedDataSet());
    m_stagedTree = m_connection->storeTree(disc, treeText);
}

qsizetype CatalogueTable::append(qsizetype count,
                                 const std::function<CatalogueRecord(qsizetype)> &recordAt,
                                 const std::function<void()> &beforeCommit)
{
    if (!isOpen())
        throw AppError(CatalogueMessage::closedDataSet());
    resetOutcome();
    if (!m_transaction)
        beginTransaction();
    const qsizetype stored = store(count, recordAt, beforeCommit);
    m_stagedTree.reset();
    finishIndexUpdate();
    return stored;
}

void CatalogueTable::resetOutcome()
{
    m_refused.reset();
    m_failure.reset();
    m_failureAfterCommit.reset();
    m_locked = false;
}

qsizetype
CatalogueTable::replace(const QString &disc, qsizetype count,
                        const std::function<CatalogueRecord(qsizetype)> &recordAt,
                        const std::function<void()> &beforeCommit,
                        const std::function<void(const std::array<FieldValue, 4> &)> &replaced)
{
    if (!isOpen())
        throw AppError(CatalogueMessage::closedDataSet());
    resetOutcome();
    if (!m_transaction)
        beginTransaction();
    const qsizetype stored = replaceWhole(disc, count, recordAt, beforeCommit, replaced);
    // Unpublished, the staged tree file goes, and the disc keeps its old one.
    m_stagedTree.reset();
    finishIndexUpdate();
    return stored;
}

// Read inside the transaction, under the import lock: what is deleted is what was compared.
void CatalogueTable::deleteDisc(
    const QString &disc, const std::function<void(const std::array<FieldValue, 4> &)> &replaced)
{
    const QString condition = discCondition(disc);
    const QString key = m_connection->keyColumn();
    qint64 first = 0;
    qint64 last = -1;
    qint64 count = 0;
    m_connection->forEachRecord(
        u"SELECT %1, CD, DATEI, INFO, INHALT FROM CD WHERE %2 ORDER BY %1"_s.arg(key, condition),
        {{u":disc"_s, disc}}, [&](qint64 each, std::array<FieldValue, 4> &fields) {
            if (m_indexUpdate)
                m_indexUpdate->recordDeleted(each);
            first = count++ == 0 ? each : first;
            last = each;
            if (replaced)
                replaced(fields);
        });
    // Records of one import are contiguous in the key. When the disc's records fill their range
    // of keys, no other record lies in it, and the range is deleted by the key alone, in a
    // catalogue that lacks the disc index as fast as in one that has it.
    QSqlQuery remove = m_connection->prepare(
        count == last - first + 1 ? u"DELETE FROM CD WHERE %1 BETWEEN :first AND :last"_s.arg(key)
                                  : u"DELETE FROM CD WHERE %1"_s.arg(condition));
    if (count == last - first + 1) {
        remove.bindValue(u":first"_s, first);
        remove.bindValue(u":last"_s, last);
    } else {
        remove.bindValue(u":disc"_s, disc);
    }
    m_connection->exec(remove);
}

// A replace keeps nothing of a transaction that failed: the old records stay whole.
qsizetype
CatalogueTable::replaceWhole(const QString &disc, qsizetype count,
                             const std::function<CatalogueRecord(qsizetype)> &recordAt,
                             const std::function<void()> &beforeCommit,
                             const std::function<void(const std::array<FieldValue, 4> &)> &replaced)
{
    try {
        m_connection->addMissingIndexes();
        deleteDisc(disc, replaced);
    } catch (const AppError &error) {
        return storeNothing(error);
    }
    const AppendResult appended = m_connection->append(0, count, recordAt);
    if (appended.stored < count || appended.failure) {
        m_refused = appended.refused;
        if (appended.failure)
            storeNothing(*appended.failure);
        else
            storeNothing(AppError(QString()));
        m_connectionLost = m_connectionLost || appended.connectionLost;
        return 0;
    }
    try {
        if (beforeCommit)
            beforeCommit();
        commit();
    } catch (const AppError &error) {
        return storeNothing(error);
    }
    return count;
}

void CatalogueTable::commit()
{
    m_transaction->commit();
    m_transaction.reset();
    if (!m_stagedTree)
        return;
    try {
        m_stagedTree->publish();
    } catch (const AppError &error) {
        m_failureAfterCommit = error.message();
    }
}

qsizetype CatalogueTable::storeNothing(const AppError &reason)
{
    m_failure = reason.message();
    m_locked = isBusy(reason);
    m_connectionLost = m_connection->connectionLost();
    m_transaction.reset();
    return 0;
}

qsizetype CatalogueTable::store(qsizetype count,
                                const std::function<CatalogueRecord(qsizetype)> &recordAt,
                                const std::function<void()> &beforeCommit)
{
    try {
        m_connection->addMissingIndexes();
    } catch (const AppError &error) {
        return storeNothing(error);
    }
    const AppendResult appended = m_connection->append(0, count, recordAt);
    if (appended.connectionLost) {
        m_connectionLost = true;
        m_failure = appended.failure ? appended.failure->message() : QString();
        m_transaction.reset();
        return 0;
    }
    if (appended.failure && isBusy(*appended.failure))
        return storeNothing(*appended.failure);
    if (appended.stored < count) {
        m_refused = appended.refused;
        m_failure = appended.failure ? appended.failure->message() : QString();
        return keepRecordsBefore(appended.stored, recordAt);
    }
    try {
        if (beforeCommit)
            beforeCommit();
    } catch (const AppError &error) {
        return storeNothing(error);
    }
    try {
        commit();
    } catch (const AppError &error) {
        if (isBusy(error) || m_connection->connectionLost())
            return storeNothing(error);
        m_failure = error.message();
        return keepRecordsBefore(count, recordAt);
    }
    return count;
}

qsizetype
CatalogueTable::keepRecordsBefore(qsizetype end,
                                  const std::function<CatalogueRecord(qsizetype)> &recordAt)
{
    if (m_connection->inTransaction()) {
        try {
            commit();
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
        if (m_connection->lockForImport() &&
            m_connection->append(first, end, recordAt).stored == end - first) {
            transaction.commit();
            return end - first;
        }
    } catch (const AppError &) {
    }
    if (end - first == 1)
        return 0;
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
        m_stagedTree.reset();
        m_indexUpdate.reset();
        m_connection.reset();
    });
    if (m_transaction) {
        commit();
        finishIndexUpdate();
    }
}
