#include "BenchReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <limits>

using namespace Qt::StringLiterals;

BenchArguments::BenchArguments(const QStringList &arguments)
    : m_dataFolder(QCoreApplication::applicationDirPath() + u"/data"_s)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--data"_s && i + 1 < arguments.size())
            m_dataFolder = arguments[++i];
        else
            m_filter = arguments[i];
    }
}

namespace {

constexpr double AllowedSpread = 0.2;
constexpr int MaxRepeats = 2;

// The machine's load average over the last minute, as /proc/loadavg gives it.
QString loadAverage()
{
    QFile file(u"/proc/loadavg"_s);
    if (!file.open(QIODevice::ReadOnly))
        return u"unknown"_s;
    return QString::fromLatin1(file.readLine()).section(u' ', 0, 0);
}

// Waits for the program's end; a failure ends the benchmark.
void finish(QProcess &process, const QString &program)
{
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
}

} // namespace

double bestSeconds(int runs, const std::function<void()> &work)
{
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

void runProgram(const QString &program, const QStringList &arguments, const QString &outputFile)
{
    QProcess process;
    process.setStandardOutputFile(outputFile.isEmpty() ? QProcess::nullDevice() : outputFile);
    process.start(program, arguments);
    finish(process, program);
}

QByteArray programOutput(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    finish(process, program);
    return process.readAllStandardOutput();
}

Comparison compareWithProgram(int runs, const std::function<void()> &work, const QString &program,
                              const QStringList &arguments)
{
    const auto reference = [&] { runProgram(program, arguments); };
    work();
    reference();
    Comparison best{std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    // A reference whose times spread by more than a fifth met a busy moment: the runs are
    // repeated, a few times at most, so that one busy moment does not decide a goal.
    for (int round = 0; round <= MaxRepeats; ++round) {
        double slowestReference = 0;
        double fastestReference = std::numeric_limits<double>::max();
        for (int run = 0; run < runs; ++run) {
            best.seconds = std::min(best.seconds, bestSeconds(1, work));
            const double referenceSeconds = bestSeconds(1, reference);
            slowestReference = std::max(slowestReference, referenceSeconds);
            fastestReference = std::min(fastestReference, referenceSeconds);
        }
        best.referenceSeconds = std::min(best.referenceSeconds, fastestReference);
        if (runs < 2 || slowestReference <= fastestReference * (1 + AllowedSpread))
            break;
        std::fprintf(stderr, "bench: %s varied by more than %d %%, measuring again\n",
                     qPrintable(program), int(AllowedSpread * 100));
    }
    return best;
}

namespace {

enum class Verdict
{
    Holds,
    Misses,
    Unmeasured
};

void printGoals(const QString &id, const QString &unit, const QList<Goal> &goals,
                const std::function<Verdict(const Goal &)> &judge)
{
    for (const Goal &goal : goals) {
        const char *bound = goal.bound == Goal::Bound::Below    ? "<"
                            : goal.bound == Goal::Bound::AtMost ? "<="
                                                                : ">=";
        const Verdict verdict = judge(goal);
        std::printf("GOAL %s %s %s %s %s\n", qPrintable(id),
                    qPrintable(goal.of == Goal::Of::Ratio ? u"ratio"_s : unit), bound,
                    qPrintable(QString::number(goal.limit)),
                    verdict == Verdict::Holds    ? "holds"
                    : verdict == Verdict::Misses ? "misses"
                                                 : "unmeasured");
    }
}

} // namespace

void printBench(const QString &id, double value, const QString &unit, const QList<Goal> &goals,
                const QString &reference, double referenceValue)
{
    const QString figure = reference.isEmpty() ? u"vs none 0 ratio 0"_s
                                               : u"vs %1 %2 ratio %3"_s.arg(reference)
                                                     .arg(referenceValue, 0, 'f', 3)
                                                     .arg(value / referenceValue, 0, 'f', 2);
    std::printf("BENCH %s %s %s %s\n", qPrintable(id), qPrintable(QString::number(value, 'f', 3)),
                qPrintable(unit), qPrintable(figure));
    std::printf("LOAD %s %s\n", qPrintable(id), qPrintable(loadAverage()));
    printGoals(id, unit, goals, [&](const Goal &goal) {
        if (goal.of == Goal::Of::Ratio && reference.isEmpty())
            qFatal("%s: a ratio goal needs a reference", qPrintable(id));
        const double measured = goal.of == Goal::Of::Ratio ? value / referenceValue : value;
        const bool holds = goal.bound == Goal::Bound::Below    ? measured < goal.limit
                           : goal.bound == Goal::Bound::AtMost ? measured <= goal.limit
                                                               : measured >= goal.limit;
        return holds ? Verdict::Holds : Verdict::Misses;
    });
    std::fflush(stdout);
}

void printUnmeasured(const QString &id, const QString &unit, const QList<Goal> &goals)
{
    printGoals(id, unit, goals, [](const Goal &) { return Verdict::Unmeasured; });
    std::fflush(stdout);
}
