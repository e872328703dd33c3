#pragma once

#include <libpq-fe.h>

// The functions of libpq that the catalogue calls itself. libpq is loaded when a catalogue on a
// server is first used, as the QPSQL driver loads it: most runs of the program never talk to a
// server, and libpq with all it needs (Kerberos, LDAP, TLS) would slow every start.
struct LibPq
{
    decltype(&::PQconninfoParse) conninfoParse;
    decltype(&::PQconninfoFree) conninfoFree;
    decltype(&::PQfreemem) freemem;
    decltype(&::PQsetNoticeProcessor) setNoticeProcessor;
    decltype(&::PQstatus) status;
    decltype(&::PQtransactionStatus) transactionStatus;
    decltype(&::PQerrorMessage) errorMessage;
    decltype(&::PQexec) exec;
    decltype(&::PQexecParams) execParams;
    decltype(&::PQgetResult) getResult;
    decltype(&::PQresultStatus) resultStatus;
    decltype(&::PQresultErrorField) resultErrorField;
    decltype(&::PQcmdStatus) cmdStatus;
    decltype(&::PQclear) clear;
    decltype(&::PQputCopyData) putCopyData;
    decltype(&::PQputCopyEnd) putCopyEnd;
};

// Loads libpq on the first call; throws AppError when it cannot be loaded.
const LibPq &libPq();
