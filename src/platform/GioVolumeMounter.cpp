#include "platform/GioVolumeMounter.h"

#include "platform/NativePath.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <gio/gio.h>

#include <chrono>
#include <memory>

namespace {

// Long enough for a drive to spin up; beyond it the caller goes on as if nobody could mount.
constexpr std::chrono::seconds MountTimeout{10};

// The answer may come after the caller gave up waiting, so the callback owns a share of it.
struct PendingMount
{
    QEventLoop *waiting = nullptr; // null once nobody waits
    bool finished = false;
    bool mounted = false;
};

void mountFinished(GObject *source, GAsyncResult *result, gpointer data)
{
    const std::unique_ptr<std::shared_ptr<PendingMount>> share(
        static_cast<std::shared_ptr<PendingMount> *>(data));
    PendingMount &pending = **share;
    pending.mounted = g_volume_mount_finish(G_VOLUME(source), result, nullptr) != FALSE;
    pending.finished = true;
    if (pending.waiting)
        pending.waiting->quit();
}

// Qt's event loop runs GLib's main context only with its GLib dispatcher; without it, GIO's
// answers would never arrive.
bool glibLoopRuns()
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}

// The volume of that device, also when one of the two names is a link such as /dev/cdrom.
GVolume *volumeOf(GVolumeMonitor *monitor, const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    g_autolist(GVolume) volumes = g_volume_monitor_get_volumes(monitor);
    for (GList *item = volumes; item; item = item->next) {
        GVolume *volume = G_VOLUME(item->data);
        g_autofree char *identifier =
            g_volume_get_identifier(volume, G_VOLUME_IDENTIFIER_KIND_UNIX_DEVICE);
        if (!identifier)
            continue;
        const QString name = decodeFileName(identifier);
        if (name == device ||
            (!canonical.isEmpty() && QFileInfo(name).canonicalFilePath() == canonical))
            return G_VOLUME(g_object_ref(volume));
    }
    return nullptr;
}

} // namespace

GioVolumeMounter::~GioVolumeMounter()
{
    if (m_monitor)
        g_object_unref(m_monitor);
}

bool GioVolumeMounter::mount(const QString &device)
{
    if (device.isEmpty() || !glibLoopRuns())
        return false;
    if (!m_monitor)
        m_monitor = g_volume_monitor_get();
    g_autoptr(GVolume) volume = volumeOf(m_monitor, device);
    if (!volume)
        return false;
    g_autoptr(GMount) present = g_volume_get_mount(volume);
    if (present)
        return true;
    if (!g_volume_can_mount(volume))
        return false;

    auto pending = std::make_shared<PendingMount>();
    g_autoptr(GCancellable) cancellable = g_cancellable_new();
    g_volume_mount(volume, G_MOUNT_MOUNT_NONE, nullptr, cancellable, mountFinished,
                   new std::shared_ptr<PendingMount>(pending));
    if (!pending->finished) {
        QEventLoop waiting;
        pending->waiting = &waiting;
        QTimer::singleShot(MountTimeout, &waiting, &QEventLoop::quit);
        waiting.exec();
        pending->waiting = nullptr;
    }
    if (!pending->finished)
        g_cancellable_cancel(cancellable);
    return pending->mounted;
}
