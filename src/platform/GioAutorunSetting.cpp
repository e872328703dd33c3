#include "platform/GioAutorunSetting.h"

#include "base/AppError.h"

#include <QByteArray>

#include <gio/gio.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr char Key[] = "autorun-never";

const QString GnomeSchema = u"org.gnome.desktop.media-handling"_s;
const QString CinnamonSchema = u"org.cinnamon.desktop.media-handling"_s;
const QString MateSchema = u"org.mate.media-handling"_s;

AppError wrongType()
{
    return AppError(u"Ungültiger Datentyp für '%1'"_s.arg(QLatin1StringView(Key)));
}

AppError notWritten()
{
    return AppError(u"Konnte Daten für '%1' nicht setzen"_s.arg(QLatin1StringView(Key)));
}

} // namespace

struct GioAutorunSetting::Schemas
{
    struct Entry
    {
        GSettings *settings = nullptr;
        bool boolean = false; // the key is declared as a boolean
    };

    ~Schemas()
    {
        for (const Entry &entry : entries)
            g_object_unref(entry.settings);
    }

    std::vector<Entry> entries;
};

// Looking the schema up first matters: g_settings_new() aborts the program on an unknown schema.
GioAutorunSetting::GioAutorunSetting(const QStringList &schemaIds)
    : m_schemas(std::make_unique<Schemas>())
{
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    if (!source)
        return;
    for (const QString &id : schemaIds) {
        GSettingsSchema *schema =
            g_settings_schema_source_lookup(source, id.toUtf8().constData(), TRUE);
        if (!schema)
            continue;
        if (g_settings_schema_has_key(schema, Key)) {
            GSettingsSchemaKey *key = g_settings_schema_get_key(schema, Key);
            const bool boolean = g_variant_type_equal(g_settings_schema_key_get_value_type(key),
                                                      G_VARIANT_TYPE_BOOLEAN);
            g_settings_schema_key_unref(key);
            m_schemas->entries.push_back({g_settings_new_full(schema, nullptr, nullptr), boolean});
        }
        g_settings_schema_unref(schema);
    }
}

GioAutorunSetting::~GioAutorunSetting() = default;

QStringList GioAutorunSetting::desktopSchemaIds()
{
    const QString desktop = QString::fromUtf8(qgetenv("XDG_CURRENT_DESKTOP"));
    if (desktop.contains(u"Cinnamon"_s, Qt::CaseInsensitive))
        return {CinnamonSchema, GnomeSchema, MateSchema};
    if (desktop.contains(u"MATE"_s, Qt::CaseInsensitive))
        return {MateSchema, GnomeSchema, CinnamonSchema};
    return {GnomeSchema, CinnamonSchema, MateSchema};
}

std::optional<bool> GioAutorunSetting::readNever() const
{
    if (m_schemas->entries.empty())
        return std::nullopt;
    const Schemas::Entry &preferred = m_schemas->entries.front();
    if (!preferred.boolean)
        throw wrongType();
    return g_settings_get_boolean(preferred.settings, Key) != FALSE;
}

void GioAutorunSetting::writeNever(bool never)
{
    for (const Schemas::Entry &entry : m_schemas->entries) {
        if (!entry.boolean)
            throw wrongType();
    }
    for (const Schemas::Entry &entry : m_schemas->entries) {
        if (!g_settings_is_writable(entry.settings, Key) ||
            !g_settings_set_boolean(entry.settings, Key, never ? TRUE : FALSE))
            throw notWritten();
    }
    g_settings_sync();
}
