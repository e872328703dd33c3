#pragma once

#include <QString>

// When the server at location wants a password that libpq finds nowhere (~/.pgpass,
// pg_service.conf, PGPASSWORD) and standard input is a terminal, asks for it there without echo,
// as psql does, and puts it into PGPASSWORD of this process, where libpq finds it when the
// catalogue connects. Otherwise does nothing: the connection then reports the server's refusal.
void askForServerPasswordIfNeeded(const QString &location);
