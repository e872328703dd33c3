#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

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
