// Mounting the medium of a drive that the desktop left unmounted, before the drive is read.

#include "app/Unit1.h"
#include "base/BusyCursor.h"
#include "devices/DriveComboBox.h"
#include "devices/MountWatcher.h"
#include "platform/DriveTable.h"
#include "platform/VolumeMounter.h"

#include <QScopeGuard>

void TForm1::mountMediumIn(QChar letter)
{
    VolumeMounter *volumes = m_environment.volumes;
    if (!volumes)
        return;
    const std::optional<Drive> drive = m_environment.drives->drive(letter);
    if (!drive || !drive->mountPoint.isEmpty() || drive->device.isEmpty())
        return;

    // The wait lets events run: the busy mark refuses a scan and closing meanwhile, the locked
    // selector a drive change, and the held watcher reports the arrival only after the busy mark
    // is gone, so that it reloads the drive tree.
    const MountChangesHeld mountsHeld(m_mountWatcher);
    const BusyState::Scope busy(m_busy);
    const BusyCursor cursor;
    const bool selectorEnabled = DriveComboBox1->isEnabled();
    DriveComboBox1->setEnabled(false);
    const auto unlock = qScopeGuard([&] { DriveComboBox1->setEnabled(selectorEnabled); });
    // Read at once, so that the caller finds the medium whenever the watcher gets to report it.
    if (volumes->mount(drive->device))
        m_environment.drives->refresh();
}
