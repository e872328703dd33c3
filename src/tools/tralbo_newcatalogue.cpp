#include "base/AppError.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/ServerLocation.h"
#include "catalogue/ServerSchema.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const char Usage[] =
    "Aufruf: tralbo-newcatalogue DATEI|postgresql://...\n"
    "        tralbo-newcatalogue --upgrade postgresql://...\n"
    "Legt einen leeren Katalog an: die Datei DATEI (etwa CD.db, eine vorhandene Datei wird nie\n"
    "ersetzt) oder die Tabellen in einer leeren UTF-8-Datenbank auf einem PostgreSQL-Server,\n"
    "angegeben als Verbindungs-URI (postgresql://benutzer@server/datenbank) oder als\n"
    "Schlüsselwörter (service=tralbo).\n"
    "  --upgrade ORT  ergänzt die Indexe, die einem früher angelegten Server-Katalog fehlen;\n"
    "                 die Daten bleiben, wie sie sind\n";

void say(const QString &line)
{
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
}

bool isServer(const QString &location)
{
    return ServerLocation::isServer(location);
}

void create(const QString &location)
{
    if (!isServer(location)) {
        createEmptyCatalogue(location);
        return;
    }
    createServerCatalogue(location);
}

void upgrade(const QString &location)
{
    if (!isServer(location)) {
        say(u"%1 ist eine Katalogdatei: nichts zu ergänzen"_s.arg(location));
        return;
    }
    const QStringList added = upgradeServerCatalogue(location);
    if (added.isEmpty())
        say(u"Katalog %1 ist vollständig: kein Index fehlt"_s.arg(location));
    else
        say(u"Katalog %1 ergänzt: Indexe %2"_s.arg(location, added.join(u", "_s)));
}

int usageError(const QString &problem)
{
    std::fprintf(stderr, "tralbo-newcatalogue: %s\n%s", qPrintable(problem), Usage);
    return 2;
}

} // namespace

// tralbo-newcatalogue FILE: makes an empty catalogue (table CD with the fields Nr, CD, DATEI,
// INFO, INHALT) to be put beside the program as CD.db. An existing file is never replaced.
// tralbo-newcatalogue postgresql://...: makes the catalogue's tables in an empty database on a
// PostgreSQL server; a database that holds them already is left alone. --upgrade adds what a
// server catalogue made by an earlier version lacks.
int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool upgrading = !arguments.isEmpty() && arguments[0] == u"--upgrade"_s;
    const QStringList locations = arguments.mid(upgrading ? 1 : 0);
    if (locations.size() != 1)
        return usageError(u"genau ein Katalog ist anzugeben"_s);
    try {
        if (upgrading)
            upgrade(locations[0]);
        else
            create(locations[0]);
    } catch (const AppError &error) {
        std::fprintf(stderr, "tralbo-newcatalogue: %s\n", error.what());
        return 1;
    }
    return 0;
}
