#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The command line every bench program takes: [--data FOLDER] [ID]. Only figures whose id
// contains ID are measured; generated data goes to FOLDER, by default "data" beside the program.
class BenchArguments final
{
public:
    explicit BenchArguments(const QStringList &arguments);

    QString dataFolder() const { return m_dataFolder; }
    bool wants(QStringView id) const { return id.contains(m_filter); }

private:
    QString m_dataFolder;
    QString m_filter;
};

// Runs the program to its end, its standard output going into outputFile, or nowhere when that is
// empty; a failure ends the benchmark.
void runProgram(const QString &program, const QStringList &arguments,
                const QString &outputFile = {});
// The same, giving back what the program wrote to standard output.
QByteArray programOutput(const QString &program, const QStringList &arguments);

// Best wall-clock time in seconds of the given number of runs.
double bestSeconds(int runs, const std::function<void()> &work);

struct Comparison
{
    double seconds;
    double referenceSeconds;
};
// Best times of the work and of a reference program (output discarded), run in alternation so
// that a change of machine load affects both alike. One untimed run of each warms the caches.
// When the reference's times spread by more than 20 %, the runs are repeated (twice at most).
Comparison compareWithProgram(int runs, const std::function<void()> &work, const QString &program,
                              const QStringList &arguments);
// What a figure has to reach: its value, in the figure's own unit, or its ratio to the reference
// tool, below, at most or at least a limit.
struct Goal
{
    enum class Of
    {
        Value,
        Ratio
    };
    enum class Bound
    {
        Below,
        AtMost,
        AtLeast
    };
    Of of;
    Bound bound;
    double limit;

    static Goal valueBelow(double limit) { return {Of::Value, Bound::Below, limit}; }
    static Goal valueAtLeast(double limit) { return {Of::Value, Bound::AtLeast, limit}; }
    static Goal ratioBelow(double limit) { return {Of::Ratio, Bound::Below, limit}; }
    static Goal ratioAtMost(double limit) { return {Of::Ratio, Bound::AtMost, limit}; }
};

// Prints one figure as scripts read it:
// "BENCH <id> <value> <unit> vs <reference> <reference value> ratio <value / reference value>",
// followed by "LOAD <id> <load average of the last minute>".
// An empty reference prints "vs none 0 ratio 0". Then one line per goal, judged on the unrounded
// figures: "GOAL <id> <unit or 'ratio'> <'<', '<=' or '>='> <limit> <holds or misses>". The goals
// stay out of the BENCH line so that its fixed form is kept; scripts/bench.sh joins the two.
void printBench(const QString &id, double value, const QString &unit, const QList<Goal> &goals,
                const QString &reference = {}, double referenceValue = 0);
// For a figure this machine cannot measure: its goals, each judged "unmeasured".
void printUnmeasured(const QString &id, const QString &unit, const QList<Goal> &goals);
