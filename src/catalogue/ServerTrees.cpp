#include "catalogue/ServerTrees.h"

#include "catalogue/CatalogueConnection.h"

using namespace Qt::StringLiterals;

void storeServerTree(const QString &location, const QString &disc, const QByteArray &treeText)
{
    const CatalogueConnection connection(location, CatalogueConnection::Access::ReadWrite);
    QSqlQuery store = connection.prepare(
        u"INSERT INTO trees (disc, tree, stored) VALUES (:disc, :tree, now()) ON CONFLICT (disc) "
        u"DO UPDATE SET tree = excluded.tree, stored = excluded.stored"_s);
    store.bindValue(u":disc"_s, disc);
    store.bindValue(u":tree"_s, treeText);
    connection.exec(store);
}

std::optional<QByteArray> readServerTree(const QString &location, const QString &disc)
{
    const CatalogueConnection connection(location, CatalogueConnection::Access::ReadOnly);
    QSqlQuery read = connection.prepare(u"SELECT tree FROM trees WHERE disc = :disc"_s);
    read.bindValue(u":disc"_s, disc);
    connection.exec(read);
    if (!read.next())
        return std::nullopt;
    return read.value(0).toByteArray();
}
