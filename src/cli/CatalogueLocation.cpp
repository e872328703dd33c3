#include "cli/CatalogueLocation.h"

#include "app/ApplicationDirectory.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/ServerLocation.h"
#include "cli/CommandLine.h"
#include "cli/CommonOptions.h"
#include "cli/UsageError.h"
#include "platform/CatalogueChoice.h"
#include "platform/QtSettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString applicationDirectory()
{
    const QString beside = QCoreApplication::applicationDirPath() + u'/';
    return locateCatalogue(beside).isEmpty() ? perUserDataDirectory() : beside;
}

// The catalogue as chosen: --catalogue, else TRALBO_CATALOGUE or the settings file's location,
// else none.
QString chosenLocation(const Invocation &invocation)
{
    if (invocation.has(CommonOptions::Catalogue))
        return invocation.value(CommonOptions::Catalogue);
    return chosenCatalogue(QtSettingsStore().catalogueUrl());
}

} // namespace

QString dataDirectory(const Invocation &invocation)
{
    const QString chosen = chosenLocation(invocation);
    // A server's catalogue is shared, the disc list stays with this computer.
    if (chosen.isEmpty() || ServerLocation::isServer(chosen))
        return applicationDirectory();
    return QFileInfo(chosen).absolutePath() + u'/';
}

QString chosenCatalogueOf(const Invocation &invocation)
{
    return catalogueLocation(applicationDirectory(), chosenLocation(invocation));
}

QString verifiedCatalogueOf(const Invocation &invocation, const Texts &texts)
{
    const QString chosen = chosenLocation(invocation);
    // An unreachable server, or one without the tables, is reported as the server said.
    if (ServerLocation::isServer(chosen))
        return verifiedCatalogue(chosen);
    const bool given = !chosen.isEmpty();
    const QString path = given ? chosen : QDir(applicationDirectory()).filePath(u"CD.db"_s);
    const QString shown = QDir::toNativeSeparators(path);
    const QString found = findIgnoringCase(path);
    if (found.isEmpty()) {
        const QString hint =
            given
                ? QString()
                : texts(u"; tralbo legt ihn beim ersten Start an, oder --catalogue FILE angeben"_s,
                        u"; tralbo creates it at its first start, or give --catalogue FILE"_s);
        throw UsageError(
            texts(u"Katalog %1 nicht gefunden"_s, u"Catalogue %1 not found"_s).arg(shown) + hint);
    }
    try {
        return verifiedCatalogue(found);
    } catch (const AppError &error) {
        // The engine's other failures (locked, damaged) keep the catalogue's own message.
        if (error.message() != CatalogueMessage::notACatalogue(found))
            throw;
    }
    throw UsageError(texts(u"%1 ist kein Tralbo-Katalog (erwartet: Tabelle CD mit den Feldern Nr, "
                           u"CD, DATEI, INFO, INHALT)"_s,
                           u"%1 is not a Tralbo catalogue (expected: table CD with the fields Nr, "
                           u"CD, DATEI, INFO, INHALT)"_s)
                         .arg(QDir::toNativeSeparators(found)));
}
