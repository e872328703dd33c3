#pragma once

#include <QString>

// A catalogue on a PostgreSQL server, named as every PostgreSQL client names one: a connection
// URI ("postgresql://host/db?sslmode=require") or keyword settings ("service=tralbo"). Passwords
// come from libpq's own places (~/.pgpass, pg_service.conf, PG* variables), never from here.
namespace ServerLocation {

// Whether the location names a server rather than a catalogue file.
bool isServer(const QString &location);

// The location's settings as connect options of Qt's PostgreSQL driver, every value quoted for
// libpq, with a connect timeout of 10 s unless the location or PGCONNECT_TIMEOUT gives one.
// Throws AppError when libpq cannot read the location.
QString connectOptions(const QString &location);

} // namespace ServerLocation
