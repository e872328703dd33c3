#include "platform/QtSettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QString Organisation = u"Olvane"_s;
const QString Application = u"Skivra"_s;
const QString Group = u"Settings"_s;

} // namespace

QtSettingsStore::QtSettingsStore()
{
    open();
}

QtSettingsStore::~QtSettingsStore() = default;

void QtSettingsStore::open()
{
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             Organisation, Application);
    m_settings->allKeys(); // QSettings parses sections lazily; a damaged one shows only then
    const QVariant catalogue = m_settings->value(u"Catalogue/Url"_s);
    m_catalogueUrl =
        catalogue.typeId() == QMetaType::QString ? catalogue.toString().trimmed() : QString();
    m_settings->beginGroup(Group);
    m_damaged =
        m_settings->status() != QSettings::NoError && QFileInfo(m_settings->fileName()).isFile();
}

QString QtSettingsStore::fileName() const
{
    return m_settings->fileName();
}

// QSettings reads a value it recognises as a list, a number type in "@Variant(...)" or a byte
// array as that type; only a plain string counts.
StoredValue QtSettingsStore::read(const QString &name) const
{
    const QVariant value = m_settings->value(name);
    if (!value.isValid())
        return {};
    if (value.typeId() != QMetaType::QString)
        return {StoredValue::Kind::NotText, {}};
    return {StoredValue::Kind::Text, value.toString()};
}

bool QtSettingsStore::write(const QString &name, const QString &text)
{
    if (m_damaged)
        startAfresh();
    else if (m_settings->status() != QSettings::NoError)
        open(); // QSettings keeps the first error for good; a new save must report its own
    if (!m_settings->isWritable())
        return false;
    m_settings->setValue(name, text);
    return true;
}

// A format error here comes from a file changed behind our back, which the save has replaced.
bool QtSettingsStore::commit()
{
    m_settings->sync();
    return m_settings->status() != QSettings::AccessError;
}

// QSettings neither saves over a file it cannot read nor drops the half it could not parse, so
// the damaged file goes and the save writes a clean one.
void QtSettingsStore::startAfresh()
{
    const QString file = m_settings->fileName();
    m_settings.reset();
    QFile::remove(file);
    open();
}
