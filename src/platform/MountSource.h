#pragma once

#include <QByteArray>
#include <QString>

// Where the table of mounted file systems comes from; tests hand in fixed text.
class MountSource
{
public:
    virtual ~MountSource() = default;

    // The current mount table in the kernel's mountinfo layout.
    virtual QByteArray readMountInfo() const = 0;
    // A file whose poll exception signals a change of the mount table; empty when there is none.
    virtual QString watchPath() const = 0;
};
