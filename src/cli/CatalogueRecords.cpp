#include "cli/CatalogueRecords.h"

#include "catalogue/CatalogueConnection.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/ServerLocation.h"

#include <QSqlError>

#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

#include <sqlite3.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The engine's own read-only connection: a whole catalogue is read here, and the engine's UTF-8
// decoded by Qt costs a fraction of its UTF-16 conversion, of a QVariant per value and of the
// driver's bookkeeping.
class DirectReader final
{
public:
    DirectReader(const QString &catalogue, const QString &sql) : m_catalogue(catalogue)
    {
        QUrl uri = QUrl::fromLocalFile(QFileInfo(catalogue).absoluteFilePath());
        uri.setQuery(u"mode=ro"_s);
        sqlite3 *database = nullptr;
        const int code =
            sqlite3_open_v2(uri.toString(QUrl::FullyEncoded).toUtf8().constData(), &database,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        m_database.reset(database);
        check(code);
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt *statement = nullptr;
        check(
            sqlite3_prepare_v2(database, text.constData(), int(text.size()), &statement, nullptr));
        m_statement.reset(statement);
    }

    sqlite3_stmt *statement() const { return m_statement.get(); }
    void check(int code) const
    {
        if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
            throw catalogueError(code,
                                 QString::fromUtf8(m_database ? sqlite3_errmsg(m_database.get())
                                                              : sqlite3_errstr(code)),
                                 m_catalogue);
    }

private:
    struct Close
    {
        void operator()(sqlite3 *database) const { sqlite3_close(database); }
    };
    struct Finalize
    {
        void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
    };

    QString m_catalogue;
    std::unique_ptr<sqlite3, Close> m_database;
    std::unique_ptr<sqlite3_stmt, Finalize> m_statement; // finalized before the close
};

// Decodes into the field's own buffer, which keeps its room from record to record.
void assignText(FieldValue &field, sqlite3_stmt *statement, int column, QStringDecoder &decoder)
{
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    if (!bytes) {
        field.reset();
        return;
    }
    const QByteArrayView text(bytes, sqlite3_column_bytes(statement, column));
    QString &value = field ? *field : field.emplace();
    value.resize(decoder.requiredSpace(text.size()));
    const QChar *end = decoder.appendToBuffer(value.data(), text);
    value.truncate(end - value.constData());
}

// The statement of a whole-catalogue read, its disc bound as the first parameter.
QString recordsStatement(const QString &key, bool oneDisc, RecordOrder order)
{
    // A window over each disc's smallest key keeps the discs in the order they were catalogued.
    const QString orderBy =
        order == RecordOrder::ByKey ? key : u"min(%1) OVER (PARTITION BY CD), %1"_s.arg(key);
    return u"SELECT %1, CD, DATEI, INFO, INHALT FROM CD %2 ORDER BY %3"_s.arg(
        key, oneDisc ? u"WHERE coalesce(CD, '') = ?"_s : QString(), orderBy);
}

// On a server Qt's driver passes the rows on one at a time as they arrive.
void forEachServerRecord(const QString &catalogue, const std::optional<QString> &disc,
                         RecordOrder order, const std::function<void(const RecordRow &)> &visit)
{
    const CatalogueConnection connection(catalogue, CatalogueConnection::Access::ReadOnly);
    QSqlQuery query = connection.prepare(recordsStatement(u"nr"_s, disc.has_value(), order));
    if (disc)
        query.bindValue(0, *disc);
    connection.exec(query);
    RecordRow row;
    while (query.next()) {
        row.key = query.value(0).toLongLong();
        for (int position = 1; position <= int(row.fields.size()); ++position)
            row.fields[std::size_t(position - 1)] = fieldValue(query.value(position));
        visit(row);
    }
    if (query.lastError().isValid())
        throw connection.failure(query.lastError());
}

} // namespace

void forEachRecord(const QString &catalogue, const std::optional<QString> &disc, RecordOrder order,
                   const std::function<void(const RecordRow &)> &visit)
{
    if (ServerLocation::isServer(catalogue)) {
        forEachServerRecord(catalogue, disc, order, visit);
        return;
    }
    const DirectReader reader(catalogue, recordsStatement(u"rowid"_s, disc.has_value(), order));
    sqlite3_stmt *const statement = reader.statement();
    QByteArray discText;
    if (disc) {
        discText = disc->toUtf8();
        reader.check(sqlite3_bind_text(statement, 1, discText.constData(), int(discText.size()),
                                       SQLITE_STATIC));
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    RecordRow row;
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        row.key = sqlite3_column_int64(statement, 0);
        for (int position = 1; position <= int(row.fields.size()); ++position)
            assignText(row.fields[std::size_t(position - 1)], statement, position, decoder);
        visit(row);
    }
    reader.check(code);
}

bool catalogueHasDisc(const QString &catalogue, const QString &disc)
{
    const CatalogueConnection connection(catalogue, CatalogueConnection::Access::ReadOnly);
    QSqlQuery query =
        connection.prepare(u"SELECT 1 FROM CD WHERE coalesce(CD, '') = :disc LIMIT 1"_s);
    query.bindValue(u":disc"_s, disc);
    connection.exec(query);
    return query.next();
}
