#include "catalogue/ServerAppend.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/LibPq.h"

#include <array>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Records per COPY: large enough that the round trips vanish beside the data, small enough that
// finding a refused record reinserts few.
constexpr qsizetype ChunkSize = 2000;
// Bytes handed to libpq at a time.
constexpr qsizetype CopyBufferSize = 1 << 20;

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// The record's values in the order of the statements below; DATEI_UPPER last.
std::array<FieldValue, 5> columnsOf(const CatalogueRecord &record)
{
    return {record[1], record[2], record[3], record[4], upperPath(record[2])};
}

// A value in COPY's text format: backslash, tab, CR and LF escaped, NULL as \N.
void appendCopyValue(QByteArray &buffer, const FieldValue &value)
{
    if (!value) {
        buffer += "\\N";
        return;
    }
    for (const char c : value->toUtf8()) {
        switch (c) {
        case '\\':
            buffer += "\\\\";
            break;
        case '\t':
            buffer += "\\t";
            break;
        case '\n':
            buffer += "\\n";
            break;
        case '\r':
            buffer += "\\r";
            break;
        default:
            buffer += c;
        }
    }
}

class Appender final
{
public:
    Appender(PGconn *connection, const QString &location,
             const std::function<CatalogueRecord(qsizetype)> &recordAt)
        : m_connection(connection), m_location(location), m_recordAt(recordAt)
    {}

    ServerAppendResult run(qsizetype count)
    {
        for (qsizetype first = 0; first < count; first += ChunkSize) {
            const qsizetype end = std::min(count, first + ChunkSize);
            if (!command("SAVEPOINT chunk"))
                return ended(first);
            if (copy(first, end)) {
                if (!command("RELEASE SAVEPOINT chunk"))
                    return ended(first);
                continue;
            }
            return ended(keepBeforeRefused(first, end));
        }
        return {count, std::nullopt, std::nullopt, false};
    }

private:
    // A transaction the server has aborted is rolled back whole by COMMIT, so it holds nothing.
    ServerAppendResult ended(qsizetype stored) const
    {
        const bool lost = libPq().status(m_connection) != CONNECTION_OK;
        const bool aborted = libPq().transactionStatus(m_connection) != PQTRANS_INTRANS;
        return {lost || aborted ? 0 : stored, m_refused, m_failure, lost};
    }

    // After a refused chunk: rolls it back, finds the refused record by inserting one at a time,
    // and puts those before it back. Returns how many records the transaction then holds.
    qsizetype keepBeforeRefused(qsizetype first, qsizetype end)
    {
        if (!command("ROLLBACK TO SAVEPOINT chunk"))
            return first;
        qsizetype refused = first;
        while (refused < end && insert(refused))
            ++refused;
        if (refused < end)
            m_refused = refused;
        const std::optional<QString> reason = m_failure;
        if (!command("ROLLBACK TO SAVEPOINT chunk"))
            return first;
        if (!copy(first, refused)) {
            // The chunks before stay; the failed copy is undone so that they can be committed.
            m_failure = reason;
            command("ROLLBACK TO SAVEPOINT chunk");
            return first;
        }
        m_failure = reason;
        return refused;
    }

    bool command(const char *sql)
    {
        const Result result(libPq().exec(m_connection, sql), libPq().clear);
        return succeeded(result.get(), PGRES_COMMAND_OK);
    }

    bool succeeded(const PGresult *result, ExecStatusType expected)
    {
        if (libPq().resultStatus(result) == expected)
            return true;
        const char *state = result ? libPq().resultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        m_failure = serverError(QString::fromLatin1(state ? state : ""),
                                QString::fromUtf8(libPq().errorMessage(m_connection)).trimmed(),
                                m_location, libPq().status(m_connection) != CONNECTION_OK)
                        .message();
        return false;
    }

    bool insert(qsizetype position)
    {
        const std::array<FieldValue, 5> values = columnsOf(m_recordAt(position));
        std::array<QByteArray, 5> texts;
        std::array<const char *, 5> parameters{};
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i]) {
                texts[i] = values[i]->toUtf8();
                parameters[i] = texts[i].constData();
            }
        }
        const Result result(
            libPq().execParams(m_connection,
                               "INSERT INTO cd (cd, datei, info, inhalt, datei_upper) "
                               "VALUES ($1, $2, $3, $4, $5)",
                               int(parameters.size()), nullptr, parameters.data(), nullptr, nullptr,
                               0),
            libPq().clear);
        return succeeded(result.get(), PGRES_COMMAND_OK);
    }

    bool copy(qsizetype first, qsizetype end)
    {
        if (first >= end)
            return true;
        {
            const Result start(
                libPq().exec(m_connection,
                             "COPY cd (cd, datei, info, inhalt, datei_upper) FROM STDIN"),
                libPq().clear);
            if (!succeeded(start.get(), PGRES_COPY_IN))
                return false;
        }
        QByteArray buffer;
        buffer.reserve(CopyBufferSize + 4096);
        bool sent = true;
        for (qsizetype position = first; position < end && sent; ++position) {
            const std::array<FieldValue, 5> values = columnsOf(m_recordAt(position));
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (i > 0)
                    buffer += '\t';
                appendCopyValue(buffer, values[i]);
            }
            buffer += '\n';
            if (buffer.size() >= CopyBufferSize || position + 1 == end) {
                sent =
                    libPq().putCopyData(m_connection, buffer.constData(), int(buffer.size())) == 1;
                buffer.clear();
            }
        }
        const bool ended = libPq().putCopyEnd(m_connection, sent ? nullptr : "abgebrochen") == 1;
        bool copied = ended;
        while (const Result result{libPq().getResult(m_connection), libPq().clear}) {
            if (!succeeded(result.get(), PGRES_COMMAND_OK))
                copied = false;
        }
        if (!ended)
            succeeded(nullptr, PGRES_COMMAND_OK);
        return copied && sent;
    }

    PGconn *m_connection;
    const QString &m_location;
    const std::function<CatalogueRecord(qsizetype)> &m_recordAt;
    std::optional<QString> m_failure;
    std::optional<qsizetype> m_refused;
};

} // namespace

ServerAppendResult appendOnServer(pg_conn *connection, const QString &location, qsizetype count,
                                  const std::function<CatalogueRecord(qsizetype)> &recordAt)
{
    return Appender(connection, location, recordAt).run(count);
}
