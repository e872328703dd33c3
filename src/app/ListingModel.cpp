#include "app/ListingModel.h"

int ListingModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ListingModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return m_listing->at(index.row());
    return {};
}

void ListingModel::setListing(std::shared_ptr<const PathListing> listing)
{
    beginResetModel();
    m_listing = std::move(listing);
    endResetModel();
}

void ListingModel::clear()
{
    setListing(std::make_shared<const PathListing>());
}
