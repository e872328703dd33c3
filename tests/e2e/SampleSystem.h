#pragma once

#include "DiscMount.h"

#include "app/Environment.h"
#include "platform/LinuxLabelReader.h"
#include "platform/ProcMountSource.h"

#include <QTemporaryDir>

#include <memory>

class DialogService;
class DriveTable;
class GioAutorunSetting;
class QtSettingsStore;

// What the program meets in a whole-flow run, all in a work folder: an application directory with
// an empty catalogue, the sample disc's files and image, the drives (the real mount table and
// labels, or where images cannot be mounted a fake table that shows the disc's files as drive d:),
// and the settings and the desktop's autorun switch in throw-away places.
class SampleSystem
{
public:
    explicit SampleSystem(bool realMount);
    ~SampleSystem();
    Q_DISABLE_COPY_MOVE(SampleSystem)

    // Writes the folders, the catalogue, the disc and its image; returns an error text.
    QString prepare();
    // Mounts the image when real mounts are possible; returns an error text.
    QString insertDisc();

    bool realMount() const { return m_realMount; }
    QString applicationDirectory() const { return m_work.filePath(QStringLiteral("app")) + u'/'; }
    // The environment of a fresh start of the program.
    Environment environment(DialogService &dialogs);

private:
    QTemporaryDir m_work;
    const bool m_realMount;
    ProcMountSource m_mounts;
    LinuxLabelReader m_labels;
    std::unique_ptr<DriveTable> m_drives;
    DiscMount m_disc;
    std::unique_ptr<GioAutorunSetting> m_autorun;
    std::unique_ptr<QtSettingsStore> m_settings;
};
