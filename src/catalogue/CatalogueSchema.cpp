#include "catalogue/CatalogueSchema.h"

#include "catalogue/CatalogueConnection.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <sqlite3.h>

using namespace Qt::StringLiterals;
using Access = CatalogueConnection::Access;

namespace {

bool hasSqliteHeader(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3", 16);
}

// An INTEGER key first (so it is the rowid), then CD, DATEI, INFO and INHALT in any letter case,
// none of them part of a key.
bool fieldsMatch(QSqlQuery &fields)
{
    int position = 0;
    for (; fields.next(); ++position) {
        if (position >= int(CatalogueSchema::FieldNames.size()))
            return false;
        const bool isKey = fields.value(2).toInt() != 0;
        const bool matches =
            position == 0
                ? isKey &&
                      fields.value(1).toString().compare(u"INTEGER"_s, Qt::CaseInsensitive) == 0
                : !isKey && fields.value(0).toString().compare(
                                CatalogueSchema::FieldNames[position], Qt::CaseInsensitive) == 0;
        if (!matches)
            return false;
    }
    return position == int(CatalogueSchema::FieldNames.size());
}

bool hasCatalogueTable(const CatalogueConnection &connection)
{
    // "wr" flags a table without rowid, whose key would not be the rowid the queries rely on.
    QSqlQuery table = connection.prepare(u"SELECT type, wr FROM pragma_table_list "
                                         u"WHERE schema = 'main' AND name = 'CD' COLLATE NOCASE"_s);
    connection.exec(table);
    if (!table.next() || table.value(0).toString() != u"table"_s || table.value(1).toInt() != 0)
        return false;
    QSqlQuery fields = connection.prepare(u"SELECT name, type, pk FROM pragma_table_info('CD')"_s);
    connection.exec(fields);
    return fieldsMatch(fields);
}

bool hasCatalogueTable(const QString &fileName)
{
    try {
        return hasCatalogueTable(
            CatalogueConnection(CataloguePlace::file(fileName), Access::ReadOnly));
    } catch (const CatalogueFailure &failure) {
        if ((failure.resultCode() & 0xff) != SQLITE_READONLY)
            throw;
    }
    // A read-only connection reports a rollback journal left by an import that died inside its
    // transaction; the first read of a writing one rolls it back, restoring the file as it was
    // before that import.
    const CataloguePlace place = CataloguePlace::file(fileName);
    CatalogueConnection(place, Access::ReadWrite).exec(u"SELECT count(*) FROM sqlite_master"_s);
    return hasCatalogueTable(CatalogueConnection(place, Access::ReadOnly));
}

} // namespace

CataloguePlace verifiedCatalogue(const CataloguePlace &place)
{
    const CataloguePlace found = place.backend().located(place);
    found.backend().checkOn(CatalogueConnection(found, Access::ReadOnly));
    return found;
}

QString verifiedCatalogueFile(const QString &path)
{
    const QString fileName = findIgnoringCase(path);
    if (fileName.isEmpty())
        throw AppError(CatalogueMessage::notFound(path));
    if (!hasSqliteHeader(fileName) || !hasCatalogueTable(fileName))
        throw AppError(CatalogueMessage::notACatalogue(fileName));
    return fileName;
}

QString discIndexStatement()
{
    return u"CREATE INDEX IF NOT EXISTS CD_disc ON CD (CD)"_s;
}

void createEmptyCatalogue(const QString &fileName)
{
    const QString shownName = QDir::toNativeSeparators(fileName);
    if (QFileInfo::exists(fileName))
        throw AppError(u"%1 existiert bereits und wird nicht überschrieben"_s.arg(shownName));
    // Built under a temporary name and renamed at the end, so no half-made catalogue appears.
    QTemporaryFile file(fileName + u".XXXXXX"_s);
    if (!file.open())
        throw AppError(u"%1 kann nicht angelegt werden: %2"_s.arg(shownName, file.errorString()));
    file.close();
    {
        const CatalogueConnection connection(CataloguePlace::file(file.fileName()),
                                             Access::ReadWrite);
        connection.exec(u"CREATE TABLE CD (Nr INTEGER PRIMARY KEY AUTOINCREMENT, CD TEXT, "
                        u"DATEI TEXT, INFO TEXT, INHALT TEXT)"_s);
        connection.exec(discIndexStatement());
    }
    if (!file.rename(fileName))
        throw AppError(u"%1 kann nicht angelegt werden: %2"_s.arg(shownName, file.errorString()));
    file.setAutoRemove(false);
    QFile::setPermissions(fileName, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
}
