#pragma once

#include <QString>

class AutorunSetting;
class DialogService;
class DriveTable;
class MountSource;
class SettingsStore;
class VolumeMounter;

// What the main window needs of the system, passed in so that tests can put fakes in place.
struct Environment
{
    QString applicationDirectory; // ends with "/"
    // The catalogue chosen by the user: a file or a server location; empty for CD.db of the
    // application directory.
    QString catalogue;
    DriveTable *drives = nullptr;
    DialogService *dialogs = nullptr;
    SettingsStore *settings = nullptr;
    AutorunSetting *autorun = nullptr;
    QString autorunMarker; // remembers the desktop's autorun switch while the program runs
    MountSource *mounts = nullptr;
    VolumeMounter *volumes = nullptr; // none: media stay as the desktop left them
};
