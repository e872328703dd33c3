#include "catalogue/CataloguePlace.h"

#include "catalogue/LibPq.h"
#include "catalogue/ServerBackend.h"
#include "catalogue/SqliteBackend.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool isServerUri(const QString &location)
{
    return location.startsWith(u"postgresql://"_s) || location.startsWith(u"postgres://"_s);
}

// libpq refuses settings with a keyword it does not know, so "shelf=1.db" stays a file name.
bool isKeywordSettings(const QString &location)
{
    if (!location.contains(u'=') || QFileInfo::exists(location))
        return false;
    char *error = nullptr;
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
        libPq().conninfoParse(location.toUtf8().constData(), &error), libPq().conninfoFree);
    libPq().freemem(error);
    return options != nullptr;
}

// The two back ends, shared by every place; only of() chooses between them.
std::shared_ptr<const CatalogueBackend> fileBackend()
{
    static const auto backend = std::make_shared<const SqliteBackend>();
    return backend;
}

std::shared_ptr<const CatalogueBackend> serverBackend()
{
    static const auto backend = std::make_shared<const ServerBackend>();
    return backend;
}

} // namespace

CataloguePlace::CataloguePlace(std::shared_ptr<const CatalogueBackend> backend, QString location,
                               QString dataFolder)
    : m_location(std::move(location)), m_dataFolder(withSlash(dataFolder)),
      m_backend(std::move(backend))
{}

CataloguePlace CataloguePlace::of(const QString &location, const QString &dataFolder)
{
    if (isServerUri(location) || isKeywordSettings(location))
        return {serverBackend(), location, dataFolder};
    return file(location);
}

CataloguePlace CataloguePlace::file(const QString &path)
{
    return {fileBackend(), path, QFileInfo(path).absolutePath()};
}

CataloguePlace CataloguePlace::inFolder(const QString &dataFolder)
{
    return {fileBackend(), QDir(dataFolder).filePath(u"CD.db"_s), dataFolder};
}

QString CataloguePlace::shown() const
{
    return m_backend->shown(m_location);
}

QString CataloguePlace::discListFile() const
{
    return m_dataFolder + u"Quilo.lst"_s;
}

QString maskedLocation(const QString &location)
{
    static const QRegularExpression uriPassword(u"^(postgres(?:ql)?://[^:@/?]*):[^@/?]*@"_s);
    static const QRegularExpression queryPassword(u"([?&]password=)[^&]*"_s);
    static const QRegularExpression keywordPassword(
        u"(\\bpassword\\s*=\\s*)('(?:[^'\\\\]|\\\\.)*'|\\S+)"_s);
    QString masked = location;
    if (isServerUri(location))
        return masked.replace(uriPassword, u"\\1:***@"_s).replace(queryPassword, u"\\1***"_s);
    return masked.replace(keywordPassword, u"\\1***"_s);
}

CataloguePlace chosenCataloguePlace(const QString &option, const QString &setting,
                                    const QString &applicationDirectory)
{
    const QString fromEnvironment = qEnvironmentVariable("TRALBO_CATALOGUE").trimmed();
    for (const QString &chosen : {option, fromEnvironment, setting.trimmed()}) {
        if (!chosen.isEmpty())
            return CataloguePlace::of(chosen, applicationDirectory);
    }
    return CataloguePlace::inFolder(applicationDirectory);
}
