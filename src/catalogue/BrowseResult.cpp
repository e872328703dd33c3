#include "catalogue/BrowseResult.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/SearchIndex.h"
#include "catalogue/SqliteDatabase.h"
#include "catalogue/TrigramQuery.h"

#include <QSqlError>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// Rows read per batch: a few screens of the grid.
constexpr int BatchSize = 256;
// The field position of DATEI, the path the search index holds.
constexpr int PathPosition = 2;

// A read that failed after it had passed rows on, and so must not run again.
class FailureAfterRows final : public AppError
{
public:
    explicit FailureAfterRows(const AppError &error) : AppError(error.message()) {}
};

} // namespace

BrowseResult::BrowseResult(const CataloguePlace &place, CatalogueConnection::Access access,
                           BrowseRequest request, IndexUse indexUse)
    : m_connection(place, access), m_request(std::move(request))
{
    // One connection both checks what the place could not and reads.
    m_connection.backend().checkOn(m_connection);
    m_writable = access == CatalogueConnection::Access::ReadWrite && m_connection.canWrite() &&
                 m_connection.writeLockFree();
    m_lastKey = highestKey();
    m_handle = m_connection.sqliteHandle();
    // A catalogue without an index of the program's keeps its own for its searches.
    const std::optional<SearchIndex> index = m_connection.searchIndex();
    if (index && m_request.kind == BrowseRequest::Kind::FileNameSearch &&
        indexUse != IndexUse::Ignore) {
        m_trigramQuery = trigramQuery(u'%' + m_request.text + u'%');
        m_indexUsable = !m_trigramQuery.isEmpty() && m_handle && index->attachTo(m_handle);
    }
    addFetched(readBatch());
    // A missing or stale index is rebuilt, appended records are added, both while this result
    // scans; the next search finds the index current.
    if (index && indexUse == IndexUse::ReadAndUpdate && !m_trigramQuery.isEmpty() &&
        (!m_coveredKey || *m_coveredKey < m_lastKey))
        index->updateInBackground();
}

