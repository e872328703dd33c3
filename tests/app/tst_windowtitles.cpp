// The program's windows as a window manager reads them from a real X server (Xvfb): the exact
// titles in _NET_WM_NAME and WM_NAME, and the program's icon in _NET_WM_ICON.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

struct XWindow
{
    QString id;
    QString netName;
    QString name;
    QString icon;
};

QString output(const QString &program, const QStringList &arguments, const QString &display)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, display);
    // xprop prints UTF-8 titles only under a UTF-8 locale.
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString quotedValue(const QString &properties, const QString &name)
{
    const QRegularExpression line(u"^%1 = \"(.*)\"$"_s.arg(name),
                                  QRegularExpression::MultilineOption);
    return line.match(properties).captured(1);
}

// The top-level windows that are shown, as the window manager would manage them.
QList<XWindow> viewableWindows(const QString &display)
{
    QList<XWindow> windows;
    const QString tree = output(u"xwininfo"_s, {u"-root"_s, u"-children"_s}, display);
    static const QRegularExpression child(u"^\\s+(0x[0-9a-f]+) "_s,
                                          QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch &match : child.globalMatch(tree)) {
        const QString id = match.captured(1);
        if (!output(u"xwininfo"_s, {u"-id"_s, id}, display).contains(u"IsViewable"_s))
            continue;
        const QString names = output(
            u"xprop"_s, {u"-id"_s, id, u"-notype"_s, u"_NET_WM_NAME"_s, u"WM_NAME"_s}, display);
        const QString icon = output(u"xprop"_s,
                                    {u"-id"_s, id, u"-len"_s, u"64"_s, u"-f"_s, u"_NET_WM_ICON"_s,
                                     u"32c"_s, u"_NET_WM_ICON"_s},
                                    display);
        windows.append({id, quotedValue(names, u"_NET_WM_NAME"_s), quotedValue(names, u"WM_NAME"_s),
                        icon.trimmed()});
    }
    return windows;
}

} // namespace

class TestWindowTitles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void titleAndIconAsTheWindowManagerReadsThem_data();
    void titleAndIconAsTheWindowManagerReadsThem();

private:
    QProcess m_server;
    QString m_display;
};

void TestWindowTitles::initTestCase()
{
    for (const QString &tool : {u"Xvfb"_s, u"xprop"_s, u"xwininfo"_s}) {
        if (!QStandardPaths::findExecutable(tool).isEmpty())
            continue;
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL(qPrintable(tool + u" is missing (scripts/setup.sh installs it)"_s));
        QSKIP(qPrintable(tool + u" is not installed"_s));
    }
    // Xvfb picks a free display itself and tells its number on the given descriptor.
    m_server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s,
                               u"0"_s, u"1024x768x24"_s});
    QVERIFY(m_server.waitForStarted(5000));
    QDeadlineTimer deadline(10000);
    while (!m_server.canReadLine() && m_server.waitForReadyRead(int(deadline.remainingTime())))
        ;
    m_display = u":"_s + QString::fromLatin1(m_server.readLine()).trimmed();
    QVERIFY2(m_display.size() > 1, "Xvfb did not tell its display");
}

void TestWindowTitles::cleanupTestCase()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    m_server.waitForFinished(5000);
}

void TestWindowTitles::titleAndIconAsTheWindowManagerReadsThem_data()
{
    QTest::addColumn<QString>("dataFolder");
    QTest::addColumn<QString>("title");
    QTest::newRow("main window") << u"absent"_s << u"Tralbo ...der Olvane Skivra 1.0"_s;
    // An existing empty data folder is never repaired: the catalogue is missing.
    QTest::newRow("warning box") << u"empty"_s << u"Warnung"_s;
    // A file where the data folder belongs: the folder cannot be made.
    QTest::newRow("error report") << u"blocked"_s << u"Tralbo 1.0"_s;
}

void TestWindowTitles::titleAndIconAsTheWindowManagerReadsThem()
{
    QFETCH(QString, dataFolder);
    QFETCH(QString, title);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString program = folder.filePath(u"bin/tralbo"_s);
    QVERIFY(QDir().mkpath(folder.filePath(u"bin"_s)));
    QVERIFY(QFile::copy(QStringLiteral(TRALBO_EXECUTABLE), program));
    if (dataFolder == u"empty"_s)
        QVERIFY(QDir().mkpath(folder.filePath(u"data/Olvane/Tralbo"_s)));
    if (dataFolder == u"blocked"_s) {
        QFile blocker(folder.filePath(u"data"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, folder.filePath(u"home"_s));
    environment.insert(u"XDG_DATA_HOME"_s, folder.filePath(u"data"_s));
    environment.insert(u"XDG_CONFIG_HOME"_s, folder.filePath(u"config"_s));
    environment.insert(u"XDG_STATE_HOME"_s, folder.filePath(u"state"_s));
    environment.insert(u"GSETTINGS_BACKEND"_s, u"keyfile"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    environment.insert(u"DISPLAY"_s, m_display);
    QProcess tralbo;
    tralbo.setProcessEnvironment(environment);
    tralbo.setProcessChannelMode(QProcess::ForwardedChannels);
    tralbo.start(program, {});
    QVERIFY(tralbo.waitForStarted(5000));

    QList<XWindow> shown;
    const QDeadlineTimer deadline(20000);
    while (shown.isEmpty() && !deadline.hasExpired() && tralbo.state() == QProcess::Running) {
        QThread::msleep(100);
        shown = viewableWindows(m_display);
    }
    // A box is shown before the main window ever is, so the first window shown is the one wanted.
    QThread::msleep(300);
    shown = viewableWindows(m_display);
    tralbo.kill();
    tralbo.waitForFinished(5000);

    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().netName, title);
    QCOMPARE(shown.first().name, title);
    static const QRegularExpression iconSize(u"^_NET_WM_ICON\\(CARDINAL\\) = \\d+, \\d+"_s);
    QVERIFY2(iconSize.match(shown.first().icon).hasMatch(), qPrintable(shown.first().icon));
}

QTEST_GUILESS_MAIN(TestWindowTitles)
#include "tst_windowtitles.moc"
