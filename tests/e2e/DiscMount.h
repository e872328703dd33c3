#pragma once

#include <QProcess>
#include <QString>

// Moves this process into a mount namespace of its own, so that mounts made by it and its children
// are seen by nobody else and vanish with it. Must run before the first thread starts. Returns
// false where the system does not allow it.
bool enterPrivateMountNamespace();

// Whether fuseiso is installed and this process may use the FUSE device.
bool canMountImagesInUserSpace();

// A disc image mounted with fuseiso at a folder for as long as the object lives.
class DiscMount
{
public:
    DiscMount() = default;
    ~DiscMount();
    Q_DISABLE_COPY_MOVE(DiscMount)

    // Returns an error text, empty once the image shows in this process's mount table.
    QString mount(const QString &image, const QString &mountPoint);

private:
    QProcess m_fuse;
};
