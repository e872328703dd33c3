#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

struct Outcome
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// Runs the tool with only the given locale variables set ("LANG=de_DE.UTF-8"), and any other
// variable given alike, and its data and settings folders inside home.
inline Outcome
runTool(const QStringList &arguments, const QStringList &locale = {QStringLiteral("LC_ALL=C")},
        const QString &home = QDir::tempPath() + QStringLiteral("/tralbo-cli-test-home"),
        const QString &program = QStringLiteral(TRALBO_CLI))
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
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Outcome outcome;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return outcome;
    outcome.exitCode = process.exitCode();
    outcome.out = process.readAllStandardOutput();
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}
