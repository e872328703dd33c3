#include "app/PathListModel.h"

int PathListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_published;
}

QVariant PathListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return m_items.at(index.row());
    return {};
}

void PathListModel::append(const QString &item)
{
    m_items.append(item);
}

void PathListModel::publish()
{
    if (m_published == count())
        return;
    beginInsertRows({}, m_published, count() - 1);
    m_published = count();
    endInsertRows();
}

void PathListModel::setItems(QStringList items)
{
    beginResetModel();
    m_items = std::move(items);
    m_published = count();
    endResetModel();
}

void PathListModel::clear()
{
    setItems({});
}
