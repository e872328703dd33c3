#include "BenchReport.h"
#include "CatalogueGenerator.h"
#include "TreeGenerator.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString Columns = u"Nr, CD, DATEI, INFO, INHALT"_s;

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
            runProgram(QStringLiteral(TRALBO_CLI),
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

QStringList scanArguments(const QString &tree)
{
    return {u"scan"_s, tree, u"--exe"_s, u"--com"_s, u"--bat"_s, u"--zip"_s, u"--pas"_s};
}

// Runs the program with its output going nowhere and returns its peak resident memory in bytes,
// which only the parent learns, from wait4().
qint64 peakResidentOf(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> texts{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        texts.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        qFatal("cannot start %s", argv[0]);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        qFatal("%s failed", argv[0]);
    return qint64(usage.ru_maxrss) * 1024;
}

// A scan keeping every file the five extension boxes keep, against find(1) listing all files of
// the same tree; both write to nowhere.
void benchCliScan(const QString &id, const QString &tree)
{
    const Comparison times =
        compareWithProgram(3, [&] { runProgram(QStringLiteral(TRALBO_CLI), scanArguments(tree)); },
                           u"find"_s, {tree, u"-type"_s, u"f"_s});
    printBench(id, times.seconds, u"s"_s, {Goal::ratioAtMost(1.2)}, u"find"_s,
               times.referenceSeconds);
}

void benchCliScanMemory(const QString &tree)
{
    const qint64 peak = peakResidentOf(QStringLiteral(TRALBO_CLI), scanArguments(tree));
    printBench(u"scan_1m_cli_rss"_s, double(peak) / (1024 * 1024), u"MB"_s,
               {{Goal::Of::Value, Goal::Bound::AtMost, 100}});
}

} // namespace

// The command-line tool's export and scan over generated data, against the sqlite3 shell and find.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    // The scans go first: the export writes a gigabyte, whose write-back would slow them.
    if (arguments.wants(u"cli_scan_200k"))
        benchCliScan(u"cli_scan_200k"_s, generateTree(arguments.dataFolder(), TreeShape()));
    if (arguments.wants(u"scan_1m_cli")) {
        const QString million = generateTree(arguments.dataFolder(), millionFileShape());
        benchCliScan(u"scan_1m_cli"_s, million);
        if (arguments.wants(u"scan_1m_cli_rss"))
            benchCliScanMemory(million);
    }
    // A real tree: the system's own programs and data, with their long names, deep folders and
    // links.
    if (arguments.wants(u"scan_usr"))
        benchCliScan(u"scan_usr"_s, u"/usr"_s);
    if (arguments.wants(u"export_1m_csv"))
        benchExportCsv(arguments.dataFolder() + u"/catalogue_1m"_s);
    return 0;
}
