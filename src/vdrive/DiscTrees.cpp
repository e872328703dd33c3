#include "vdrive/DiscTrees.h"

#include "base/AppError.h"
#include "catalogue/ServerLocation.h"
#include "catalogue/ServerTrees.h"
#include "vdrive/TreeText.h"
#include "vdrive/VirtualDriveFile.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

DiscTrees::DiscTrees(QString applicationDirectory, QString catalogue)
    : m_applicationDirectory(std::move(applicationDirectory)), m_catalogue(std::move(catalogue))
{}

bool DiscTrees::onServer() const
{
    return ServerLocation::isServer(m_catalogue);
}

bool DiscTrees::canKeep(const QString &disc) const
{
    return onServer() || virtualDriveFile(m_applicationDirectory, disc).has_value();
}

QString DiscTrees::placeOf(const QString &disc) const
{
    if (onServer())
        return u"Verzeichnisbaum \"%1\" in %2"_s.arg(disc, m_catalogue);
    return u"Datei %1"_s.arg(m_applicationDirectory + disc + u".vfs"_s);
}

void DiscTrees::store(const QString &disc, const DriveTable &drives, const QString &root,
                      const QString &caption) const
{
    if (!canKeep(disc))
        throw AppError(u"%1 kann nicht erstellt werden"_s.arg(placeOf(disc)));
    const QList<TreeLine> lines = driveTree(drives, root, caption, placeOf(disc));
    if (onServer())
        storeServerTree(m_catalogue, disc, serializeTree(lines));
    else
        saveTreeFile(*virtualDriveFile(m_applicationDirectory, disc), lines);
}

std::optional<QByteArray> DiscTrees::read(const QString &disc) const
{
    if (onServer())
        return readServerTree(m_catalogue, disc);
    const std::optional<QString> file = virtualDriveFile(m_applicationDirectory, disc);
    if (!file || !QFileInfo(*file).isFile())
        return std::nullopt;
    return readTreeFile(*file);
}
