#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

// Declared here rather than through <pty.h>, whose terminal macros (FF1, ...) clash with the
// window's member names in tests that include both.
struct termios;
struct winsize;
extern "C" int openpty(int *controller, int *terminal, char *name, const termios *settings,
                       const winsize *size);

struct Outcome
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// The tool's environment with only the given locale variables set ("LANG=de_DE.UTF-8"), and any
// other variable given alike, and its data and settings folders inside home.
inline QProcessEnvironment toolEnvironment(const QStringList &locale, const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : {QStringLiteral("LC_ALL"), QStringLiteral("LC_MESSAGES"),
                                QStringLiteral("LANG"), QStringLiteral("LANGUAGE")})
        environment.remove(name);
    // The developer's own catalogue choice stays out of the tests.
    environment.remove(QStringLiteral("TRALBO_CATALOGUE"));
    for (const QString &setting : locale)
        environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    return environment;
}

inline QString defaultToolHome()
{
    return QDir::tempPath() + QStringLiteral("/tralbo-cli-test-home");
}

// Runs the tool in the given environment (see toolEnvironment).
inline Outcome runTool(const QStringList &arguments,
                       const QStringList &locale = {QStringLiteral("LC_ALL=C")},
                       const QString &home = defaultToolHome(),
                       const QString &program = QStringLiteral(TRALBO_CLI))
{
    QProcess process;
    process.setProcessEnvironment(toolEnvironment(locale, home));
    process.start(program, arguments);
    Outcome outcome;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return outcome;
    outcome.exitCode = process.exitCode();
    outcome.out = process.readAllStandardOutput();
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

// Runs the tool as runTool does, but with its standard error on a terminal, as someone typing
// the command sees it. The terminal turns each "\n" into "\r\n".
inline Outcome runToolOnTerminal(const QStringList &arguments,
                                 const QStringList &locale = {QStringLiteral("LC_ALL=C")})
{
    Outcome outcome;
    int controller = -1;
    int terminal = -1;
    if (openpty(&controller, &terminal, nullptr, nullptr, nullptr) != 0)
        return outcome;
    ::fcntl(controller, F_SETFL, O_NONBLOCK);
    QProcess process;
    process.setProcessEnvironment(toolEnvironment(locale, defaultToolHome()));
    process.setChildProcessModifier([terminal] { ::dup2(terminal, STDERR_FILENO); });
    process.start(QStringLiteral(TRALBO_CLI), arguments);
    ::close(terminal);
    QByteArray err;
    const auto drain = [&] {
        char buffer[4096];
        for (ssize_t got; (got = ::read(controller, buffer, sizeof buffer)) > 0;)
            err.append(buffer, got);
    };
    // Read while it runs: a full terminal buffer would stop the tool.
    const QDeadlineTimer deadline(30000);
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(20) &&
           !deadline.hasExpired())
        drain();
    drain();
    ::close(controller);
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit)
        return outcome;
    outcome.exitCode = process.exitCode();
    outcome.out = process.readAllStandardOutput();
    outcome.err = QString::fromUtf8(err);
    return outcome;
}
