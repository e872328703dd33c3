#pragma once

#include "catalogue/BrowseRequest.h"
#include "catalogue/CataloguePlace.h"
#include "catalogue/CatalogueRecord.h"

#include <QAbstractTableModel>

#include <functional>
#include <memory>

class BrowseResult;

// The browse page's query over the catalogue: the result of one request as a table model whose
// columns 0..4 are the record's fields. Rows are read in batches as views ask for them, so
// opening a large catalogue reads only the first. A live result writes each change to the
// catalogue at once. The query has a connection of its own while it is open and none while it
// is closed, so an import can write in between.
class BrowseQuery final : public QAbstractTableModel
{
    Q_OBJECT

public:
    // catalogue: a file (found in any letter case) or a server location.
    explicit BrowseQuery(CataloguePlace catalogue, QObject *parent = nullptr);
    ~BrowseQuery() override;

    void setRequest(BrowseRequest request); // closes the query first
    const BrowseRequest &request() const { return m_request; }
    // A read-only or an editable result; takes effect at the next open().
    void setRequestLive(bool live) { m_live = live; }
    bool requestLive() const { return m_live; }

    // Runs the request on the catalogue. Throws AppError.
    void open();
    void close();
    bool isOpen() const { return m_result != nullptr; }
    // An open, live result on a catalogue that can be changed.
    bool canWrite() const;

    // Walks every record of the request in order, giving the CD field as text (NULL as empty).
    // Reads the catalogue as it is now, not the rows fetched, so records that this or another
    // program wrote since the opening count too. Throws AppError, "Operation bei geschlossener
    // Datenmenge nicht ausführbar" when closed.
    void forEachDiscName(const std::function<void(const QString &)> &visit) const;
    // The number of rows of the whole result (counted in the catalogue). Throws like the above.
    qsizetype resultRowCount() const;

    // Live editing, each written at once; rows are identified by the key field. Throw AppError:
    // the closed message when closed, the read-only message on a read-only result or catalogue.
    void updateField(int row, int column, const FieldValue &value);
    void deleteRow(int row);
    // A new blank row at the end, not written until postNewRow(); returns its row.
    int appendNewRow();
    bool isNewRow(int row) const;
    // Writes the new row with the texts of fields 3 and 4 (INFO, INHALT); the others stay NULL.
    void postNewRow(const FieldValue &info, const FieldValue &contents);
    void discardNewRow();
    FieldValue field(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

Q_SIGNALS:
    // A batch after the first could not be read; the rows read before stay.
    void fetchFailed(const QString &message);

private:
    const BrowseResult &openResult() const;
    void removeRow(int row);
    BrowseResult &writableResult();

    CataloguePlace m_catalogue;
    BrowseRequest m_request;
    bool m_live = true;
    std::unique_ptr<BrowseResult> m_result;
    // Set while rows come or go: a view reacting to the change must not fetch in between.
    bool m_changingRows = false;
};
