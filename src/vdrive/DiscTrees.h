#pragma once

#include "catalogue/CataloguePlace.h"

#include <QByteArray>
#include <QString>

#include <optional>

class DriveTable;

// The directory trees of a catalogue's discs (kept by its back end): read back for the Virtual
// Drive page and `tralbo-cli tree`, and read from a drive for an import, which stores them with
// its records.
class DiscTrees final
{
public:
    explicit DiscTrees(CataloguePlace catalogue);

    // Whether a tree can be kept for the disc name: a file needs a name it can be named after.
    bool canKeep(const QString &disc) const;
    // Where the disc's tree is kept, as messages name it.
    QString placeOf(const QString &disc) const;
    // The tree text of the complete folder tree of the drive behind root ("d:\"), its root shown
    // as caption, to be kept for the disc. Throws AppError when the name cannot be kept or the
    // drive has folders but no tree could be read.
    QByteArray treeText(const QString &disc, const DriveTable &drives, const QString &root,
                        const QString &caption) const;
    // The disc's tree text; none when no tree is kept for it. Throws AppError when it cannot be
    // read.
    std::optional<QByteArray> read(const QString &disc) const;

private:
    CataloguePlace m_catalogue;
};
