#include "cli/CommandLine.h"

#include "cli/UsageError.h"

using namespace Qt::StringLiterals;

namespace {

const CommandSpec *findCommand(const QList<CommandSpec> &commands, const QString &name)
{
    for (const CommandSpec &command : commands) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

const OptionSpec *findOption(const CommandSpec &command, const QString &name)
{
    for (const OptionSpec &option : command.options) {
        if (option.name == name || (!option.shortName.isEmpty() && option.shortName == name))
            return &option;
    }
    return nullptr;
}

UsageError seeHelp(const Texts &texts, const CommandSpec &command, const QString &problem)
{
    return UsageError(
        texts(u"%1 (siehe \"tralbo-cli %2 --help\")"_s, u"%1 (see \"tralbo-cli %2 --help\")"_s)
            .arg(problem, command.name));
}

Invocation parseInvocation(const CommandSpec &command, const QStringList &arguments,
                           const Texts &texts)
{
    Invocation invocation;
    invocation.command = &command;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-"_s) {
            invocation.operands.append(argument);
            continue;
        }
        if (argument == u"--"_s) {
            optionsEnded = true;
            continue;
        }
        if (argument == u"--help"_s || argument == u"-h"_s) {
            invocation.helpWanted = true;
            continue;
        }
        const qsizetype equals = argument.startsWith(u"--"_s) ? argument.indexOf(u'=') : -1;
        const QString name = equals < 0 ? argument : argument.first(equals);
        const OptionSpec *option = findOption(command, name);
        if (!option)
            throw seeHelp(texts, command,
                          texts(u"Unbekannte Option %1"_s, u"Unknown option %1"_s).arg(name));
        if (option->valueName.isEmpty()) {
            if (equals >= 0)
                throw seeHelp(texts, command,
                              texts(u"Option %1 nimmt keinen Wert"_s, u"Option %1 takes no value"_s)
                                  .arg(option->name));
            invocation.switches.insert(option->name);
        } else if (equals >= 0) {
            invocation.values.insert(option->name, argument.sliced(equals + 1));
        } else if (i + 1 < arguments.size()) {
            invocation.values.insert(option->name, arguments[++i]);
        } else {
            throw seeHelp(
                texts, command,
                texts(u"Option %1 braucht einen Wert (%2)"_s, u"Option %1 needs a value (%2)"_s)
                    .arg(option->name, option->valueName));
        }
    }
    if (!invocation.helpWanted && invocation.operands.size() != command.operands.size()) {
        const QString expected =
            command.operands.isEmpty() ? texts(u"keine"_s, u"none"_s) : command.operands.join(u' ');
        throw seeHelp(texts, command,
                      texts(u"Falsche Zahl von Argumenten, erwartet: %1"_s,
                            u"Wrong number of arguments, expected: %1"_s)
                          .arg(expected));
    }
    return invocation;
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &arguments, const QList<CommandSpec> &commands,
                                   const Texts &texts)
{
    ParsedCommandLine parsed;
    if (arguments.isEmpty())
        throw UsageError(texts(u"Kein Befehl angegeben (siehe \"tralbo-cli --help\")"_s,
                               u"No command given (see \"tralbo-cli --help\")"_s));
    const QString &first = arguments.front();
    if (first == u"--help"_s || first == u"-h"_s || first == u"help"_s) {
        if (arguments.size() > 1 && findCommand(commands, arguments[1]))
            return parseCommandLine({arguments[1], u"--help"_s}, commands, texts);
        return parsed;
    }
    if (first == u"--version"_s) {
        parsed.kind = ParsedCommandLine::Kind::Version;
        return parsed;
    }
    const CommandSpec *command = findCommand(commands, first);
    if (!command)
        throw UsageError(
            (first.startsWith(u'-') ? texts(u"Unbekannte Option %1"_s, u"Unknown option %1"_s)
                                    : texts(u"Unbekannter Befehl %1"_s, u"Unknown command %1"_s))
                .arg(first) +
            texts(u" (siehe \"tralbo-cli --help\")"_s, u" (see \"tralbo-cli --help\")"_s));
    parsed.kind = ParsedCommandLine::Kind::Command;
    parsed.invocation = parseInvocation(*command, arguments.sliced(1), texts);
    return parsed;
}
