#include "base/AppError.h"
#include "catalogue/CatalogueBackend.h"
#include "catalogue/CataloguePlace.h"
#include "tools/ServerPassword.h"

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
    "                 die Daten bleiben, wie sie sind\n"
    "  -h, --help     zeigt diese Hilfe\n";

void say(const QString &line)
{
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
}

void create(const CataloguePlace &place)
{
    const QString made =
        place.backend().create(place, [&] { askForServerPasswordIfNeeded(place.location()); });
    say(u"Katalog %1 angelegt: %2"_s.arg(place.shown(), made));
}

void upgrade(const CataloguePlace &place)
{
    const std::optional<QStringList> added =
        place.backend().upgrade(place, [&] { askForServerPasswordIfNeeded(place.location()); });
    if (!added)
        say(u"%1 ist eine Katalogdatei: nichts zu ergänzen"_s.arg(place.shown()));
    else if (added->isEmpty())
        say(u"Katalog %1 ist vollständig: kein Index fehlt"_s.arg(place.shown()));
    else
        say(u"Katalog %1 ergänzt: Indexe %2"_s.arg(place.shown(), added->join(u", "_s)));
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
    if (arguments.contains(u"-h"_s) || arguments.contains(u"--help"_s)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    const bool upgrading = !arguments.isEmpty() && arguments[0] == u"--upgrade"_s;
    const QStringList locations = arguments.mid(upgrading ? 1 : 0);
    // A name that starts with "-" is a mistyped option, never a file to make.
    for (const QString &argument : locations) {
        if (argument.startsWith(u'-'))
            return usageError(u"unbekannte Option %1"_s.arg(argument));
    }
    if (locations.size() != 1 || locations[0].isEmpty())
        return usageError(u"genau ein Katalog ist anzugeben"_s);
    try {
        // The location given is the choice; settings and the environment play no part.
        const CataloguePlace place = chosenCataloguePlace(locations[0], {}, {});
        if (upgrading)
            upgrade(place);
        else
            create(place);
    } catch (const AppError &error) {
        std::fprintf(stderr, "tralbo-newcatalogue: %s\n", error.what());
        return 1;
    }
    return 0;
}
