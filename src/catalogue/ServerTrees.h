#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The stored directory trees of a catalogue on a server: one row of the table "trees" per disc
// name, holding the tree text a .vfs file holds, so that every computer sees every stored tree.

// Stores the disc's tree text, replacing one stored before. Throws AppError.
void storeServerTree(const QString &location, const QString &disc, const QByteArray &treeText);
// The disc's tree text; none when no tree is stored for it. Throws AppError.
std::optional<QByteArray> readServerTree(const QString &location, const QString &disc);
