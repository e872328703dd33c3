#include "cli/CatalogueLocation.h"

#include "app/ApplicationDirectory.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueSchema.h"
#include "cli/CommandLine.h"
#include "cli/CommonOptions.h"
#include "cli/UsageError.h"

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

} // namespace

QString dataDirectory(const Invocation &invocation)
{
    if (!invocation.has(CommonOptions::Catalogue))
        return applicationDirectory();
    return QFileInfo(invocation.value(CommonOptions::Catalogue)).absolutePath() + u'/';
}

QString verifiedCatalogueOf(const Invocation &invocation, const Texts &texts)
{
    const bool given = invocation.has(CommonOptions::Catalogue);
    const QString path = given ? invocation.value(CommonOptions::Catalogue)
                               : QDir(applicationDirectory()).filePath(u"CD.db"_s);
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
