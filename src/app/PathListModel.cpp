#include "app/PathListModel.h"

namespace {

// Far more rows than a list box shows, few enough to lay out at once.
constexpr int PageRows = 200;

} // namespace

int PathListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_fetched;
}

QVariant PathListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return m_items.at(index.row());
    return {};
}

bool PathListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_fetched < m_published;
}

void PathListModel::fetchMore(const QModelIndex &parent)
{
    if (!parent.isValid())
        fetchUpTo(m_fetched + PageRows);
}

void PathListModel::fetchUpTo(int rows)
{
    const int end = std::min(rows, m_published);
    if (end <= m_fetched)
        return;
    beginInsertRows({}, m_fetched, end - 1);
    m_fetched = end;
    endInsertRows();
}

void PathListModel::append(const QString &item)
{
    m_items.append(item);
}

void PathListModel::publish()
{
    // The first page goes to the views at once; later ones when they scroll to them.
    m_published = count();
    fetchUpTo(PageRows);
}

void PathListModel::setItems(QStringList items)
{
    beginResetModel();
    m_items = std::move(items);
    m_published = count();
    m_fetched = std::min(m_published, PageRows);
    endResetModel();
}

void PathListModel::clear()
{
    setItems({});
}
