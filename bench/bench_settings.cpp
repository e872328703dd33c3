#include "app/FormStorage.h"
#include "BenchReport.h"
#include "devices/CDEvents.h"
#include "devices/DriveComboBox.h"
#include "devices/MountWatcher.h"
#include "platform/AutorunSetting.h"
#include "platform/LabelReader.h"
#include "platform/LinuxDriveTable.h"
#include "platform/MountSource.h"
#include "platform/ProcMountSource.h"
#include "platform/QtSettingsStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// The option controls of the main window.
class OptionsForm
{
public:
    OptionsForm()
    {
        for (const QString &entry : TFormStorage::defaultStoredProps()) {
            const QString name = entry.section(u'.', 0, 0);
            QWidget *control = entry.endsWith(u".Text"_s)
                                   ? static_cast<QWidget *>(new QLineEdit(u".DPR"_s, &m_root))
                                   : new QCheckBox(&m_root);
            control->setObjectName(name);
        }
    }
    QWidget &root() { return m_root; }

private:
    QWidget m_root;
};

// Store opened, options restored and saved, as one program run does it.
void measureSettings(const QString &folder)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    OptionsForm form;
    const FormPlacement placement{0, 1, {-1, -1}, {-1, -1}, QRect(10, 20, 600, 500), {1920, 1080}};
    bool flip = false;
    const double seconds = bestSeconds(20, [&] {
        QtSettingsStore store;
        TFormStorage storage(form.root(), store);
        storage.restore();
        flip = !flip;
        form.root().findChild<QCheckBox *>(u"cb1"_s)->setChecked(flip);
        storage.saveOnCloseQuery(placement);
    });
    if (!QFile::exists(folder + u"/Olvane/Skivra.conf"_s))
        qFatal("the settings went elsewhere");
    printBench(u"settings_ms"_s, seconds * 1000, u"ms"_s, {Goal::valueBelow(20)});
}

class NoLabels final : public LabelReader
{
public:
    QString label(const QByteArray &, int, int) const override { return {}; }
};

class NoAutorunSetting final : public AutorunSetting
{
public:
    std::optional<bool> readNever() const override { return std::nullopt; }
    void writeNever(bool) override {}
};

// A /sys with one optical drive, sr0, so that a tmpfs mounted from "/dev/sr0" is its disc.
void makeSysfs(const QString &root)
{
    const QString device = root + u"/devices/sr0"_s;
    QDir().mkpath(device + u"/device"_s);
    QDir().mkpath(root + u"/block"_s);
    QFile dev(device + u"/dev"_s);
    QFile type(device + u"/device/type"_s);
    if (!dev.open(QIODevice::WriteOnly) || !type.open(QIODevice::WriteOnly) ||
        !QFile::link(device, root + u"/block/sr0"_s))
        qFatal("cannot build the sysfs tree");
    dev.write("11:0\n");
    type.write("5\n");
}

bool waitUntil(const bool &done)
{
    const QDeadlineTimer deadline(5000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done;
}

const QList<Goal> ArrivalGoals{Goal::valueBelow(200)};

// From asking a shell in a private mount namespace to mount a disc until the drive selector has
// been rebuilt by the arrival handler. The time includes the shell starting mount(8).
void measureArrival(const QString &folder)
{
    QProcess shell;
    shell.start(u"unshare"_s,
                {u"-rm"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s,
                 u"mount -t tmpfs scratch /run && mkdir -p /run/media/DISC && echo ready && "
                 "while read command; do "
                 "if [ \"$command\" = m ]; then mount -t tmpfs /dev/sr0 /run/media/DISC; "
                 "else umount /run/media/DISC; fi; done"_s});
    if (!shell.waitForStarted(5000) || !shell.waitForReadyRead(5000) ||
        shell.readLine().trimmed() != "ready") {
        std::fprintf(stderr, "arrival_ms: no private mount namespace here, not measured\n");
        printUnmeasured(u"arrival_ms"_s, u"ms"_s, ArrivalGoals);
        return;
    }
    makeSysfs(folder + u"/sys"_s);
    const ProcMountSource mounts(shell.processId());
    const NoLabels labels;
    LinuxDriveTable drives(mounts, labels, folder + u"/sys"_s);
    DriveComboBox selector(drives, u'c');
    selector.buildInitialList();
    MountWatcher watcher(mounts, drives);
    NoAutorunSetting autorun;
    TCDEvents events(autorun, folder + u"/autorun-saved"_s, {});
    events.listenTo(watcher);
    bool arrived = false;
    bool removed = false;
    events.setAfterArrival([&](TCDEvents *, QChar) {
        selector.updateDriveList();
        arrived = true;
    });
    events.setAfterRemove([&](TCDEvents *, QChar) { removed = true; });

    double best = 1e9;
    for (int run = 0; run < 20; ++run) {
        arrived = removed = false;
        QElapsedTimer timer;
        timer.start();
        shell.write("m\n");
        if (!waitUntil(arrived))
            qFatal("no arrival");
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
        shell.write("u\n");
        if (!waitUntil(removed))
            qFatal("no removal");
    }
    shell.closeWriteChannel();
    shell.waitForFinished(5000);
    printBench(u"arrival_ms"_s, best, u"ms"_s, ArrivalGoals);
}

} // namespace

// Settings: restore and save of the fourteen options with the real settings file in a
// temporary folder. Arrival: a real mount seen through the mount table's change signal.
int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    QTemporaryDir folder;
    if (!folder.isValid())
        qFatal("no temporary folder");
    if (arguments.wants(u"settings_ms"))
        measureSettings(folder.path());
    if (arguments.wants(u"arrival_ms"))
        measureArrival(folder.path());
    return 0;
}
