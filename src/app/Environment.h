#pragma once

#include <QString>

class DialogService;
class DriveTable;

// What the main window needs of the system, passed in so that tests can put fakes in place.
struct Environment
{
    QString applicationDirectory; // ends with "/"
    DriveTable *drives = nullptr;
    DialogService *dialogs = nullptr;
};
