#pragma once

#include <QTreeWidget>

#include <functional>

// The tree in pre-order, one tab per level before each text.
inline QStringList outline(const QTreeWidget &tree)
{
    QStringList lines;
    const std::function<void(const QTreeWidgetItem *, int)> visit = [&](const QTreeWidgetItem *item,
                                                                        int level) {
        lines.append(QString(level, u'\t') + item->text(0));
        for (int i = 0; i < item->childCount(); ++i)
            visit(item->child(i), level + 1);
    };
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        visit(tree.topLevelItem(i), 0);
    return lines;
}
