#pragma once

#include <QString>

// The settings of a catalogue on a PostgreSQL server (see CataloguePlace): a connection
// URI ("postgresql://host/db?sslmode=require") or keyword settings ("service=tralbo").
namespace ServerLocation {

// The location's settings as connect options of Qt's PostgreSQL driver, every value quoted for
// libpq, with a connect timeout of 10 s unless the location or PGCONNECT_TIMEOUT gives one.
// Throws AppError when libpq cannot read the location.
QString connectOptions(const QString &location);

} // namespace ServerLocation
