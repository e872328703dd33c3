#include "catalogue/SqliteBackend.h"

#include "catalogue/BrowseRequest.h"
#include "catalogue/CataloguePlace.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/SearchIndex.h"
#include "catalogue/SqlFunctions.h"
#include "catalogue/SqliteDatabase.h"
#include "catalogue/StagedTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringDecoder>
#include <QUrl>

#include <sqlite3.h>

#include <climits>

using namespace Qt::StringLiterals;

namespace {

// Long enough to ride out another connection's short write, short enough that a catalogue held
// by another program fails at once instead of freezing the window.
constexpr int BusyTimeoutMs = 1000;

const QString TreeSuffix = u".vfs"_s;

// A URI with mode=ro or mode=rw: unlike a plain path, neither mode ever creates the file.
QString uriOf(const QString &fileName, CatalogueAccess access)
{
    QUrl uri = QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath());
    uri.setQuery(access == CatalogueAccess::ReadOnly ? u"mode=ro"_s : u"mode=rw"_s);
    return uri.toString(QUrl::FullyEncoded);
}

// Where the disc's .vfs file goes, whether or not the name can name one.
QString treePathOf(const CataloguePlace &place, const QString &disc)
{
    return place.dataFolder() + disc + TreeSuffix;
}

// The disc's .vfs file; none for a name that names no file of its own. Every other name, blanks,
// quotes, leading dots and device names included, is a plain file name on Linux.
std::optional<QString> treeFileOf(const CataloguePlace &place, const QString &disc)
{
    if (disc.contains(u'/') || disc.contains(QChar(u'\0')) || disc == u"."_s || disc == u".."_s ||
        QFile::encodeName(disc + TreeSuffix).size() > NAME_MAX)
        return std::nullopt;
    return treePathOf(place, disc);
}

int waitWhileBusy(void *wait, int)
{
    return (*static_cast<const std::function<bool()> *>(wait))() ? 1 : 0;
}

// Decodes into the field's own buffer, which keeps its room from row to row.
void assignText(FieldValue &field, QByteArrayView text, QStringDecoder &decoder)
{
    if (text.isNull()) {
        field.reset();
        return;
    }
    QString &value = field ? *field : field.emplace();
    value.resize(decoder.requiredSpace(text.size()));
    const QChar *end = decoder.appendToBuffer(value.data(), text);
    value.truncate(end - value.constData());
}

QVariantList insertValuesOf(const std::array<FieldValue, 4> &fields)
{
    QVariantList values;
    for (const FieldValue &field : fields)
        values.append(boundValue(field));
    return values;
}

const QString InsertStatement = u"INSERT INTO CD (CD, DATEI, INFO, INHALT) VALUES (?, ?, ?, ?)"_s;

class SqliteConnection final : public BackendConnection
{
public:
    SqliteConnection(const CataloguePlace &place, CatalogueAccess access,
                     const QString &connectionName)
        : m_place(place), m_database(QSqlDatabase::addDatabase(u"QSQLITE"_s, connectionName))
    {
        if (!m_database.isValid())
            throw AppError(CatalogueMessage::engineUnavailable());
        m_database.setDatabaseName(uriOf(location(), access));
        QString options = u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1"_s.arg(BusyTimeoutMs);
        if (access == CatalogueAccess::ReadOnly)
            options += u";QSQLITE_OPEN_READONLY"_s;
        m_database.setConnectOptions(options);
        if (!m_database.open())
            throw catalogueError(m_database.lastError(), location());
        const QVariant handle = m_database.driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
            m_handle = *static_cast<sqlite3 *const *>(handle.constData());
        if (!m_handle || registerUnicodeUpper(m_handle) != SQLITE_OK)
            throw AppError(CatalogueMessage::engineUnavailable());
        execUnprepared(u"PRAGMA case_sensitive_like = ON"_s);
    }
    ~SqliteConnection() override { m_database.close(); }
    Q_DISABLE_COPY_MOVE(SqliteConnection)

    QSqlDatabase &database() override { return m_database; }

    bool canWrite() const override
    {
        const QFileInfo file(location());
        return sqlite3_db_readonly(m_handle, "main") == 0 && file.isWritable() &&
               QFileInfo(file.absolutePath()).isWritable();
    }

