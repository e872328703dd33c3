#include "cli/ScanTarget.h"

#include "cli/UsageError.h"
#include "devices/DriveCaption.h"
#include "image/DiscImageVolume.h"
#include "platform/LinuxDriveTable.h"
#include "platform/LinuxLabelReader.h"
#include "platform/MountInfo.h"
#include "platform/ProcMountSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

ScanTarget targetOf(Drive drive)
{
    const QString root = QString(drive.letter) + u":\\"_s;
    QString caption = driveCaption(drive);
    return {std::move(drive), root, std::move(caption), {}};
}

ScanTarget folderTarget(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    Drive drive;
    drive.letter = u'd';
    drive.type = DriveType::Fixed;
    drive.mountPoint = QFile::encodeName(canonical);
    drive.label = QFileInfo(canonical).fileName();
    if (!drive.mountPoint.endsWith('/'))
        drive.mountPoint += '/';
    // Volumes mounted inside the folder are not part of it, as on a drive of the table.
    drive.otherVolumes =
        otherVolumesBelow(parseMountInfo(ProcMountSource().readMountInfo()), drive.mountPoint);
    return targetOf(std::move(drive));
}

// The image is read as the disc in drive d: would be, under its own label.
ScanTarget imageTarget(const QString &imageFile)
{
    std::unique_ptr<DiscImageVolume> volume = DiscImageVolume::open(QFile::encodeName(imageFile));
    Drive drive;
    drive.letter = u'd';
    drive.type = DriveType::CdRom;
    drive.label = volume->label();
    drive.device = imageFile;
    std::shared_ptr<WalkFeed> walk = volume->walk();
    drive.mountPoint = mountImage(std::move(volume));
    ScanTarget target = targetOf(std::move(drive));
    target.imageWalk = std::move(walk);
    return target;
}

} // namespace

ScanTarget scanTarget(const QString &operand, const Texts &texts)
{
    static const QRegularExpression driveName(u"^([A-Za-z])(:\\\\?)?$"_s);
    if (const QRegularExpressionMatch letter = driveName.match(operand); letter.hasMatch()) {
        // Only a letter needs the drive table, whose labels are read from every device.
        const ProcMountSource mounts;
        const LinuxLabelReader labels;
        const std::optional<Drive> drive =
            LinuxDriveTable(mounts, labels).drive(letter.captured(1).front());
        if (!drive || !offeredInSelector(*drive))
            throw UsageError(texts(u"Laufwerk %1: gibt es nicht (siehe tralbo-cli drives)"_s,
                                   u"There is no drive %1: (see tralbo-cli drives)"_s)
                                 .arg(letter.captured(1).toLower()));
        if (drive->mountPoint.isEmpty())
            throw UsageError(
                texts(u"Im Laufwerk %1: liegt kein Datenträger"_s, u"Drive %1: holds no medium"_s)
                    .arg(drive->letter));
        return targetOf(*drive);
    }
    if (QFileInfo(operand).isFile())
        return imageTarget(operand);
    if (!QFileInfo(operand).isDir())
        throw UsageError(texts(u"Ordner %1 gibt es nicht"_s, u"There is no folder %1"_s)
                             .arg(QDir::toNativeSeparators(operand)));
    return folderTarget(operand);
}
