#include "cli/CatalogueRecords.h"

#include "catalogue/CatalogueConnection.h"

#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

// The statement of a whole-catalogue read, its disc bound as :disc.
QString recordsStatement(const QString &key, bool oneDisc, RecordOrder order)
{
    // A window over each disc's smallest key keeps the discs in the order they were catalogued.
    const QString orderBy =
        order == RecordOrder::ByKey ? key : u"min(%1) OVER (PARTITION BY CD), %1"_s.arg(key);
    return u"SELECT %1, CD, DATEI, INFO, INHALT FROM CD %2 ORDER BY %3"_s.arg(
        key, oneDisc ? u"WHERE coalesce(CD, '') = :disc"_s : QString(), orderBy);
}

} // namespace

void forEachRecord(const CataloguePlace &catalogue, const std::optional<QString> &disc,
                   RecordOrder order, const std::function<void(const RecordRow &)> &visit)
{
    const CatalogueConnection connection(catalogue, CatalogueConnection::Access::ReadOnly);
    QVariantMap parameters;
    if (disc)
        parameters.insert(u":disc"_s, *disc);
    RecordRow row;
    connection.forEachRecord(recordsStatement(connection.keyColumn(), disc.has_value(), order),
                             parameters, [&](qint64 key, std::array<FieldValue, 4> &fields) {
                                 // Swapped, not copied: the fields keep their buffers.
                                 row.key = key;
                                 std::swap(row.fields, fields);
                                 visit(row);
                                 std::swap(row.fields, fields);
                             });
}

bool catalogueHasDisc(const CataloguePlace &catalogue, const QString &disc)
{
    const CatalogueConnection connection(catalogue, CatalogueConnection::Access::ReadOnly);
    QSqlQuery query =
        connection.prepare(u"SELECT 1 FROM CD WHERE coalesce(CD, '') = :disc LIMIT 1"_s);
    query.bindValue(u":disc"_s, disc);
    connection.exec(query);
    return query.next();
}
