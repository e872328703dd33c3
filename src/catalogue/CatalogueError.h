#pragma once

#include "base/AppError.h"

class QSqlError;

// The German messages of the catalogue store.
namespace CatalogueMessage {
QString readOnly();
QString closedDataSet();
QString notFound(const QString &fileName);
QString notACatalogue(const QString &fileName);
QString engineUnavailable();
QString serverDriverUnavailable();
QString serverUnreachable(const QString &location, const QString &reason);
// A connection lost while writing: what the write did is gone.
QString connectionLost(const QString &location, const QString &reason);
// A connection lost while reading.
QString connectionLostReading(const QString &location, const QString &reason);
QString locked(const QString &location);
QString noPrivilege(const QString &location, const QString &reason);
} // namespace CatalogueMessage

// A failure of the catalogue's engine: the German message, SQLite's result code (OK for a
// server) and what callers act on.
class CatalogueFailure final : public AppError
{
public:
    enum class Cause
    {
        Other,
        Locked,     // another connection holds the catalogue
        NoPrivilege // the server answered and refused this user the catalogue
    };

    CatalogueFailure(QString message, int resultCode, Cause cause = Cause::Other)
        : AppError(std::move(message)), m_resultCode(resultCode), m_cause(cause)
    {}

    int resultCode() const { return m_resultCode; }
    Cause cause() const { return m_cause; }

private:
    int m_resultCode;
    Cause m_cause;
};

// The failure reported through Qt's driver, its message chosen by SQLite's primary result code:
// busy or locked, read-only, damaged, cannot open, rejected record (constraint); anything else
// is "Datenbankfehler: " with SQLite's own message.
CatalogueFailure catalogueError(const QSqlError &error, const QString &fileName);
// The same for SQLite's result code and message.
CatalogueFailure catalogueError(int resultCode, const QString &engineText, const QString &fileName);

// What a failed statement on a server was doing: its messages differ.
enum class ServerWork
{
    Reading,
    Writing
};

// A failure reported by a PostgreSQL server, its message chosen by the SQLSTATE's class:
// connection lost (or lost set), rejected record, read-only (a write refused for want of
// privilege), no privilege (a read refused), anything else "Datenbankfehler: " with the server's
// message. location is the place as messages show it. The result code is SQLite's OK, which no
// check looks for.
CatalogueFailure serverError(const QString &sqlState, const QString &serverText,
                             const QString &location, bool lost,
                             ServerWork work = ServerWork::Writing);
