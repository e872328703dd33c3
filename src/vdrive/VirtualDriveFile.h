#pragma once

#include <QList>
#include <QString>

#include <optional>

class DriveTable;
struct TreeLine;

// The complete folder tree of the drive behind root ("d:\"), its root shown as caption. Throws
// AppError when the drive has folders but no tree could be read; its message names place, where
// the tree was to go, as staying unchanged.
QList<TreeLine> driveTree(const DriveTable &drives, const QString &root, const QString &caption,
                          const QString &place);

// Stores the complete folder tree of the drive behind root ("d:\"), its root shown as caption,
// in file. Throws AppError when the drive has folders but no tree could be read (the file stays
// as it was), or when the file cannot be written.
void storeDriveTree(const QString &file, const DriveTable &drives, const QString &root,
                    const QString &caption);
