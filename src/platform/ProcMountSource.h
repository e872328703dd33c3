#pragma once

#include "platform/MountSource.h"

// The mount table as the kernel shows it in a process's mountinfo file: by default this
// process's; another process's shows the mounts of its mount namespace.
class ProcMountSource final : public MountSource
{
public:
    ProcMountSource();
    explicit ProcMountSource(qint64 processId);

    QByteArray readMountInfo() const override;
    QString watchPath() const override;

private:
    QString m_path;
};
