#pragma once

#include "platform/SettingsStore.h"

#include <QtGlobal>

#include <memory>

class QSettings;

// The settings in the user's configuration folder: $XDG_CONFIG_HOME/Olvane/Skivra.conf, group
// "Settings". A file that cannot be read counts as empty and is replaced by the next save.
class QtSettingsStore final : public SettingsStore
{
public:
    QtSettingsStore();
    ~QtSettingsStore() override;
    Q_DISABLE_COPY_MOVE(QtSettingsStore)

    StoredValue read(const QString &name) const override;
    bool write(const QString &name, const QString &text) override;
    bool commit() override;

    QString fileName() const;
    // The catalogue location kept in the same file, group "Catalogue", key "Url", as read when
    // the file was opened; empty when absent or not text.
    QString catalogueUrl() const { return m_catalogueUrl; }

private:
    void open();
    void startAfresh();

    std::unique_ptr<QSettings> m_settings;
    bool m_damaged = false; // the file exists but could not be read or parsed
    QString m_catalogueUrl;
};
