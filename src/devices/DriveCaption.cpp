#include "devices/DriveCaption.h"

using namespace Qt::StringLiterals;

namespace {

// Labels follow the letter's case, as the selector holds its letters in lower case.
QString inLetterCase(const QString &text, QChar letter)
{
    return letter.isUpper() ? text.toUpper() : text.toLower();
}

} // namespace

QString driveCaption(const Drive &drive)
{
    const QString letter(drive.letter);
    const QString bracketedLabel = u'[' + inLetterCase(drive.label, drive.letter) + u']';
    switch (drive.type) {
    case DriveType::Removable:
        return letter + u':';
    case DriveType::Network:
        if (!drive.networkName.isEmpty())
            return letter + u": "_s + inLetterCase(drive.networkName, drive.letter);
        return letter + u": "_s + bracketedLabel;
    case DriveType::Fixed:
    case DriveType::CdRom:
    case DriveType::RamDisk:
        return letter + u": "_s + bracketedLabel;
    case DriveType::Unknown:
    case DriveType::NoRootDir:
        break;
    }
    return {};
}

bool offeredInSelector(const Drive &drive)
{
    return drive.type != DriveType::Unknown && drive.type != DriveType::NoRootDir;
}

QString driveIconName(DriveType type)
{
    switch (type) {
    case DriveType::Removable:
        return u"drive-removable-media"_s;
    case DriveType::Network:
        return u"folder-remote"_s;
    case DriveType::CdRom:
        return u"media-optical"_s;
    case DriveType::RamDisk:
        return u"media-flash"_s;
    case DriveType::Fixed:
    case DriveType::Unknown:
    case DriveType::NoRootDir:
        break;
    }
    return u"drive-harddisk"_s;
}
