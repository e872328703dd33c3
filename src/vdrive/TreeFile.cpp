#include "vdrive/TreeFile.h"

#include "base/AppError.h"
#include "vdrive/TreeText.h"
#include "vdrive/UpdatesSuspended.h"

#include <QTreeWidget>

#include <vector>

void SaveTreeToFile(const QTreeWidget &tree, const QString &fileName)
{
    QList<TreeLine> lines;
    std::vector<std::pair<const QTreeWidgetItem *, int>> pending;
    for (int i = tree.topLevelItemCount(); i-- > 0;)
        pending.emplace_back(tree.topLevelItem(i), 0);
    while (!pending.empty()) {
        const auto [item, level] = pending.back();
        pending.pop_back();
        lines.append({level, item->text(0)});
        for (int i = item->childCount(); i-- > 0;)
            pending.emplace_back(item->child(i), level + 1);
    }
    saveTreeFile(fileName, lines);
}

void LoadTreeFromFile(QTreeWidget &tree, const QString &fileName, const QIcon &nodeIcon)
{
    LoadTreeFromText(tree, readTreeFile(fileName), nodeIcon);
}

void LoadTreeFromText(QTreeWidget &tree, QByteArrayView text, const QIcon &nodeIcon)
{
    const ParsedTree parsed = parseTree(text);

    const UpdatesSuspended suspended(tree);
    tree.clear();
    // The forest is built apart from the view and handed over in one step, which keeps the
    // view from laying out every single insertion.
    QList<QTreeWidgetItem *> topLevel;
    std::vector<QTreeWidgetItem *> lastAtLevel;
    for (const TreeLine &line : parsed.lines) {
        auto *item = new QTreeWidgetItem(QStringList{line.text});
        if (!nodeIcon.isNull())
            item->setIcon(0, nodeIcon);
        if (line.level == 0)
            topLevel.append(item);
        else
            lastAtLevel[std::size_t(line.level - 1)]->addChild(item);
        lastAtLevel.resize(std::size_t(line.level));
        lastAtLevel.push_back(item);
    }
    tree.addTopLevelItems(topLevel);
    if (parsed.error)
        throw AppError(*parsed.error);
}
