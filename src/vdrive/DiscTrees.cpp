#include "vdrive/DiscTrees.h"

#include "base/AppError.h"
#include "catalogue/CatalogueBackend.h"
#include "vdrive/TreeText.h"
#include "vdrive/VirtualDriveFile.h"

using namespace Qt::StringLiterals;

DiscTrees::DiscTrees(CataloguePlace catalogue) : m_catalogue(std::move(catalogue)) {}

bool DiscTrees::canKeep(const QString &disc) const
{
    return m_catalogue.backend().canKeepTree(m_catalogue, disc);
}

QString DiscTrees::placeOf(const QString &disc) const
{
    return m_catalogue.backend().treePlace(m_catalogue, disc);
}

QByteArray DiscTrees::treeText(const QString &disc, const DriveTable &drives, const QString &root,
                               const QString &caption) const
{
    if (!canKeep(disc))
        throw AppError(u"%1 kann nicht erstellt werden"_s.arg(placeOf(disc)));
    return serializeTree(driveTree(drives, root, caption, placeOf(disc)));
}

std::optional<QByteArray> DiscTrees::read(const QString &disc) const
{
    return m_catalogue.backend().readTree(m_catalogue, disc);
}
