#pragma once

#include "scan/PathListing.h"

#include <QAbstractListModel>

#include <memory>

// The rows of the scan list box: every path of a scan's listing, made when a row is asked for, so
// that a million listed files are held once, in their compact form.
class ListingModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    int count() const { return int(m_listing->size()); }
    void setListing(std::shared_ptr<const PathListing> listing);
    void clear();

private:
    std::shared_ptr<const PathListing> m_listing = std::make_shared<const PathListing>();
};
