#pragma once

#include <QChar>
#include <QString>

class DialogService;
class ImageDriveTable;

// Opens a disc image file as a drive of the table. A damaged or unreadable image gets the reader's
// message as a warning and no drive. Returns the new drive's letter; a null QChar when there is
// none.
QChar openImageDrive(const QString &imageFile, ImageDriveTable &drives, DialogService &dialogs);
