// The installed program as the desktop starts it: where it keeps its data, and that a polite
// request to end (SIGTERM) closes it cleanly and gives the desktop its autorun switch back.

#include "catalogue/ApplicationDirectory.h"
#include "catalogue/CatalogueSchema.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <optional>

using namespace Qt::StringLiterals;

class TestLauncher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void firstStartCreatesTheDataFolderAndSigtermRestoresAutorun();
    void catalogueBesideTheProgramKeepsTheDataThere();
    void dataFolderIsNeverRepairedAndFailuresAreTold();

private:
    // Starts a copy of the program in bin/ and waits until it has switched autorun off.
    void start();
    void terminate();
    QString path(const QString &relative) const { return m_folder->filePath(relative); }
    QString marker() const { return path(u"state/Olvane/Skivra/autorun-saved"_s); }

    std::optional<QTemporaryDir> m_folder;
    QProcess m_program;
};

void TestLauncher::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
    QVERIFY(QDir().mkpath(path(u"bin"_s)));
    const QString copy = path(u"bin/tralbo"_s);
    QFile::remove(copy);
    QVERIFY(QFile::copy(QStringLiteral(TRALBO_EXECUTABLE), copy));
}

void TestLauncher::start()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, path(u"home"_s));
    environment.insert(u"XDG_DATA_HOME"_s, path(u"data"_s));
    environment.insert(u"XDG_CONFIG_HOME"_s, path(u"config"_s));
    environment.insert(u"XDG_STATE_HOME"_s, path(u"state"_s));
    environment.insert(u"GSETTINGS_BACKEND"_s, u"keyfile"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    m_program.setProcessEnvironment(environment);
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(path(u"bin/tralbo"_s), {});
    QVERIFY(m_program.waitForStarted(5000));
    const QDeadlineTimer deadline(20000);
    while (!QFile::exists(marker()) && !deadline.hasExpired() &&
           m_program.state() == QProcess::Running)
        QThread::msleep(20);
    QVERIFY2(QFile::exists(marker()), "the program did not come up");
}

void TestLauncher::terminate()
{
    ::kill(pid_t(m_program.processId()), SIGTERM);
    QVERIFY(m_program.waitForFinished(20000));
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);
    QVERIFY(!QFile::exists(marker()));
}

void TestLauncher::firstStartCreatesTheDataFolderAndSigtermRestoresAutorun()
{
    start();
    const QString catalogue = path(u"data/Olvane/Tralbo/CD.db"_s);
    QVERIFY(QFile::exists(catalogue));
    QCOMPARE(verifiedCatalogue(CataloguePlace::file(catalogue)).location(), catalogue);
    terminate();
    QFile keyfile(path(u"config/glib-2.0/settings/keyfile"_s));
    if (keyfile.open(QIODevice::ReadOnly))
        QVERIFY(!keyfile.readAll().contains("autorun-never=true"));
    // The window closed properly: it wrote its list of discs.
    QVERIFY(QFile::exists(path(u"data/Olvane/Tralbo/Quilo.lst"_s)));
}

void TestLauncher::catalogueBesideTheProgramKeepsTheDataThere()
{
    createEmptyCatalogue(path(u"bin/cd.DB"_s));
    start();
    terminate();
    QVERIFY(QFile::exists(path(u"bin/Quilo.lst"_s)));
    QVERIFY(!QFileInfo::exists(path(u"data/Olvane"_s)));
}

void TestLauncher::dataFolderIsNeverRepairedAndFailuresAreTold()
{
    const QString existing = path(u"existing/"_s);
    QVERIFY(QDir().mkpath(existing));
    QCOMPARE(prepareApplicationDirectory(path(u"bin"_s), existing).path, existing);
    QVERIFY(QDir(existing).isEmpty());

    QFile blocker(path(u"file"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    const ApplicationDirectory impossible =
        prepareApplicationDirectory(path(u"bin"_s), path(u"file/Olvane/Tralbo"_s));
    QVERIFY(impossible.problem.startsWith(u"Der Datenordner "_s));
    QVERIFY(impossible.problem.contains(path(u"file/Olvane/Tralbo/"_s)));

    // The program itself shows it as the general error report, with its full stop, and ends.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, path(u"home"_s));
    environment.insert(u"XDG_DATA_HOME"_s, path(u"file"_s));
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"QT_PLUGIN_PATH"_s, QStringLiteral(TRALBO_TEST_PLUGINS));
    environment.insert(u"QT_STYLE_OVERRIDE"_s, u"boxrecorder"_s);
    program.setProcessEnvironment(environment);
    program.start(path(u"bin/tralbo"_s), {});
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 1);
    const QString shown = u"box: Tralbo 1.0|Der Datenordner %1 kann nicht angelegt werden."_s.arg(
        path(u"file/Olvane/Tralbo/"_s));
    QVERIFY2(QString::fromUtf8(program.readAllStandardError()).split(u'\n').contains(shown),
             qPrintable(shown));
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
