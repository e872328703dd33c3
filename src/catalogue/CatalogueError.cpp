#include "catalogue/CatalogueError.h"

#include <QDir>
#include <QRegularExpression>
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

QString CatalogueMessage::serverDriverUnavailable()
{
    return u"Der Datenbanktreiber QPSQL ist nicht verfügbar (Paket libqt6sql6-psql)"_s;
}

QString CatalogueMessage::serverUnreachable(const QString &location, const QString &reason)
{
    return u"Datenbank %1 nicht erreichbar: %2"_s.arg(location, reason);
}

QString CatalogueMessage::connectionLost(const QString &location, const QString &reason)
{
    return u"Verbindung zur Datenbank %1 unterbrochen, nichts davon wurde gespeichert: %2"_s.arg(
        location, reason);
}

QString CatalogueMessage::connectionLostReading(const QString &location, const QString &reason)
{
    return u"Verbindung zur Datenbank %1 unterbrochen: %2"_s.arg(location, reason);
}

QString CatalogueMessage::locked(const QString &location)
{
    return u"Datenbank %1 ist gesperrt"_s.arg(location);
}

QString CatalogueMessage::noPrivilege(const QString &location, const QString &reason)
{
    return u"Keine Berechtigung für den Katalog %1: %2"_s.arg(location, reason);
}

namespace {

// The server's primary message: its first line, without the severity ("ERROR:  ") before it.
QString primaryMessage(const QString &serverText)
{
    static const QRegularExpression severity(u"^[A-ZÄÖÜ]+:\\s+"_s);
    return serverText.section(u'\n', 0, 0).remove(severity).trimmed();
}

} // namespace

CatalogueFailure serverError(const QString &sqlState, const QString &fullText,
                             const QString &location, bool lost, ServerWork work)
{
    const QString serverText = primaryMessage(fullText);
    if (lost || sqlState.startsWith(u"08"_s) || sqlState.startsWith(u"57P"_s))
        return {work == ServerWork::Writing
                    ? CatalogueMessage::connectionLost(location, serverText)
                    : CatalogueMessage::connectionLostReading(location, serverText),
                SQLITE_OK};
    if (sqlState.startsWith(u"23"_s) || sqlState.startsWith(u"22"_s))
        return {u"Datensatz abgelehnt: %1"_s.arg(serverText), SQLITE_OK};
    if (sqlState == u"25006"_s || (sqlState == u"42501"_s && work == ServerWork::Writing))
        return {CatalogueMessage::readOnly(), SQLITE_OK};
    if (sqlState == u"42501"_s)
        return {CatalogueMessage::noPrivilege(location, serverText), SQLITE_OK,
                CatalogueFailure::Cause::NoPrivilege};
    return {u"Datenbankfehler: %1"_s.arg(serverText), SQLITE_OK};
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
        return {CatalogueMessage::locked(file), code, CatalogueFailure::Cause::Locked};
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
