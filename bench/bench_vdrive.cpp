#include "BenchReport.h"
#include "FolderDriveTable.h"
#include "TreeGenerator.h"
#include "vdrive/TreeFile.h"
#include "vdrive/VirtualDriveFile.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace Qt::StringLiterals;

namespace {

// A wrong tree must end the run instead of being timed as a success.
void expectLines(const QString &fileName, qsizetype expected)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(fileName));
    const qsizetype lines = file.readAll().count('\n');
    if (lines != expected)
        qFatal("%s holds %lld lines, expected %lld", qPrintable(fileName), qlonglong(lines),
               qlonglong(expected));
}

qsizetype nodeCount(QTreeWidget &tree)
{
    qsizetype count = 0;
    for (QTreeWidgetItemIterator item(&tree); *item; ++item)
        ++count;
    return count;
}

} // namespace

// The virtual drive of the generated 200,000-file disc: storing it as the import does (drive
// root loaded, every folder read and expanded, tree file written) against find(1) and sort(1)
// writing the sorted folder list, then showing the stored file as the "Virtual Drive" page does.
int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    const bool expandAll = arguments.wants(u"expandall_200k");
    const bool loadTree = arguments.wants(u"loadtree_20k");
    if (!expandAll && !loadTree)
        return 0;

    const TreeShape shape;
    const QString tree = generateTree(arguments.dataFolder(), shape);
    const qsizetype nodes = shape.folders + 1; // the drive root and every folder

    // Both outputs land on the data folder's file system, as the window's own folder would be.
    QTemporaryDir output(arguments.dataFolder() + u"/vdrive-XXXXXX"_s);
    if (!output.isValid())
        qFatal("no temporary folder");
    const QString stored = output.filePath(u"BENCH.vfs"_s);

    // What the import runs to store a disc's tree.
    const FolderDriveTable drives(u'd', tree);
    const auto store = [&] { storeDriveTree(stored, drives, u"d:\\"_s, u"d: [BENCH]"_s); };

    if (expandAll) {
        const QString listed = output.filePath(u"find.txt"_s);
        const Comparison times = compareWithProgram(
            3, store, u"sh"_s,
            {u"-c"_s, u"find \"$1\" -type d | sort -f > \"$2\""_s, u"sh"_s, tree, listed});
        expectLines(stored, nodes);
        expectLines(listed, nodes);
        printBench(u"expandall_200k"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(1.3)}, u"find"_s,
                   times.referenceSeconds);
    } else {
        store();
        expectLines(stored, nodes);
    }

    if (loadTree) {
        // Set up as the window's TreeView1, visible while its disc list is clicked.
        QTreeWidget treeView;
        treeView.setHeaderHidden(true);
        treeView.setEditTriggers(QAbstractItemView::NoEditTriggers);
        treeView.setIndentation(19);
        treeView.resize(540, 398);
        treeView.show();
        const QIcon folder = treeView.style()->standardIcon(QStyle::SP_DirIcon);
        // Each load replaces the tree of the one before, as a click on another disc does, and
        // counts until the view has drawn it.
        const auto load = [&] {
            LoadTreeFromFile(treeView, stored, folder);
            QCoreApplication::processEvents();
        };
        load();
        const double seconds = bestSeconds(5, load);
        if (const qsizetype loaded = nodeCount(treeView); loaded != nodes)
            qFatal("the view shows %lld nodes, expected %lld", qlonglong(loaded), qlonglong(nodes));
        printBench(u"loadtree_20k"_s, seconds, u"s"_s, {Goal::valueBelow(0.3)});
    }
    return 0;
}
