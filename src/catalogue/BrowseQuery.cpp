#include "catalogue/BrowseQuery.h"

#include "catalogue/BrowseResult.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueSchema.h"

#include <QScopedValueRollback>

using namespace Qt::StringLiterals;

BrowseQuery::BrowseQuery(QString applicationDirectory, QObject *parent)
    : QAbstractTableModel(parent), m_applicationDirectory(std::move(applicationDirectory))
{}

BrowseQuery::~BrowseQuery() = default;

void BrowseQuery::setRequest(BrowseRequest request)
{
    close();
    m_request = std::move(request);
}

QString BrowseQuery::sqlText() const
{
    return m_request.sqlLine(m_applicationDirectory);
}

void BrowseQuery::open()
{
    if (isOpen())
        return;
    auto result = std::make_unique<BrowseResult>(
        verifiedCatalogue(m_applicationDirectory + u"CD.DB"_s),
        m_live ? CatalogueConnection::Access::ReadWrite : CatalogueConnection::Access::ReadOnly,
        m_request);
    const QScopedValueRollback changing(m_changingRows, true);
    beginResetModel();
    m_result = std::move(result);
    endResetModel();
}

void BrowseQuery::close()
{
    if (!isOpen())
        return;
    const QScopedValueRollback changing(m_changingRows, true);
    beginResetModel();
    m_result.reset();
    endResetModel();
}

const BrowseResult &BrowseQuery::openResult() const
{
    if (!m_result)
        throw AppError(CatalogueMessage::closedDataSet());
    return *m_result;
}

BrowseResult &BrowseQuery::writableResult()
{
    openResult();
    if (!m_live || !m_result->canWrite())
        throw AppError(CatalogueMessage::readOnly());
    return *m_result;
}

void BrowseQuery::forEachDiscName(const std::function<void(const QString &)> &visit) const
{
    openResult().forEachDiscName(visit);
}

qsizetype BrowseQuery::resultRowCount() const
{
    return openResult().count();
}

void BrowseQuery::updateField(int row, int column, const FieldValue &value)
{
    writableResult().writeField(row, column, value);
    Q_EMIT dataChanged(index(row, column), index(row, column));
}

void BrowseQuery::deleteRow(int row)
{
    BrowseResult &result = writableResult();
    result.deleteRecord(row);
    const QScopedValueRollback changing(m_changingRows, true);
    beginRemoveRows({}, row, row);
    result.dropRow(row);
    endRemoveRows();
}

int BrowseQuery::appendBlankRecord()
{
    BrowseResult &result = writableResult();
    const qint64 key = result.insertBlankRecord();
    const int row = result.size();
    const QScopedValueRollback changing(m_changingRows, true);
    beginInsertRows({}, row, row);
    result.addAppended(key);
    endInsertRows();
    return row;
}

FieldValue BrowseQuery::field(int row, int column) const
{
    const BrowseResult::Row &record = openResult().row(row);
    if (column == 0)
        return QString::number(record.key);
    if (column < 1 || column > int(record.fields.size()))
        throw AppError(u"Feld %1 ist nicht vorhanden"_s.arg(column));
    return record.fields[column - 1];
}

int BrowseQuery::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_result ? 0 : m_result->size();
}

int BrowseQuery::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(CatalogueSchema::FieldNames.size());
}

QVariant BrowseQuery::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const BrowseResult::Row &record = m_result->row(index.row());
    if (index.column() == 0)
        return record.key;
    const FieldValue &value = record.fields[index.column() - 1];
    return value ? QVariant(*value) : QVariant();
}

bool BrowseQuery::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_result && !m_result->atEnd() && !m_changingRows;
}

void BrowseQuery::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    std::vector<BrowseResult::Row> rows;
    try {
        rows = m_result->readBatch();
    } catch (const AppError &error) {
        // Views call this from the event loop, which no exception may cross.
        Q_EMIT fetchFailed(error.message());
        return;
    }
    if (rows.empty())
        return;
    const QScopedValueRollback changing(m_changingRows, true);
    const int first = m_result->fetchedSize();
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_result->addFetched(std::move(rows));
    endInsertRows();
}
