#include "catalogue/CatalogueConnection.h"

#include "catalogue/SearchIndex.h"
#include "catalogue/StagedTree.h"

#include <QSqlError>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

QString uniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return u"tralbo-catalogue-%1"_s.arg(++counter);
}

} // namespace

CatalogueConnection::Registration::~Registration()
{
    QSqlDatabase::removeDatabase(name);
}

CatalogueConnection::CatalogueConnection(const CataloguePlace &place, Access access)
    : m_registration{uniqueConnectionName()}, m_place(place),
      m_driver(place.backend().connect(place, access, m_registration.name))
{}

CatalogueConnection::~CatalogueConnection() = default;

void CatalogueConnection::setBusyWait(std::function<bool()> wait)
{
    m_busyWait = std::move(wait);
    m_driver->setBusyWait(&m_busyWait);
}

CatalogueFailure CatalogueConnection::failure(const QSqlError &error,
                                              const QString &statement) const
{
    return m_driver->failure(error, statement);
}

QSqlQuery CatalogueConnection::prepare(const QString &sql) const
{
    QSqlQuery query(m_driver->database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw failure(query.lastError(), sql);
    return query;
}

void CatalogueConnection::exec(QSqlQuery &query) const
{
    if (!query.exec())
        throw failure(query.lastError(), query.lastQuery());
}

void CatalogueConnection::exec(const QString &sql) const
{
    m_driver->execUnprepared(sql);
}

QSqlQuery CatalogueConnection::prepareInsert() const
{
    return prepare(backend().insertStatement());
}

void CatalogueConnection::bindInsert(QSqlQuery &insert,
                                     const std::array<FieldValue, 4> &fields) const
{
    const QVariantList values = backend().insertValues(fields);
    for (int i = 0; i < int(values.size()); ++i)
        insert.bindValue(i, values[i]);
}

void CatalogueConnection::forEachText(const QString &sql, const QVariantMap &parameters,
                                      const std::function<void(const QString &)> &visit) const
{
    m_driver->forEachText(sql, parameters, visit);
}

void CatalogueConnection::forEachRecord(
    const QString &sql, const QVariantMap &parameters,
    const std::function<void(qint64, std::array<FieldValue, 4> &)> &visit) const
{
    m_driver->forEachRecord(sql, parameters, visit);
}

AppendResult
CatalogueConnection::append(qsizetype first, qsizetype end,
                            const std::function<CatalogueRecord(qsizetype)> &recordAt) const
{
    return m_driver->append(first, end, recordAt);
}

std::unique_ptr<StagedTree> CatalogueConnection::storeTree(const QString &disc,
                                                           const QByteArray &treeText) const
{
    return m_driver->storeTree(m_place, disc, treeText);
}

std::unique_ptr<SearchIndexUpdate> CatalogueConnection::searchIndexUpdate() const
{
    return m_driver->searchIndexUpdate();
}

std::optional<SearchIndex> CatalogueConnection::searchIndex() const
{
    return backend().searchIndex(m_place);
}
