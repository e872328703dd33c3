#include "catalogue/CatalogueTrees.h"

#include "base/AppError.h"
#include "catalogue/CatalogueConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <climits>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString TreeSuffix = u".vfs"_s;

bool namesFileOfItsOwn(const QString &disc)
{
    // Every other name, blanks, quotes, leading dots and device names included, is a plain file
    // name on Linux.
    return !disc.contains(u'/') && !disc.contains(QChar(u'\0')) && disc != u"."_s &&
           disc != u".."_s && QFile::encodeName(disc + TreeSuffix).size() <= NAME_MAX;
}

QString cannotCreate(const QString &fileName)
{
    return u"Datei %1 kann nicht erstellt werden"_s.arg(fileName);
}

} // namespace

std::optional<QString> treeFileOf(const CataloguePlace &place, const QString &disc)
{
    if (place.kind() == CataloguePlace::Kind::Server || !namesFileOfItsOwn(disc))
        return std::nullopt;
    return place.dataFolder() + disc + TreeSuffix;
}

bool canKeepTree(const CataloguePlace &place, const QString &disc)
{
    return place.kind() == CataloguePlace::Kind::Server || treeFileOf(place, disc).has_value();
}

QString treePlaceOf(const CataloguePlace &place, const QString &disc)
{
    if (place.kind() == CataloguePlace::Kind::Server)
        return u"Verzeichnisbaum \"%1\" in %2"_s.arg(disc, place.shown());
    return u"Datei %1"_s.arg(place.dataFolder() + disc + TreeSuffix);
}

std::optional<QByteArray> readStoredTree(const CataloguePlace &place, const QString &disc)
{
    if (place.kind() == CataloguePlace::Kind::Server) {
        const CatalogueConnection connection(place, CatalogueConnection::Access::ReadOnly);
        QSqlQuery read = connection.prepare(u"SELECT tree FROM trees WHERE disc = :disc"_s);
        read.bindValue(u":disc"_s, disc);
        connection.exec(read);
        if (!read.next())
            return std::nullopt;
        return read.value(0).toByteArray();
    }
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

void storeServerTree(const CatalogueConnection &connection, const QString &disc,
                     const QByteArray &treeText)
{
    QSqlQuery store = connection.prepare(
        u"INSERT INTO trees (disc, tree, stored) VALUES (:disc, :tree, now()) ON CONFLICT (disc) "
        u"DO UPDATE SET tree = excluded.tree, stored = excluded.stored"_s);
    store.bindValue(u":disc"_s, disc);
    store.bindValue(u":tree"_s, treeText);
    connection.exec(store);
}

StagedTree::StagedTree(QString fileName, const QByteArray &treeText)
    : m_fileName(std::move(fileName)),
      m_staged(QFileInfo(m_fileName).absolutePath() + u"/.tralbo-tree-XXXXXX"_s)
{
    // A full disk is reported before the records are committed, never as a short file after.
    if (!m_staged.open() || m_staged.write(treeText) != treeText.size() || !m_staged.flush() ||
        ::fsync(m_staged.handle()) != 0)
        throw AppError(cannotCreate(m_fileName));
    m_staged.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

void StagedTree::publish()
{
    if (std::rename(QFile::encodeName(m_staged.fileName()).constData(),
                    QFile::encodeName(m_fileName).constData()) != 0)
        throw AppError(cannotCreate(m_fileName));
    m_staged.setAutoRemove(false);
}
