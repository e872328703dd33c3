#pragma once

#include <QString>

// The desktop's volume monitor, asked to mount the medium in a drive that nobody mounted.
class VolumeMounter
{
public:
    virtual ~VolumeMounter() = default;

    // Mounts the medium in the block device (for example "/dev/sr0"). True once it is mounted;
    // false when no volume monitor knows the device or could mount it. Waits a bounded time and
    // lets the window's events run meanwhile.
    virtual bool mount(const QString &device) = 0;
};
