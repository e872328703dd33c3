#pragma once

#include "app/Environment.h"
#include "platform/GioAutorunSetting.h"
#include "platform/ProcMountSource.h"
#include "platform/QtSettingsStore.h"

#include <QFile>
#include <QTemporaryDir>

// The desktop services a benchmarked window gets: its settings, the desktop's autorun switch and
// the autorun marker in a throw-away folder, and the real mount table.
class IsolatedDesktop final
{
public:
    IsolatedDesktop() = default;
    Q_DISABLE_COPY_MOVE(IsolatedDesktop)

    QString filePath(const QString &name) const { return m_folder.filePath(name); }
    QString path() const { return m_folder.path(); }

    void serve(Environment &environment)
    {
        environment.settings = &m_settings;
        environment.autorun = &m_autorun;
        environment.autorunMarker = m_folder.filePath(QStringLiteral("autorun-saved"));
        environment.mounts = &m_mounts;
    }

private:
    // The settings store and the autorun switch read these when they are made.
    static bool isolate(const QTemporaryDir &folder)
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
        qputenv("GSETTINGS_BACKEND", "memory");
        return true;
    }

    QTemporaryDir m_folder;
    bool m_isolated = isolate(m_folder);
    QtSettingsStore m_settings;
    GioAutorunSetting m_autorun;
    ProcMountSource m_mounts;
};
