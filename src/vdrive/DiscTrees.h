#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class DriveTable;

// Where the directory trees of a catalogue's discs are kept: a .vfs file per disc in the
// application directory beside a catalogue file (virtualDriveFile), the catalogue's own table of
// trees on a server (ServerTrees).
class DiscTrees final
{
public:
    DiscTrees(QString applicationDirectory, QString catalogue);

    // Whether a tree can be kept for the disc name: a file needs a name it can be named after.
    bool canKeep(const QString &disc) const;
    // Where the disc's tree is kept, as messages name it.
    QString placeOf(const QString &disc) const;
    // Stores the complete folder tree of the drive behind root ("d:\"), its root shown as
    // caption. Throws AppError (see driveTree, saveTreeFile, storeServerTree).
    void store(const QString &disc, const DriveTable &drives, const QString &root,
               const QString &caption) const;
    // The disc's tree text; none when no tree is kept for it. Throws AppError when it cannot be
    // read.
    std::optional<QByteArray> read(const QString &disc) const;

private:
    bool onServer() const;

    QString m_applicationDirectory;
    QString m_catalogue;
};
