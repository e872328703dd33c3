#pragma once

#include "cli/Texts.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class TextSink;
struct Invocation;

// One option of a command: a switch ("--json") or one taking a value ("--disc NAME").
struct OptionSpec
{
    QString name;      // with its dashes
    QString shortName; // "-o" or empty
    QString valueName; // empty for a switch
    QString germanHelp;
    QString englishHelp;
};

// Everything a command needs: the tool's language and where its normal output goes.
struct CommandContext
{
    Texts texts;
    TextSink &out;
    TextSink &err;
};

// One command of the tool: its name, operands, options and the function that carries it out.
struct CommandSpec
{
    QString name;
    QStringList operands; // required operands in order, as the help names them
    QString germanSummary;
    QString englishSummary;
    QList<OptionSpec> options;
    int (*run)(const Invocation &, CommandContext &) = nullptr;
};

// A command line taken apart against its command's options.
struct Invocation
{
    const CommandSpec *command = nullptr;
    QStringList operands;
    QHash<QString, QString> values; // by option name; a repeated option keeps its last value
    QSet<QString> switches;
    bool helpWanted = false;

    bool has(const QString &option) const
    {
        return switches.contains(option) || values.contains(option);
    }
    QString value(const QString &option) const { return values.value(option); }
};

// What the arguments after the program name ask for.
struct ParsedCommandLine
{
    enum class Kind
    {
        GeneralHelp,
        Version,
        Command
    };
    Kind kind = Kind::GeneralHelp;
    Invocation invocation;
};

// Takes the arguments apart: "--name value", "--name=value", short names, "--" ending the
// options. Throws UsageError for an unknown command or option, a missing value or a wrong number
// of operands.
ParsedCommandLine parseCommandLine(const QStringList &arguments, const QList<CommandSpec> &commands,
                                   const Texts &texts);
