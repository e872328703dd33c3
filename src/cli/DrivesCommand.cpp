#include "cli/Commands.h"

#include "cli/TextSink.h"
#include "devices/DriveCaption.h"
#include "platform/LinuxDriveTable.h"
#include "platform/LinuxLabelReader.h"
#include "platform/ProcMountSource.h"

int runDrives(const Invocation &, CommandContext &context)
{
    const ProcMountSource mounts;
    const LinuxLabelReader labels;
    const LinuxDriveTable drives(mounts, labels);
    for (const Drive &drive : drives.drives()) {
        // The selector leaves out what has no caption.
        if (drive.type == DriveType::Unknown || drive.type == DriveType::NoRootDir)
            continue;
        context.out << driveCaption(drive) << u'\n';
    }
    return 0;
}