    bool writeLockFree() const override
    {
        sqlite3_busy_timeout(m_handle, 0);
        const bool free =
            sqlite3_exec(m_handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (free)
            sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
        restoreBusyHandling();
        return free;
    }

    void commit() const override { execUnprepared(u"COMMIT"_s); }

    void setBusyWait(const std::function<bool()> *wait) override
    {
        m_busyWait = wait && *wait ? wait : nullptr;
        restoreBusyHandling();
    }

    // BEGIN IMMEDIATE has taken the write lock: imports take turns already.
    bool lockForImport() const override { return true; }

    void addMissingIndexes() const override
    {
        if (sqlite3_exec(m_handle, "SAVEPOINT missing_indexes", nullptr, nullptr, nullptr) !=
            SQLITE_OK)
            return;
        const QByteArray create = discIndexStatement().toUtf8();
        const int code = sqlite3_exec(m_handle, create.constData(), nullptr, nullptr, nullptr);
        if (code != SQLITE_OK && !inTransaction())
            throwSqliteFailure(m_handle, code);
        if (code != SQLITE_OK)
            sqlite3_exec(m_handle, "ROLLBACK TO missing_indexes", nullptr, nullptr, nullptr);
        sqlite3_exec(m_handle, "RELEASE missing_indexes", nullptr, nullptr, nullptr);
    }
    bool inTransaction() const override { return sqlite3_get_autocommit(m_handle) == 0; }
    bool connectionLost() const override { return false; }

    CatalogueFailure failure(const QSqlError &error, const QString &) const override
    {
        return catalogueError(error, location());
    }

    void execUnprepared(const QString &sql) const override
    {
        QSqlQuery query(m_database);
        if (!query.exec(sql))
            throw failure(query.lastError(), sql);
    }

    void insert(QSqlQuery &insert) const override
    {
        if (!insert.exec())
            throw failure(insert.lastError(), insert.lastQuery());
    }

    qint64 insertedKey(QSqlQuery &insert) const override
    {
        return insert.lastInsertId().toLongLong();
    }

    void forEachText(const QString &sql, const QVariantMap &parameters,
                     const std::function<void(const QString &)> &visit) const override
    {
        SqliteStatement statement(m_handle, sql.toUtf8().constData());
        statement.bind(parameters);
        QByteArray previous;
        QString value;
        while (statement.step()) {
            const QByteArrayView text = statement.text(0);
            if (text != previous) {
                previous = text.toByteArray();
                value = QString::fromUtf8(previous);
            }
            visit(value);
        }
    }

    void forEachRecord(
        const QString &sql, const QVariantMap &parameters,
        const std::function<void(qint64, std::array<FieldValue, 4> &)> &visit) const override
    {
        SqliteStatement statement(m_handle, sql.toUtf8().constData());
        statement.bind(parameters);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        std::array<FieldValue, 4> fields;
        while (statement.step()) {
            for (int column = 1; column <= int(fields.size()); ++column)
                assignText(fields[std::size_t(column - 1)], statement.text(column), decoder);
            visit(statement.integer(0), fields);
        }
    }

    // Straight on SQLite: Qt's driver costs more per row than SQLite's own work.
    AppendResult append(qsizetype first, qsizetype end,
                        const std::function<CatalogueRecord(qsizetype)> &recordAt) override
    {
        qsizetype position = first;
        try {
            SqliteStatement insert(m_handle, InsertStatement.toUtf8().constData());
            for (; position < end; ++position) {
                const CatalogueRecord record = recordAt(position);
                for (int field = 1; field < int(record.size()); ++field)
                    insert.bind(field, record[std::size_t(field)]);
                insert.step();
            }
        } catch (const CatalogueFailure &refused) {
            return {position - first, position, refused, false};
        }
        return {end - first, std::nullopt, std::nullopt, false};
    }

    std::unique_ptr<StagedTree> storeTree(const CataloguePlace &place, const QString &disc,
                                          const QByteArray &treeText) override
    {
        const std::optional<QString> file = treeFileOf(place, disc);
        if (!file)
            throw AppError(u"Datei %1 kann nicht erstellt werden"_s.arg(treePathOf(place, disc)));
        return std::make_unique<StagedTree>(*file, treeText);
    }

    std::unique_ptr<SearchIndexUpdate> searchIndexUpdate() const override
    {
        return std::make_unique<SearchIndexUpdate>(location());
    }

    sqlite3 *sqliteHandle() const override { return m_handle; }

private:
    const QString &location() const { return m_place.location(); }

    // The busy timeout, or the wait the import asked for.
    void restoreBusyHandling() const
    {
        if (m_busyWait)
            sqlite3_busy_handler(m_handle, waitWhileBusy,
                                 const_cast<std::function<bool()> *>(m_busyWait));
        else
            sqlite3_busy_timeout(m_handle, BusyTimeoutMs);
    }

    CataloguePlace m_place;
    QSqlDatabase m_database;
    sqlite3 *m_handle = nullptr;
    const std::function<bool()> *m_busyWait = nullptr;
};

} // namespace

