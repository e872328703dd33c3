#include "app/Environment.h"
#include "app/FormStorage.h"
#include "app/Unit1.h"
#include "BenchReport.h"
#include "catalogue/CatalogueSchema.h"
#include "devices/DriveComboBox.h"
#include "FailingDialogService.h"
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
#include <functional>

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

class FixedLabel final : public LabelReader
{
public:
    QString label(const QByteArray &, int, int) const override { return u"MEDIUM"_s; }
};

bool waitUntil(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

const QList<Goal> ArrivalGoals{Goal::valueBelow(200)};

// From asking a shell in a private mount namespace to mount a volume until the main window's
// drive selector shows it, for a disc (through the disc arrival handler) and for a stick-like
// volume without the media flag (through the volume notice). The slower of the two counts. The
// time includes the shell starting mount(8).
void measureArrival(const QString &folder)
{
    QProcess shell;
    shell.start(u"unshare"_s,
                {u"-rm"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s,
                 u"mount -t tmpfs scratch /run && mkdir -p /run/media/DISC /run/media/STICK && "
                 "echo ready && while read command; do case \"$command\" in "
                 "m) mount -t tmpfs /dev/sr0 /run/media/DISC;; "
                 "s) mount -t tmpfs /dev/sdz1 /run/media/STICK;; "
                 "u) umount /run/media/DISC;; r) umount /run/media/STICK;; esac; done"_s});
    if (!shell.waitForStarted(5000) || !shell.waitForReadyRead(5000) ||
        shell.readLine().trimmed() != "ready") {
        std::fprintf(stderr, "arrival_ms: no private mount namespace here, not measured\n");
        printUnmeasured(u"arrival_ms"_s, u"ms"_s, ArrivalGoals);
        return;
    }
    makeSysfs(folder + u"/sys"_s);
    ProcMountSource mounts(shell.processId());
    const FixedLabel labels;
    LinuxDriveTable drives(mounts, labels, folder + u"/sys"_s);

    QDir().mkpath(folder + u"/app"_s);
    createEmptyCatalogue(folder + u"/app/CD.db"_s);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    FailingDialogService dialogs;
    QtSettingsStore settings;
    NoAutorunSetting autorun;
    Environment environment;
    environment.catalogue = CataloguePlace::inFolder(folder + u"/app/"_s);
    environment.drives = &drives;
    environment.dialogs = &dialogs;
    environment.settings = &settings;
    environment.autorun = &autorun;
    environment.autorunMarker = folder + u"/autorun-saved"_s;
    environment.mounts = &mounts;
    TForm1 form(environment);
    form.show();
    const auto *selector = form.findChild<DriveComboBox *>(u"DriveComboBox1"_s);
    const auto best = [&](const char *in, const char *out, const std::function<bool()> &shown) {
        double fastest = 1e9;
        for (int run = 0; run < 20; ++run) {
            QElapsedTimer timer;
            timer.start();
            shell.write(in);
            if (!waitUntil(shown))
                qFatal("the volume did not show");
            fastest = std::min(fastest, double(timer.nsecsElapsed()) / 1e6);
            shell.write(out);
            if (!waitUntil([&] { return !shown(); }))
                qFatal("the volume did not go");
        }
        return fastest;
    };
    const double disc =
        best("m\n", "u\n", [selector] { return selector->findText(u"d: [medium]"_s) >= 0; });
    // The stick's letter depends on the volumes of this machine; it is the one new entry.
    const int withoutStick = selector->count();
    const double stick = best("s\n", "r\n", [&] { return selector->count() == withoutStick + 1; });
    shell.closeWriteChannel();
    shell.waitForFinished(5000);
    std::fprintf(stderr, "arrival_ms: disc %.3f ms, stick %.3f ms\n", disc, stick);
    printBench(u"arrival_ms"_s, std::max(disc, stick), u"ms"_s, ArrivalGoals);
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
