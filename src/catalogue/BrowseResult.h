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
// twice, even after one was appended. A file-name search takes its candidates from the search
// index while that matches the catalogue (SearchIndex), and its writes keep the index current.
class BrowseResult final
{
public:
    // How a file-name search uses the index: read it while it matches the catalogue, and else
    // (or when records were appended since) have it brought up to date in the background; only
    // read it; or scan as without one.
    enum class IndexUse
    {
        ReadAndUpdate,
        Read,
        Ignore
    };

    struct Row
    {
        qint64 key = 0;
        std::array<FieldValue, 4> fields; // field positions 1..4
    };

    // Opens the catalogue (a file, or a server whose tables it checks first) and reads the first
    // batch. Throws AppError.
    BrowseResult(const CataloguePlace &place, CatalogueConnection::Access access,
                 BrowseRequest request, IndexUse indexUse = IndexUse::ReadAndUpdate);
    Q_DISABLE_COPY_MOVE(BrowseResult)

    int size() const { return int(m_fetched.size() + m_appended.size()); }
    int fetchedSize() const { return int(m_fetched.size()); }
    const Row &row(int index) const;
    bool atEnd() const { return m_atEnd; }
    // Whether the last read went through the search index.
    bool readIndex() const { return m_readIndex; }

    // The rows after the fetched ones, up to a batch; none when the end is reached. Throws.
    std::vector<Row> readBatch();
    void addFetched(std::vector<Row> rows);

    // Runs over the whole result in its order; both throw AppError. The disc names are those of
    // the request's records as the catalogue holds them now, those written since the opening
    // included.
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
    qint64 highestKey() const;
    // A key range of the result, read through the index or not.
    struct Source
    {
        bool indexed = false;
        std::optional<qint64> after; // keys above this one only
        qint64 last = 0;             // keys up to this one
    };
    struct Statement
    {
        QString sql;
        QVariantMap parameters;
    };
    // A statement over a source's records: "SELECT <columns> FROM ... WHERE ..." + tail, "<key>"
    // in columns and tail standing for the key.
    Statement statement(const Source &source, const QString &columns, const QString &tail) const;
    QSqlQuery prepared(const Statement &statement) const;
    // Runs read over the sources of the whole result, in key order; see the .cpp.
    void readSources(qint64 lastKey,
                     const std::function<void(const std::vector<Source> &)> &read) const;
    // Adds the source's rows after the last key read to rows, up to a batch; false once full.
    bool readRows(const Source &source, std::vector<Row> &rows) const;

    CatalogueConnection m_connection;
    BrowseRequest m_request;
    QString m_trigramQuery; // empty when the request does not go through the index
    sqlite3 *m_handle = nullptr;
    mutable bool m_indexUsable = false;
    mutable bool m_readIndex = false;
    mutable std::optional<qint64> m_coveredKey; // as the last read found it
    qint64 m_lastKey = 0;
    qint64 m_fetchedKey = 0;
    bool m_atEnd = false;
    std::vector<Row> m_fetched;
    std::vector<Row> m_appended;
    bool m_hasNewRow = false;
    bool m_writable = false;
};
