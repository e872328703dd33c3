#include "catalogue/BrowseResult.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueSchema.h"

#include <QSqlError>

using namespace Qt::StringLiterals;

namespace {

// Rows read per batch: a few screens of the grid.
constexpr int BatchSize = 256;

struct Condition
{
    QString sql;
    FieldValue pattern; // bound as :pattern
};

// The request's where clause. User text is only ever bound, so quotes, backslashes and SQL in it
// change nothing but the pattern; "%" and "_" keep their LIKE meaning.
Condition conditionOf(const BrowseRequest &request)
{
    switch (request.kind) {
    case BrowseRequest::Kind::FirstOpening:
    case BrowseRequest::Kind::AllDiscs:
        break;
    case BrowseRequest::Kind::DiscFilter:
        return {u"CD LIKE :pattern"_s, request.text};
    case BrowseRequest::Kind::FileNameSearch:
        return {u"upper(DATEI) LIKE upper(:pattern)"_s, u'%' + request.text + u'%'};
    }
    return {u"1"_s, std::nullopt};
}

} // namespace

BrowseResult::BrowseResult(const QString &fileName, CatalogueConnection::Access access,
                           BrowseRequest request)
    : m_connection(fileName, access), m_request(std::move(request))
{
    m_writable = access == CatalogueConnection::Access::ReadWrite && m_connection.canWrite() &&
                 m_connection.writeLockFree();
    QSqlQuery last = m_connection.prepare(u"SELECT max(rowid) FROM CD"_s);
    m_connection.exec(last);
    m_lastKey = last.next() ? last.value(0).toLongLong() : 0;
    m_batch = prepared(statement(u"rowid, CD, DATEI, INFO, INHALT"_s,
                                 u" AND rowid > :after ORDER BY rowid LIMIT %1"_s.arg(BatchSize)));
    addFetched(readBatch());
}

const BrowseResult::Row &BrowseResult::row(int index) const
{
    if (index < 0 || index >= size())
        throw AppError(u"Datensatz %1 ist nicht vorhanden"_s.arg(index + 1));
    return index < fetchedSize() ? m_fetched[index] : m_appended[index - fetchedSize()];
}

BrowseResult::Row &BrowseResult::rowAt(int index)
{
    return const_cast<Row &>(std::as_const(*this).row(index));
}

BrowseResult::Statement BrowseResult::statement(const QString &columns, const QString &tail) const
{
    const Condition condition = conditionOf(m_request);
    Statement result{
        u"SELECT %1 FROM CD WHERE rowid <= :last AND (%2)%3"_s.arg(columns, condition.sql, tail),
        {{u":last"_s, m_lastKey}}};
    if (condition.pattern)
        result.parameters.insert(u":pattern"_s, boundValue(condition.pattern));
    return result;
}

QSqlQuery BrowseResult::prepared(const Statement &statement) const
{
    QSqlQuery query = m_connection.prepare(statement.sql);
    for (auto parameter = statement.parameters.cbegin(); parameter != statement.parameters.cend();
         ++parameter)
        query.bindValue(parameter.key(), parameter.value());
    return query;
}

std::vector<BrowseResult::Row> BrowseResult::readBatch()
{
    std::vector<Row> rows;
    if (m_atEnd)
        return rows;
    // Until this batch is read whole: a failed batch ends the reading instead of being retried
    // by every view that asks for more.
    m_atEnd = true;
    m_batch->bindValue(u":after"_s, m_fetchedKey);
    m_connection.exec(*m_batch);
    rows.reserve(BatchSize);
    while (m_batch->next()) {
        Row &row = rows.emplace_back();
        row.key = m_batch->value(0).toLongLong();
        for (int position = 1; position <= int(row.fields.size()); ++position)
            row.fields[position - 1] = fieldValue(m_batch->value(position));
    }
    if (m_batch->lastError().isValid())
        throw catalogueError(m_batch->lastError(), m_connection.fileName());
    m_atEnd = rows.size() < BatchSize;
    if (!rows.empty())
        m_fetchedKey = rows.back().key;
    return rows;
}

void BrowseResult::addFetched(std::vector<Row> rows)
{
    m_fetched.insert(m_fetched.end(), std::make_move_iterator(rows.begin()),
                     std::make_move_iterator(rows.end()));
}

void BrowseResult::forEachDiscName(const std::function<void(const QString &)> &visit) const
{
    const Statement names = statement(u"CD"_s, u" ORDER BY rowid"_s);
    m_connection.forEachText(names.sql, names.parameters, visit);
    for (int index = fetchedSize(); index < size(); ++index) {
        if (!isNewRow(index))
            visit(row(index).fields[0].value_or(QString()));
    }
}

qsizetype BrowseResult::count() const
{
    QSqlQuery count = prepared(statement(u"count(*)"_s, {}));
    m_connection.exec(count);
    const qsizetype appended = qsizetype(m_appended.size()) - (m_hasNewRow ? 1 : 0);
    return (count.next() ? count.value(0).toLongLong() : 0) + appended;
}

void BrowseResult::writeField(int index, int position, const FieldValue &value)
{
    Row &target = rowAt(index);
    if (position < 1 || position > int(target.fields.size()))
        throw AppError(u"Feld %1 kann nicht geändert werden"_s.arg(position));
    QSqlQuery update = m_connection.prepare(u"UPDATE CD SET %1 = :value WHERE rowid = :key"_s.arg(
        CatalogueSchema::FieldNames[position]));
    update.bindValue(u":value"_s, boundValue(value));
    update.bindValue(u":key"_s, target.key);
    m_connection.exec(update);
    if (update.numRowsAffected() == 0)
        throw AppError(u"Datensatz wurde von einem anderen Benutzer gelöscht"_s);
    target.fields[position - 1] = value;
}

void BrowseResult::deleteRecord(int index)
{
    QSqlQuery remove = m_connection.prepare(u"DELETE FROM CD WHERE rowid = :key"_s);
    remove.bindValue(u":key"_s, rowAt(index).key);
    m_connection.exec(remove);
}

void BrowseResult::dropRow(int index)
{
    if (isNewRow(index))
        m_hasNewRow = false;
    if (index < fetchedSize())
        m_fetched.erase(m_fetched.begin() + index);
    else
        m_appended.erase(m_appended.begin() + (index - fetchedSize()));
}

void BrowseResult::addNewRow()
{
    if (m_hasNewRow)
        return;
    m_appended.push_back(Row{});
    m_hasNewRow = true;
}

void BrowseResult::insertNewRow(const std::array<FieldValue, 4> &fields)
{
    if (!m_hasNewRow)
        return;
    QSqlQuery insert =
        m_connection.prepare(u"INSERT INTO CD (CD, DATEI, INFO, INHALT) VALUES (?, ?, ?, ?)"_s);
    for (int i = 0; i < int(fields.size()); ++i)
        insert.bindValue(i, boundValue(fields[std::size_t(i)]));
    m_connection.exec(insert);
    Row &row = m_appended.back();
    row.key = insert.lastInsertId().toLongLong();
    row.fields = fields;
    m_hasNewRow = false;
}
