#include "catalogue/LibPq.h"

#include "catalogue/CatalogueError.h"

#include <dlfcn.h>

namespace {

template <typename Function> void resolve(void *library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (!function)
        throw AppError(CatalogueMessage::serverDriverUnavailable());
}

LibPq load()
{
    // Never closed: libpq stays loaded while connections may use it, as the driver keeps it.
    void *library = ::dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        throw AppError(CatalogueMessage::serverDriverUnavailable());
    LibPq functions{};
    resolve(library, "PQconninfoParse", functions.conninfoParse);
    resolve(library, "PQconninfoFree", functions.conninfoFree);
    resolve(library, "PQfreemem", functions.freemem);
    resolve(library, "PQsetNoticeProcessor", functions.setNoticeProcessor);
    resolve(library, "PQstatus", functions.status);
    resolve(library, "PQtransactionStatus", functions.transactionStatus);
    resolve(library, "PQerrorMessage", functions.errorMessage);
    resolve(library, "PQexec", functions.exec);
    resolve(library, "PQexecParams", functions.execParams);
    resolve(library, "PQgetResult", functions.getResult);
    resolve(library, "PQresultStatus", functions.resultStatus);
    resolve(library, "PQresultErrorField", functions.resultErrorField);
    resolve(library, "PQcmdStatus", functions.cmdStatus);
    resolve(library, "PQclear", functions.clear);
    resolve(library, "PQputCopyData", functions.putCopyData);
    resolve(library, "PQputCopyEnd", functions.putCopyEnd);
    return functions;
}

} // namespace

const LibPq &libPq()
{
    static const LibPq functions = load();
    return functions;
}
