#include "app/ImageDrive.h"

#include "base/FullStop.h"
#include "image/DiscImageVolume.h"
#include "image/ImageError.h"
#include "platform/DialogService.h"
#include "platform/ImageDriveTable.h"

#include <QFile>

using namespace Qt::StringLiterals;

QChar openImageDrive(const QString &imageFile, ImageDriveTable &drives, DialogService &dialogs)
{
    std::unique_ptr<DiscImageVolume> volume;
    try {
        volume = DiscImageVolume::open(QFile::encodeName(imageFile));
        // Only a whole image becomes a drive.
        volume->walk()->awaitWhole();
    } catch (const ImageError &error) {
        dialogs.warning(withFullStop(error.message()));
        return {};
    }
    const QString label = volume->label();
    const QChar letter = drives.addImage(mountImage(std::move(volume)), label, imageFile);
    if (letter.isNull())
        dialogs.warning(u"Kein Laufwerksbuchstabe mehr frei."_s);
    return letter;
}
