#pragma once

#include "platform/AutorunSetting.h"

#include <QStringList>

#include <memory>

// The desktop's "autorun-never" key through GSettings: the GNOME schema and, where installed, the
// Cinnamon and MATE ones. Reads come from the running desktop's schema, writes go to all of them.
// A schema that is not installed is left out; with none, there is no switch.
class GioAutorunSetting final : public AutorunSetting
{
public:
    // Schema ids in order of preference; the default puts the running desktop's first.
    explicit GioAutorunSetting(const QStringList &schemaIds = desktopSchemaIds());
    ~GioAutorunSetting() override;
    Q_DISABLE_COPY_MOVE(GioAutorunSetting)

    static QStringList desktopSchemaIds();

    std::optional<bool> readNever() const override;
    void writeNever(bool never) override;

private:
    struct Schemas;
    std::unique_ptr<Schemas> m_schemas;
};
