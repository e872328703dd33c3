#pragma once

#include "platform/VolumeMounter.h"

typedef struct _GVolumeMonitor GVolumeMonitor;

// Mounts through GIO's volume monitor (UDisks2 on most desktops), as a file manager does when a
// drive is opened. The answer arrives through the GLib main loop, which Qt's event loop runs
// (unless Qt was started without GLib: then nothing is mounted).
class GioVolumeMounter final : public VolumeMounter
{
public:
    GioVolumeMounter() = default;
    ~GioVolumeMounter() override;
    Q_DISABLE_COPY_MOVE(GioVolumeMounter)

    bool mount(const QString &device) override;

private:
    GVolumeMonitor *m_monitor = nullptr; // taken at the first mount and kept, so it stays current
};