qint64 BrowseResult::highestKey() const
{
    QSqlQuery last =
        m_connection.prepare(u"SELECT max(%1) FROM CD"_s.arg(m_connection.keyColumn()));
    m_connection.exec(last);
    return last.next() ? last.value(0).toLongLong() : 0;
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

BrowseResult::Statement BrowseResult::statement(const Source &source, const QString &columns,
                                                const QString &tail) const
{
    const BrowseCondition condition = m_connection.backend().condition(m_request);
    const QString key = source.indexed ? u"hit.rowid"_s : m_connection.keyColumn();
    Statement result{u"SELECT "_s + columns + u" FROM "_s +
                         (source.indexed ? SearchIndex::candidateSource() : u"CD"_s) +
                         u" WHERE <key> <= :last"_s,
                     {{u":last"_s, source.last}}};
    if (source.after) {
        result.sql += u" AND <key> > :above"_s;
        result.parameters.insert(u":above"_s, *source.after);
    }
    result.sql += u" AND ("_s + condition.sql + u')' + tail;
    result.sql.replace(u"<key>"_s, key);
    if (condition.pattern)
        result.parameters.insert(u":pattern"_s, boundValue(condition.pattern));
    if (source.indexed)
        result.parameters.insert(u":terms"_s, m_trigramQuery);
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

// Without the index the result is one source, read as ever. Through the index it is the keys the
// index covers, read through it, then those appended since, scanned; the reads run in one read
// transaction, in which the index is first checked to match the catalogue, so that both stay as
// they were checked. When the index does not match, the whole result is scanned; when it fails
// (damaged, unreadable), the read runs again without it, unless it had passed on rows already.
void BrowseResult::readSources(qint64 lastKey,
                               const std::function<void(const std::vector<Source> &)> &read) const
{
    const std::vector<Source> plain{{false, std::nullopt, lastKey}};
    m_readIndex = false;
    if (!m_indexUsable) {
        read(plain);
        return;
    }
    try {
        SqliteTransaction snapshot(m_handle, "BEGIN");
        m_coveredKey = SearchIndex::coveredKey(m_handle);
        if (!m_coveredKey) {
            read(plain);
            snapshot.commit();
            return;
        }
        std::vector<Source> sources{{true, std::nullopt, std::min(lastKey, *m_coveredKey)}};
        if (*m_coveredKey < lastKey)
            sources.push_back({false, *m_coveredKey, lastKey});
        read(sources);
        snapshot.commit();
        m_readIndex = true;
        return;
    } catch (const FailureAfterRows &) {
        throw;
    } catch (const AppError &) {
        m_indexUsable = false;
        m_coveredKey.reset();
    }
    read(plain);
}

bool BrowseResult::readRows(const Source &source, std::vector<Row> &rows) const
{
    const qint64 after = rows.empty() ? m_fetchedKey : rows.back().key;
    if (source.last <= after)
        return true;
    QSqlQuery batch = prepared(statement(source, u"<key>, CD, DATEI, INFO, INHALT"_s,
                                         u" AND <key> > :after ORDER BY <key> LIMIT :limit"_s));
    batch.bindValue(u":after"_s, after);
    batch.bindValue(u":limit"_s, qint64(BatchSize - int(rows.size())));
    m_connection.exec(batch);
    while (batch.next()) {
        Row &row = rows.emplace_back();
        row.key = batch.value(0).toLongLong();
        for (int position = 1; position <= int(row.fields.size()); ++position)
            row.fields[position - 1] = fieldValue(batch.value(position));
    }
    if (batch.lastError().isValid())
        throw m_connection.failure(batch.lastError());
    return int(rows.size()) < BatchSize;
}

std::vector<BrowseResult::Row> BrowseResult::readBatch()
{
    std::vector<Row> rows;
    if (m_atEnd)
        return rows;
    // Until this batch is read whole: a failed batch ends the reading instead of being retried
    // by every view that asks for more.
    m_atEnd = true;
    readSources(m_lastKey, [&](const std::vector<Source> &sources) {
        rows.clear();
        for (const Source &source : sources) {
            if (!readRows(source, rows))
                break;
        }
    });
    m_atEnd = int(rows.size()) < BatchSize;
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
    // The catalogue as it is now, records written since the opening included, by this result or
    // by another program, and those deleted left out.
    readSources(highestKey(), [&](const std::vector<Source> &sources) {
        bool visited = false;
        try {
            for (const Source &source : sources) {
                const Statement names = statement(source, u"CD"_s, u" ORDER BY <key>"_s);
                m_connection.forEachText(names.sql, names.parameters, [&](const QString &name) {
                    visited = true;
                    visit(name);
                });
            }
        } catch (const AppError &error) {
            // Names passed on cannot be taken back, so the read is not run again without the
            // index.
            if (visited && m_indexUsable)
                throw FailureAfterRows(error);
            throw;
        }
    });
}

qsizetype BrowseResult::count() const
{
    qsizetype stored = 0;
    readSources(m_lastKey, [&](const std::vector<Source> &sources) {
        stored = 0;
        for (const Source &source : sources) {
            QSqlQuery count = prepared(statement(source, u"count(*)"_s, {}));
            m_connection.exec(count);
            stored += count.next() ? count.value(0).toLongLong() : 0;
        }
    });
    const qsizetype appended = qsizetype(m_appended.size()) - (m_hasNewRow ? 1 : 0);
    return stored + appended;
}

void BrowseResult::writeField(int index, int position, const FieldValue &value)
{
    Row &target = rowAt(index);
    if (position < 1 || position > int(target.fields.size()))
        throw AppError(u"Feld %1 kann nicht geändert werden"_s.arg(position));
    const std::unique_ptr<SearchIndexUpdate> searchIndex = m_connection.searchIndexUpdate();
    const CatalogueBackend &backend = m_connection.backend();
    QSqlQuery update = m_connection.prepare(u"UPDATE CD SET %1 WHERE %2 = :key"_s.arg(
        backend.fieldAssignment(position), m_connection.keyColumn()));
    backend.bindField(update, position, value);
    update.bindValue(u":key"_s, target.key);
    m_connection.exec(update);
    if (update.numRowsAffected() == 0)
        throw AppError(u"Datensatz wurde von einem anderen Benutzer gelöscht"_s);
    if (searchIndex) {
        if (position == PathPosition)
            searchIndex->pathChanged(target.key, value);
        searchIndex->finish();
    }
    target.fields[position - 1] = value;
}

void BrowseResult::deleteRecord(int index)
{
    const qint64 key = rowAt(index).key;
    const std::unique_ptr<SearchIndexUpdate> searchIndex = m_connection.searchIndexUpdate();
    QSqlQuery remove =
        m_connection.prepare(u"DELETE FROM CD WHERE %1 = :key"_s.arg(m_connection.keyColumn()));
    remove.bindValue(u":key"_s, key);
    m_connection.exec(remove);
    if (searchIndex) {
        searchIndex->recordDeleted(key);
        searchIndex->finish();
    }
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
    const std::unique_ptr<SearchIndexUpdate> searchIndex = m_connection.searchIndexUpdate();
    QSqlQuery insert = m_connection.prepareInsert();
    m_connection.bindInsert(insert, fields);
    m_connection.exec(insert);
    if (searchIndex) {
        searchIndex->recordsAppended();
        searchIndex->finish();
    }
    Row &row = m_appended.back();
    row.key = m_connection.insertedKey(insert);
    row.fields = fields;
    m_hasNewRow = false;
}
