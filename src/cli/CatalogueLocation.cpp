#include "cli/CatalogueLocation.h"

#include "catalogue/ApplicationDirectory.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueSchema.h"
#include "cli/CommandLine.h"
#include "cli/CommonOptions.h"
#include "cli/UsageError.h"
#include "platform/QtSettingsStore.h"

#include <QCoreApplication>
#include <QDir>

using namespace Qt::StringLiterals;

namespace {

CataloguePlace placeIn(const Invocation &invocation, const QString &applicationDirectory)
{
    return chosenCataloguePlace(invocation.value(CommonOptions::Catalogue),
                                QtSettingsStore().catalogueUrl(), applicationDirectory);
}

// A missing or foreign catalogue file is bad input; the engine's other failures (locked,
// damaged) and a server's (unreachable, without the tables) keep their own message.
CataloguePlace verified(const CataloguePlace &place, bool given, const Texts &texts)
{
    try {
        return verifiedCatalogue(place);
    } catch (const AppError &error) {
        if (error.message() == CatalogueMessage::notFound(place.location())) {
            const QString hint =
                given
                    ? QString()
                    : texts(
                          u"; tralbo legt ihn beim ersten Start an, oder --catalogue FILE angeben"_s,
                          u"; tralbo creates it at its first start, or give --catalogue FILE"_s);
            throw UsageError(texts(u"Katalog %1 nicht gefunden"_s, u"Catalogue %1 not found"_s)
                                 .arg(place.shown()) +
                             hint);
        }
        const QString found = findIgnoringCase(place.location());
        if (found.isEmpty() || error.message() != CatalogueMessage::notACatalogue(found))
            throw;
        throw UsageError(
            texts(u"%1 ist kein Tralbo-Katalog (erwartet: Tabelle CD mit den Feldern Nr, "
                  u"CD, DATEI, INFO, INHALT)"_s,
                  u"%1 is not a Tralbo catalogue (expected: table CD with the fields Nr, "
                  u"CD, DATEI, INFO, INHALT)"_s)
                .arg(QDir::toNativeSeparators(found)));
    }
}

bool isGiven(const Invocation &invocation)
{
    return !invocation.value(CommonOptions::Catalogue).isEmpty() ||
           !qEnvironmentVariable("TRALBO_CATALOGUE").trimmed().isEmpty() ||
           !QtSettingsStore().catalogueUrl().trimmed().isEmpty();
}

} // namespace

CataloguePlace chosenCatalogueOf(const Invocation &invocation)
{
    return placeIn(invocation, applicationDirectoryOf(QCoreApplication::applicationDirPath()));
}

CataloguePlace verifiedCatalogueOf(const Invocation &invocation, const Texts &texts)
{
    return verified(chosenCatalogueOf(invocation), isGiven(invocation), texts);
}

CataloguePlace preparedCatalogueOf(const Invocation &invocation, const Texts &texts)
{
    const ApplicationDirectory directory =
        prepareApplicationDirectory(QCoreApplication::applicationDirPath(), perUserDataDirectory());
    if (!directory.problem.isEmpty())
        throw AppError(directory.problem);
    return verified(placeIn(invocation, directory.path), isGiven(invocation), texts);
}
