#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The rows of a list box: plain strings, appended one at a time by the scan. A hundred thousand
// paths cost one QString each, not one item object each. Appended rows reach the views in batches
// (publish()), since a view lays itself out again for every announcement, and a view gets them a
// page at a time as it scrolls (fetchMore()), so that neither it nor a screen reader walking it
// handles more rows than are near the visible ones.
class PathListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // All rows, also those not yet published or fetched.
    const QStringList &items() const { return m_items; }
    int count() const { return static_cast<int>(m_items.size()); }
    const QString &at(int row) const { return m_items.at(row); }

    void append(const QString &item);
    // Announces the rows appended since the last call to the views.
    void publish();
    void setItems(QStringList items);
    void clear();

private:
    void fetchUpTo(int rows);

    QStringList m_items;
    int m_published = 0; // rows the views may fetch
    int m_fetched = 0;   // rows the views have
};
