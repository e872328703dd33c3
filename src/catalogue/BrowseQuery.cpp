#include "catalogue/BrowseQuery.h"

#include "catalogue/BrowseResult.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueSchema.h"

#include <QScopedValueRollback>

using namespace Qt::StringLiterals;

BrowseQuery::BrowseQuery(CataloguePlace catalogue, QObject *parent)
    : QAbstractTableModel(parent), m_catalogue(std::move(catalogue))
{}

BrowseQuery::~BrowseQuery() = default;

void BrowseQuery::setRequest(BrowseRequest request)
{
    close();
    m_request = std::move(request);
}

void BrowseQuery::open()
{
    if (isOpen())
        return;
    auto result = std::make_unique<BrowseResult>(m_catalogue.backend().located(m_catalogue),
                                                 m_live ? CatalogueConnection::Access::ReadWrite
                                                        : CatalogueConnection::Access::ReadOnly,
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

bool BrowseQuery::canWrite() const
{
    return m_result && m_live && m_result->canWrite();
}

BrowseResult &BrowseQuery::writableResult()
{
    openResult();
    if (!canWrite())
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
    if (!isNewRow(row))
        writableResult().deleteRecord(row);
    removeRow(row);
}

void BrowseQuery::removeRow(int row)
{
    const QScopedValueRollback changing(m_changingRows, true);
    beginRemoveRows({}, row, row);
    m_result->dropRow(row);
    endRemoveRows();
}

int BrowseQuery::appendNewRow()
{
    BrowseResult &result = writableResult();
    const int row = result.size();
    if (result.isNewRow(row - 1))
        return row - 1;
    const QScopedValueRollback changing(m_changingRows, true);
    beginInsertRows({}, row, row);
    result.addNewRow();
    endInsertRows();
    return row;
}

bool BrowseQuery::isNewRow(int row) const
{
    return m_result && m_result->isNewRow(row);
}

void BrowseQuery::postNewRow(const FieldValue &info, const FieldValue &contents)
{
    BrowseResult &result = writableResult();
    const int row = result.size() - 1;
    if (!result.isNewRow(row))
        return;
    result.insertNewRow({std::nullopt, std::nullopt, info, contents});
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void BrowseQuery::discardNewRow()
{
    if (m_result && m_result->isNewRow(m_result->size() - 1))
        removeRow(m_result->size() - 1);
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
