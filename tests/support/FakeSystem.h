#pragma once

#include "base/AppError.h"
#include "platform/AutorunSetting.h"
#include "platform/MountSource.h"
#include "platform/SettingsStore.h"
#include "platform/VolumeMounter.h"

#include <QHash>
#include <QStringList>

#include <functional>

// The desktop's autorun switch in memory; no value stands for a desktop without the switch.
class MemoryAutorunSetting final : public AutorunSetting
{
public:
    std::optional<bool> readNever() const override
    {
        if (failReads)
            throw AppError(QStringLiteral("read refused"));
        return never;
    }
    void writeNever(bool value) override
    {
        if (failWrites)
            throw AppError(QStringLiteral("write refused"));
        ++writes;
        if (never)
            never = value;
    }

    std::optional<bool> never = false;
    bool failReads = false;
    bool failWrites = false;
    int writes = 0;
};

// Option settings in memory: committed values are what a later run would read.
class MemorySettingsStore final : public SettingsStore
{
public:
    StoredValue read(const QString &name) const override
    {
        const auto found = values.constFind(name);
        if (found == values.cend())
            return {};
        return {StoredValue::Kind::Text, found.value()};
    }
    bool write(const QString &name, const QString &text) override
    {
        m_pending.insert(name, text);
        return true;
    }
    bool commit() override
    {
        values.insert(m_pending);
        m_pending.clear();
        return true;
    }

    QHash<QString, QString> values;

private:
    QHash<QString, QString> m_pending;
};

// A mount table of fixed text with nothing to watch.
class FixedMountSource final : public MountSource
{
public:
    QByteArray readMountInfo() const override { return text; }
    QString watchPath() const override { return {}; }

    QByteArray text;
};

// A volume monitor that records the devices it is asked to mount; onMount mounts (and says so),
// without it nothing can be mounted.
class FakeVolumeMounter final : public VolumeMounter
{
public:
    bool mount(const QString &device) override
    {
        requests.append(device);
        return onMount && onMount(device);
    }

    std::function<bool(const QString &device)> onMount;
    QStringList requests;
};
