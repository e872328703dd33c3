#pragma once

#include <QIcon>
#include <QString>

class QTreeWidget;

// Writes all nodes of the tree, in pre-order, as a tree text file. Throws AppError when the file
// cannot be created or not all of it could be stored.
void SaveTreeToFile(const QTreeWidget &tree, const QString &fileName);
// Replaces all nodes of the tree by those of a tree text file, each showing nodeIcon. A file
// that cannot be opened leaves the tree as it was; a level jump keeps the nodes read before it.
// Both throw AppError.
void LoadTreeFromFile(QTreeWidget &tree, const QString &fileName, const QIcon &nodeIcon = {});
// The same for tree text already read.
void LoadTreeFromText(QTreeWidget &tree, QByteArrayView text, const QIcon &nodeIcon = {});
