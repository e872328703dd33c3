#include "base/AppError.h"
#include "catalogue/CatalogueSchema.h"

#include <QCoreApplication>

#include <cstdio>

// tralbo-newcatalogue FILE: makes an empty catalogue (table CD with the fields Nr, CD, DATEI,
// INFO, INHALT) to be put beside the program as CD.db. An existing file is never replaced.
int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("Aufruf: tralbo-newcatalogue DATEI\n", stderr);
        return 2;
    }
    try {
        createEmptyCatalogue(arguments[1]);
    } catch (const AppError &error) {
        std::fprintf(stderr, "tralbo-newcatalogue: %s\n", error.what());
        return 1;
    }
    return 0;
}
