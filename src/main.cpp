#include "app/Environment.h"
#include "app/ImageDrive.h"
#include "app/QtDialogService.h"
#include "app/Unit1.h"
#include "base/FullStop.h"
#include "catalogue/ApplicationDirectory.h"
#include "catalogue/Unit2.h"
#include "devices/CDEvents.h"
#include "platform/GioAutorunSetting.h"
#include "platform/GioVolumeMounter.h"
#include "platform/ImageDriveTable.h"
#include "platform/LinuxDriveTable.h"
#include "platform/LinuxLabelReader.h"
#include "platform/ProcMountSource.h"
#include "platform/QtSettingsStore.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"tralbo"_s);
    // No display name: Qt would append it to every window title the window manager shows.
    QIcon icon;
    icon.addFile(u":/tralbo/48x48/tralbo.png"_s);
    icon.addFile(u":/tralbo/256x256/tralbo.png"_s);
    QApplication::setWindowIcon(icon);
    QApplication::setDesktopFileName(u"example.olvane.tralbo"_s);
    TerminationSignals termination;

    ProcMountSource mountSource;
    LinuxLabelReader labelReader;
    LinuxDriveTable systemDrives(mountSource, labelReader);
    ImageDriveTable drives(systemDrives);
    QtDialogService dialogs;
    QtSettingsStore settings;
    GioAutorunSetting autorun;
    GioVolumeMounter volumes;

    const ApplicationDirectory directory =
        prepareApplicationDirectory(QCoreApplication::applicationDirPath(), perUserDataDirectory());
    if (!directory.problem.isEmpty()) {
        dialogs.errorReport(withFullStop(directory.problem));
        return 1;
    }

    Environment environment;
    environment.catalogue = chosenCataloguePlace({}, settings.catalogueUrl(), directory.path);
    environment.drives = &drives;
    environment.images = &drives;
    // "tralbo IMAGE.iso", as a file manager's "Open with" starts it: the image is a drive at once.
    if (const QStringList arguments = QApplication::arguments(); arguments.size() > 1)
        environment.initialDrive = openImageDrive(arguments[1], drives, dialogs);
    environment.dialogs = &dialogs;
    environment.settings = &settings;
    environment.autorun = &autorun;
    environment.autorunMarker = TCDOptions::defaultMarkerPath();
    environment.mounts = &mountSource;
    environment.volumes = &volumes;

    TForm1 form1(environment);
    dialogs.setParentWindow(&form1);
    TForm2 form2(&form1);
    dialogs.setNamingDialog(&form2);
    // Ending by request goes the way of a close, so the desktop gets its autorun switch back.
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &form1,
                     &TForm1::endSession);
    QObject::connect(&form1, &TForm1::ended, &application, &QApplication::quit);
    // Requests are taken from the first show on: a box shown then waits for nothing else.
    termination.deliver();
    form1.show();
    if (!form1.hasEnded())
        QApplication::exec();
    return 0;
}
