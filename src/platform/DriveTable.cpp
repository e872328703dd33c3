#include "platform/DriveTable.h"

#include <algorithm>

std::optional<Drive> DriveTable::drive(QChar letter) const
{
    const QChar wanted = letter.toLower();
    for (const Drive &candidate : drives()) {
        if (candidate.letter == wanted)
            return candidate;
    }
    return std::nullopt;
}

DriveType DriveTable::driveType(QChar letter) const
{
    const std::optional<Drive> found = drive(letter);
    return found ? found->type : DriveType::NoRootDir;
}

bool Drive::isOtherVolume(QByteArrayView nativeDirectory) const
{
    return std::any_of(otherVolumes.cbegin(), otherVolumes.cend(),
                       [&](const QByteArray &other) { return nativeDirectory.startsWith(other); });
}
