#include "catalogue/CatalogueError.h"

#include <QDir>
#include <QSqlError>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

QString CatalogueMessage::readOnly()
{
    return u"Eine Datenmenge, die nur zum Lesen ist, kann nicht geändert werden"_s;
}

QString CatalogueMessage::closedDataSet()
{
    return u"Operation bei geschlossener Datenmenge nicht ausführbar"_s;
}

QString CatalogueMessage::notFound(const QString &fileName)
{
    return u"Datenbank %1 nicht gefunden"_s.arg(QDir::toNativeSeparators(fileName));
}

QString CatalogueMessage::notACatalogue(const QString &fileName)
{
    return u"%1 ist keine CD-Datenbank (erwartet: Tabelle CD mit den Feldern Nr, CD, DATEI, INFO, "
           u"INHALT)"_s.arg(QDir::toNativeSeparators(fileName));
}

QString CatalogueMessage::engineUnavailable()
{
    return u"Der Datenbanktreiber QSQLITE ist nicht verfügbar"_s;
}

CatalogueFailure catalogueError(const QSqlError &error, const QString &fileName)
{
    return catalogueError(
        error.nativeErrorCode().toInt(),
        error.databaseText().isEmpty() ? error.driverText() : error.databaseText(), fileName);
}

CatalogueFailure catalogueError(int code, const QString &engineText, const QString &fileName)
{
    const QString file = QDir::toNativeSeparators(fileName);
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return {u"Datenbank %1 ist gesperrt"_s.arg(file), code};
    case SQLITE_READONLY:
        return {CatalogueMessage::readOnly(), code};
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return {u"Datenbank %1 ist beschädigt"_s.arg(file), code};
    case SQLITE_CANTOPEN:
        return {u"Datenbank %1 kann nicht geöffnet werden"_s.arg(file), code};
    case SQLITE_CONSTRAINT:
        return {u"Datensatz abgelehnt: %1"_s.arg(engineText), code};
    default:
        return {u"Datenbankfehler: %1"_s.arg(engineText), code};
    }
}
