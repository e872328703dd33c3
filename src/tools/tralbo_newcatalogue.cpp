#include "base/AppError.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/ServerLocation.h"
#include "catalogue/ServerSchema.h"

#include <QCoreApplication>

#include <cstdio>

// tralbo-newcatalogue FILE: makes an empty catalogue (table CD with the fields Nr, CD, DATEI,
// INFO, INHALT) to be put beside the program as CD.db. An existing file is never replaced.
// tralbo-newcatalogue postgresql://...: makes the catalogue's tables in an empty database on a
// PostgreSQL server; a database that holds them already is left alone.
int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("Aufruf: tralbo-newcatalogue DATEI|postgresql://...\n", stderr);
        return 2;
    }
    try {
        if (ServerLocation::isServer(arguments[1]))
            createServerCatalogue(arguments[1]);
        else
            createEmptyCatalogue(arguments[1]);
    } catch (const AppError &error) {
        std::fprintf(stderr, "tralbo-newcatalogue: %s\n", error.what());
        return 1;
    }
    return 0;
}
