#pragma once

#include "catalogue/BrowseRequest.h"
#include "catalogue/CatalogueConnection.h"
#include "catalogue/CatalogueRecord.h"

#include <QSqlQuery>

#include <functional>
#include <optional>
#include <vector>

// One opened browse request on a connection of its own: the rows read so far and the
// statements that read more or write. The result is the request's records up to the highest key
// at opening, in key order, then the records appended through it. Reading goes by key ranges
// with bound parameters, so no statement stays open between batches and no record is read
// twice, even after one was appended.
class BrowseResult final
{
public:
    struct Row
    {
        qint64 key = 0;
        std::array<FieldValue, 4> fields; // field positions 1..4
    };

    // Opens the catalogue file and reads the first batch. Throws AppError.
    BrowseResult(const QString &fileName, CatalogueConnection::Access access,
                 BrowseRequest request);
    Q_DISABLE_COPY_MOVE(BrowseResult)

    int size() const { return int(m_fetched.size() + m_appended.size()); }
    int fetchedSize() const { return int(m_fetched.size()); }
    const Row &row(int index) const;
    bool atEnd() const { return m_atEnd; }

    // The rows after the fetched ones, up to a batch; none when the end is reached. Throws.
    std::vector<Row> readBatch();
    void addFetched(std::vector<Row> rows);

    // Runs over the whole result in its order; both throw AppError.
    void forEachDiscName(const std::function<void(const QString &)> &visit) const;
    qsizetype count() const;

    // Writing: the catalogue first (throws AppError), then the rows held here. Whether the
    // catalogue could be changed is decided once, at opening.
    bool canWrite() const { return m_writable; }
    void writeField(int index, int position, const FieldValue &value);
    void deleteRecord(int index);
    void dropRow(int index);

    // A new row at the end that is not in the catalogue until it is inserted; at most one.
    void addNewRow();
    bool isNewRow(int index) const { return m_hasNewRow && index == size() - 1; }
    void insertNewRow(const std::array<FieldValue, 4> &fields);

private:
    Row &rowAt(int index);
    struct Statement
    {
        QString sql;
        QVariantMap parameters;
    };
    // A statement over the result's records: "SELECT <columns> FROM CD WHERE ..." + tail.
    Statement statement(const QString &columns, const QString &tail) const;
    QSqlQuery prepared(const Statement &statement) const;

    CatalogueConnection m_connection;
    BrowseRequest m_request;
    std::optional<QSqlQuery> m_batch;
    qint64 m_lastKey = 0;
    qint64 m_fetchedKey = 0;
    bool m_atEnd = false;
    std::vector<Row> m_fetched;
    std::vector<Row> m_appended;
    bool m_hasNewRow = false;
    bool m_writable = false;
};
