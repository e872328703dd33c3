#pragma once

#include "platform/MountSource.h"

// The mount table of this process as the kernel shows it in /proc/self/mountinfo.
class ProcMountSource final : public MountSource
{
public:
    QByteArray readMountInfo() const override;
    QString watchPath() const override;
};
