#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One node of a stored directory tree: its depth (0 for a top-level node) and its text.
struct TreeLine
{
    int level = 0;
    QString text;

    bool operator==(const TreeLine &) const = default;
};

// The lines read from a tree text up to its first level jump, and that jump's error message.
struct ParsedTree
{
    QList<TreeLine> lines;
    std::optional<QString> error;
};

// A tree in pre-order as tree text: per node its level in tabs, its text in UTF-8 and CR LF.
// CR, LF and DLE inside a text are written as DLE 'r', DLE 'n' and DLE DLE, a blank or a tab at
// its start or end as DLE 's' or DLE 't'.
QByteArray serializeTree(const QList<TreeLine> &preOrder);
// Reads tree text back. Lines end at CR, LF or CR LF, a NUL ends the text, leading tabs and
// spaces give the depth; UTF-8 when valid, else Windows-1252 as older installations wrote.
// These DLE pairs are undone, 's' and 't' only at a text's start or end; any other DLE is kept.
ParsedTree parseTree(QByteArrayView bytes);

// Replaces the file by the serialized tree; throws AppError when the file cannot be created or
// not all of it could be stored, and then leaves an existing file as it was.
void saveTreeFile(const QString &fileName, const QList<TreeLine> &preOrder);
// The whole file; throws AppError when it cannot be opened or read.
QByteArray readTreeFile(const QString &fileName);
