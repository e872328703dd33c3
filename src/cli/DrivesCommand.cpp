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
        if (offeredInSelector(drive))
            context.out << driveCaption(drive) << u'\n';
    }
    return 0;
}
