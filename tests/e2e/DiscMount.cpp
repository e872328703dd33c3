#include "DiscMount.h"

#include "platform/FileDescriptor.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool writeProcFile(const char *path, const QByteArray &text)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Without the privilege for a plain mount namespace, a user namespace in which this user is root
// grants it.
bool unshareMountNamespace()
{
    if (::unshare(CLONE_NEWNS) == 0)
        return true;
    const uid_t user = ::getuid();
    const gid_t group = ::getgid();
    return ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 &&
           writeProcFile("/proc/self/setgroups", "deny") &&
           writeProcFile("/proc/self/uid_map", "0 " + QByteArray::number(user) + " 1") &&
           writeProcFile("/proc/self/gid_map", "0 " + QByteArray::number(group) + " 1");
}

bool isMounted(const QString &mountPoint)
{
    QFile table(u"/proc/self/mountinfo"_s);
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray field = ' ' + QFile::encodeName(mountPoint) + ' ';
    return table.readAll().contains(field);
}

} // namespace

bool enterPrivateMountNamespace()
{
    return unshareMountNamespace() &&
           ::mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) == 0;
}

bool canMountImagesInUserSpace()
{
    const FileDescriptor device(::open("/dev/fuse", O_RDWR | O_CLOEXEC));
    return device.get() >= 0 && !QStandardPaths::findExecutable(u"fuseiso"_s).isEmpty();
}

DiscMount::~DiscMount()
{
    if (m_fuse.state() == QProcess::NotRunning)
        return;
    // fuseiso unmounts when asked to stop.
    m_fuse.terminate();
    if (!m_fuse.waitForFinished(5000))
        m_fuse.kill();
    m_fuse.waitForFinished(5000);
}

QString DiscMount::mount(const QString &image, const QString &mountPoint)
{
    // The mount's source names the image, so its label can be read from there.
    m_fuse.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_fuse.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_fuse.setStandardOutputFile(QProcess::nullDevice());
    m_fuse.start(u"fuseiso"_s, {u"-n"_s, image, mountPoint, u"-f"_s, u"-o"_s,
                                u"fsname="_s + image + u",subtype=fuseiso"_s});
    if (!m_fuse.waitForStarted(5000))
        return u"fuseiso cannot be started: "_s + m_fuse.errorString();
    const QDeadlineTimer deadline(10000);
    while (!isMounted(mountPoint)) {
        if (m_fuse.state() == QProcess::NotRunning)
            return u"fuseiso ended with code %1"_s.arg(m_fuse.exitCode());
        if (deadline.hasExpired())
            return u"fuseiso did not mount the image"_s;
        QThread::msleep(20);
    }
    return {};
}
