#include "catalogue/ApplicationDirectory.h"

#include "base/AppError.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueSchema.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The program's own folder, when a catalogue lies there.
std::optional<QString> besideProgram(const QString &executableDirectory)
{
    const QString beside = withSlash(executableDirectory);
    return locateCatalogue(beside).isEmpty() ? std::nullopt : std::optional(beside);
}

} // namespace

QString perUserDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/Olvane/Tralbo/"_s;
}

QString applicationDirectoryOf(const QString &executableDirectory)
{
    return besideProgram(executableDirectory).value_or(perUserDataDirectory());
}

ApplicationDirectory prepareApplicationDirectory(const QString &executableDirectory,
                                                 const QString &dataDirectory)
{
    if (const std::optional<QString> beside = besideProgram(executableDirectory))
        return {*beside, {}};

    const QString folder = withSlash(dataDirectory);
    if (QFileInfo::exists(folder))
        return {folder, {}};
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QDir().mkpath(folder))
        return {folder, u"Der Datenordner %1 kann nicht angelegt werden"_s.arg(shown)};
    try {
        createEmptyCatalogue(folder + u"CD.db"_s);
    } catch (const AppError &error) {
        // Without the catalogue the folder would count as prepared at the next start.
        QDir(folder).removeRecursively();
        return {folder, u"Im Datenordner %1 kann kein Katalog angelegt werden: %2"_s.arg(
                            shown, error.message())};
    }
    return {folder, {}};
}
