#include "app/Environment.h"
#include "app/QtDialogService.h"
#include "app/Unit1.h"
#include "catalogue/Unit2.h"
#include "devices/CDEvents.h"
#include "platform/GioAutorunSetting.h"
#include "platform/GioVolumeMounter.h"
#include "platform/LinuxDriveTable.h"
#include "platform/LinuxLabelReader.h"
#include "platform/ProcMountSource.h"
#include "platform/QtSettingsStore.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"tralbo"_s);
    QApplication::setDesktopFileName(u"tralbo"_s);

    ProcMountSource mountSource;
    LinuxLabelReader labelReader;
    LinuxDriveTable drives(mountSource, labelReader);
    QtDialogService dialogs;
    QtSettingsStore settings;
    GioAutorunSetting autorun;
    GioVolumeMounter volumes;

    Environment environment;
    environment.applicationDirectory = QCoreApplication::applicationDirPath() + u'/';
    environment.drives = &drives;
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
    form1.show();
    QApplication::exec();
    return 0;
}
