#include "catalogue/DiscName.h"

#include "base/UpperAscii.h"

QString proposedDiscName(const QString &driveCaption)
{
    if (driveCaption.size() <= 5)
        return {};
    return upperAscii(QStringView(driveCaption).sliced(4, driveCaption.size() - 5));
}
