#include "BenchReport.h"
#include "CatalogueGenerator.h"
#include "TreeGenerator.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {

const QString Columns = u"Nr, CD, DATEI, INFO, INHALT"_s;

// Runs the program with its output going nowhere.
void run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
}

// The whole catalogue as CSV into a file, against the sqlite3 shell writing the same columns as
// CSV into a file of its own.
void benchExportCsv(const QString &folder)
{
    const QString catalogue = largeCatalogue(folder);
    const QString ours = folder + u"/export.csv"_s;
    const QString reference = folder + u"/reference.csv"_s;
    const Comparison times = compareWithProgram(
        3,
        [&] {
            run(QStringLiteral(TRALBO_CLI),
                {u"export"_s, u"--csv"_s, u"--catalogue"_s, catalogue, u"-o"_s, ours});
        },
        u"sqlite3"_s,
        {u"-csv"_s, u"-header"_s, u"-cmd"_s, u".output "_s + reference, catalogue,
         u"SELECT %1 FROM CD"_s.arg(Columns)});
    // Both hold the header and the same records; ours quotes every text, the shell only some.
    if (QFile(ours).size() < QFile(reference).size())
        qFatal("the export is shorter than the shell's");
    QFile::remove(ours);
    QFile::remove(reference);
    printBench(u"export_1m_csv"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(1.5)}, u"sqlite3"_s,
               times.referenceSeconds);
}

// A scan of the generated disc keeping every file the five extension boxes keep, against find(1)
// listing all of its files; both write to nowhere.
void benchCliScan(const QString &dataFolder)
{
    const QString tree = generateTree(dataFolder, TreeShape());
    const Comparison times = compareWithProgram(
        3,
        [&] {
            run(QStringLiteral(TRALBO_CLI),
                {u"scan"_s, tree, u"--exe"_s, u"--com"_s, u"--bat"_s, u"--zip"_s, u"--pas"_s});
        },
        u"find"_s, {tree, u"-type"_s, u"f"_s});
    printBench(u"cli_scan_200k"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(1.2)}, u"find"_s,
               times.referenceSeconds);
}

} // namespace

// The command-line tool's export and scan over generated data, against the sqlite3 shell and find.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    // The scan goes first: the export writes a gigabyte, whose write-back would slow it.
    if (arguments.wants(u"cli_scan_200k"))
        benchCliScan(arguments.dataFolder());
    if (arguments.wants(u"export_1m_csv"))
        benchExportCsv(arguments.dataFolder() + u"/catalogue_1m"_s);
    return 0;
}
