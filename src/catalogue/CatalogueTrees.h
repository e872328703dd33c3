#pragma once

#include "catalogue/CataloguePlace.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

#include <optional>

class CatalogueConnection;

// Where the directory trees of a catalogue's discs are kept: a .vfs file per disc in the data
// folder of a catalogue file, the catalogue's own table of trees on a server, so that every
// computer sees every stored tree.

// The disc's .vfs file beside a catalogue file. None on a server, and none for a disc name that
// names no file of its own: one holding "/" or NUL, exactly "." or "..", or too long for a file
// name once encoded.
std::optional<QString> treeFileOf(const CataloguePlace &place, const QString &disc);
// Whether a tree can be kept for the disc name.
bool canKeepTree(const CataloguePlace &place, const QString &disc);
// Where the disc's tree is kept, as messages name it.
QString treePlaceOf(const CataloguePlace &place, const QString &disc);
// The disc's tree text; none when no tree is kept for it. Throws AppError when it cannot be read.
std::optional<QByteArray> readStoredTree(const CataloguePlace &place, const QString &disc);
// Stores the disc's tree text in the server's table inside the transaction open on connection,
// replacing one stored before. Throws AppError.
void storeServerTree(const CatalogueConnection &connection, const QString &disc,
                     const QByteArray &treeText);

// A disc's .vfs file written whole under a temporary name beside it, which takes the file's name
// only when published: after the import's commit. Removed when never published.
class StagedTree final
{
public:
    // Throws AppError when the file cannot be written whole.
    StagedTree(QString fileName, const QByteArray &treeText);
    Q_DISABLE_COPY_MOVE(StagedTree)

    // Replaces the disc's file by the staged one. Throws AppError.
    void publish();

private:
    QString m_fileName;
    QTemporaryFile m_staged;
};
