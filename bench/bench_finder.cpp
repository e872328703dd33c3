#include "BenchReport.h"
#include "FolderDriveTable.h"
#include "scan/FindFile.h"
#include "TreeGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

// Lists a generated disc of 200,000 files with the finder and with find(1), both warm.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    const QString id = u"finder_200k"_s;
    if (!arguments.wants(id))
        return 0;

    const TreeShape shape;
    QElapsedTimer generation;
    generation.start();
    const QString tree = generateTree(arguments.dataFolder(), shape);
    std::fprintf(stderr, "%s: tree %s ready after %.1f s\n", qPrintable(id), qPrintable(tree),
                 double(generation.elapsed()) / 1000);

    const FolderDriveTable drives(u'd', tree);
    const PathMapper paths(drives);
    TFindFile finder(paths);
    finder.setRecurse(true);
    finder.setDirectory(u"d:\\"_s);
    const Comparison times =
        compareWithProgram(3, [&] { finder.Execute(); }, u"find"_s, {tree, u"-type"_s, u"f"_s});
    if (finder.listing()->size() != shape.files)
        qFatal("finder listed %lld files, expected %d", qlonglong(finder.listing()->size()),
               shape.files);
    printBench(id, times.seconds, u"s"_s, {Goal::ratioAtMost(1.0)}, u"find"_s,
               times.referenceSeconds);
    return 0;
}
