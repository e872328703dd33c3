#pragma once

#include "catalogue/CatalogueRecord.h"

#include <QString>

#include <functional>
#include <optional>

struct pg_conn;

// How an append to a server catalogue ended.
struct ServerAppendResult
{
    qsizetype stored = 0;             // records held by the transaction, those before a failure
    std::optional<qsizetype> refused; // the position of the record the server refused
    std::optional<QString> failure;   // the message of the failure that ended it
    bool connectionLost = false;      // then the transaction, and all it held, is gone
};

// Appends recordAt(0) to recordAt(count - 1) in order to the catalogue on a server, inside the
// transaction open on connection, which the caller commits. Records go in with COPY, a chunk at a
// time under a savepoint; when the server refuses a chunk, it is rolled back and its records go
// in one at a time up to the refused one, so that every record before it is kept. When putting
// those back fails too, the chunk's records are dropped and only the chunks before it are kept;
// a transaction that the server has aborted holds nothing, and says so.
ServerAppendResult appendOnServer(pg_conn *connection, const QString &location, qsizetype count,
                                  const std::function<CatalogueRecord(qsizetype)> &recordAt);
