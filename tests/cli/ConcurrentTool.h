#pragma once

#include "RunTool.h"

#include <QFile>
#include <QTest>

#include <memory>

// What the tests of imports that meet each other share: German messages, the line an import
// prints when it waits, a folder of files to import, and the tool started without waiting.

inline const QStringList German{QStringLiteral("LANG=de_DE.UTF-8")};
inline const QString Waiting = QStringLiteral(
    "Warte auf die Datenbank, die ein anderer Import oder ein anderes Programm gerade benutzt");

// A folder of count empty files named F00000.EXE upwards.
inline void makeFolder(const QString &folder, int count)
{
    QVERIFY(QDir().mkpath(folder));
    for (int i = 0; i < count; ++i) {
        QFile file(folder + QStringLiteral("/F%1.EXE").arg(i, 5, 10, QChar(u'0')));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

// Starts the program (a copy of the tool, or the tool) without waiting for it, as a computer of
// its own (home).
inline std::unique_ptr<QProcess> startTool(const QStringList &arguments, const QString &home,
                                           const QString &program = QStringLiteral(TRALBO_CLI),
                                           const QString &workingDirectory = {})
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(toolEnvironment(German, home));
    process->setWorkingDirectory(workingDirectory);
    process->start(program, arguments);
    return process;
}
