#include "vdrive/VirtualDriveFile.h"

using namespace Qt::StringLiterals;

std::optional<QString> virtualDriveFile(const QString &applicationDirectory,
                                        const QString &discName)
{
    // Every other name, blanks, quotes, leading dots and device names included, is a plain
    // file name on Linux.
    if (discName.contains(u'/') || discName.contains(QChar(u'\0')) || discName == u"."_s ||
        discName == u".."_s)
        return std::nullopt;
    return applicationDirectory + discName + u".vfs"_s;
}