QString SqliteBackend::shown(const QString &location) const
{
    return QDir::toNativeSeparators(location);
}

CataloguePlace SqliteBackend::located(const CataloguePlace &place) const
{
    return CataloguePlace::file(verifiedCatalogueFile(place.location()));
}

// located() has checked the file whole.
void SqliteBackend::checkOn(const CatalogueConnection &) const {}

QString SqliteBackend::create(const CataloguePlace &place, const std::function<void()> &) const
{
    createEmptyCatalogue(place.location());
    return u"Tabelle CD mit Nr, CD, DATEI, INFO und INHALT"_s;
}

// A catalogue file has no indexes of its own to add; its search index is built when searched.
std::optional<QStringList> SqliteBackend::upgrade(const CataloguePlace &,
                                                  const std::function<void()> &) const
{
    return std::nullopt;
}

std::unique_ptr<BackendConnection> SqliteBackend::connect(const CataloguePlace &place,
                                                          CatalogueAccess access,
                                                          const QString &connectionName) const
{
    return std::make_unique<SqliteConnection>(place, access, connectionName);
}

bool SqliteBackend::canKeepTree(const CataloguePlace &place, const QString &disc) const
{
    return treeFileOf(place, disc).has_value();
}

QString SqliteBackend::treePlace(const CataloguePlace &place, const QString &disc) const
{
    return u"Datei %1"_s.arg(treePathOf(place, disc));
}

std::optional<QByteArray> SqliteBackend::readTree(const CataloguePlace &place,
                                                  const QString &disc) const
{
    const std::optional<QString> fileName = treeFileOf(place, disc);
    if (!fileName || !QFileInfo(*fileName).isFile())
        return std::nullopt;
    QFile file(*fileName);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError)
        throw AppError(u"Datei %1 kann nicht geöffnet werden"_s.arg(*fileName));
    return bytes;
}

std::optional<SearchIndex> SqliteBackend::searchIndex(const CataloguePlace &place) const
{
    return SearchIndex::forCatalogue(place.location());
}

QString SqliteBackend::keyColumn() const
{
    // SQLite's rowid, whatever the key field is called in the file.
    return u"rowid"_s;
}

QString SqliteBackend::beginWriting() const
{
    // The write lock taken at once: a writer met midway would fail the whole import.
    return u"BEGIN IMMEDIATE"_s;
}

BrowseCondition SqliteBackend::condition(const BrowseRequest &request) const
{
    // "%" and "_" keep their LIKE meaning, and nothing escapes them.
    switch (request.kind) {
    case BrowseRequest::Kind::FirstOpening:
    case BrowseRequest::Kind::AllDiscs:
        break;
    case BrowseRequest::Kind::DiscFilter:
        // "+CD" keeps the read in key order: through the disc index each batch would be sorted.
        return {u"+CD LIKE :pattern"_s, request.text};
    case BrowseRequest::Kind::FileNameSearch:
        return {u"upper(DATEI) LIKE upper(:pattern)"_s, u'%' + request.text + u'%'};
    }
    return {u"1"_s, std::nullopt};
}

QString SqliteBackend::insertStatement() const
{
    return InsertStatement;
}

QVariantList SqliteBackend::insertValues(const std::array<FieldValue, 4> &fields) const
{
    return insertValuesOf(fields);
}

QString SqliteBackend::fieldAssignment(int position) const
{
    return u"%1 = :value"_s.arg(CatalogueSchema::FieldNames[std::size_t(position)]);
}

void SqliteBackend::bindField(QSqlQuery &update, int, const FieldValue &value) const
{
    update.bindValue(u":value"_s, boundValue(value));
}
