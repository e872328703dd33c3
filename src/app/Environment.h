#pragma once

#include "catalogue/CataloguePlace.h"

#include <QString>

class AutorunSetting;
class DialogService;
class DriveTable;
class ImageDriveTable;
class MountSource;
class SettingsStore;
class VolumeMounter;

// What the main window needs of the system, passed in so that tests can put fakes in place.
struct Environment
{
    // The catalogue (chosenCataloguePlace), with the folder of this computer's disc list.
    CataloguePlace catalogue = CataloguePlace::inFolder(QString());
    DriveTable *drives = nullptr;
    DialogService *dialogs = nullptr;
    SettingsStore *settings = nullptr;
    AutorunSetting *autorun = nullptr;
    QString autorunMarker; // remembers the desktop's autorun switch while the program runs
    MountSource *mounts = nullptr;
    VolumeMounter *volumes = nullptr; // none: media stay as the desktop left them
    // The table that drives points to when disc images can be opened as drives; none: the drive
    // selector offers no image.
    ImageDriveTable *images = nullptr;
    // The drive selected at start instead of the one holding the current folder.
    QChar initialDrive;
};
