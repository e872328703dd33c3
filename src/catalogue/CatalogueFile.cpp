#include "catalogue/CatalogueFile.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString locateCatalogue(const QString &applicationDirectory)
{
    return findIgnoringCase(QDir(applicationDirectory).filePath(u"CD.db"_s));
}

QString findIgnoringCase(const QString &path)
{
    const QFileInfo wanted(path);
    if (wanted.isFile())
        return path;
    const QDir folder = wanted.dir();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        if (name.compare(wanted.fileName(), Qt::CaseInsensitive) == 0)
            return folder.filePath(name);
    }
    return {};
}
