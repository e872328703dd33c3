#include "app/FormStorage.h"

#include "base/AppError.h"
#include "platform/SettingsStore.h"

#include <QMetaProperty>
#include <QObject>

using namespace Qt::StringLiterals;

namespace {

// Characters with a code of 32 or less go from both ends; QString::trimmed() would keep
// control characters and take other Unicode spaces.
QString trimmed(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

QObject *findComponent(QObject &root, const QString &name)
{
    for (QObject *child : root.findChildren<QObject *>()) {
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return child;
    }
    return nullptr;
}

QByteArray findProperty(const QObject &component, const QString &name)
{
    const QMetaObject &meta = *component.metaObject();
    for (int i = 0; i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        if (QString::fromLatin1(property.name()).compare(name, Qt::CaseInsensitive) == 0)
            return property.name();
    }
    return {};
}

AppError writeError(const QString &valueName)
{
    return AppError(u"Konnte Daten für '%1' nicht setzen"_s.arg(valueName));
}

QString boolText(bool value)
{
    return value ? u"True"_s : u"False"_s;
}

QString position(QPoint first, QPoint second)
{
    return u"%1,%2,%3,%4"_s.arg(first.x()).arg(first.y()).arg(second.x()).arg(second.y());
}

} // namespace

TFormStorage::TFormStorage(QObject &root, SettingsStore &store, const QStringList &storedProps)
    : m_store(store)
{
    for (const QString &entry : storedProps) {
        const qsizetype dot = entry.indexOf(u'.');
        if (dot < 0)
            continue;
        const QString componentName = trimmed(entry.left(dot));
        const QString propertyName = trimmed(entry.mid(dot + 1));
        if (componentName.isEmpty() || propertyName.isEmpty())
            continue;
        QObject *component = findComponent(root, componentName);
        if (!component)
            continue;
        // Qt declares "checked" and "text" where the stored names carry "Checked" and "Text".
        m_bindings.append({entry, component, findProperty(*component, propertyName),
                           component->objectName() + u'_' + propertyName});
    }
}

QStringList TFormStorage::defaultStoredProps()
{
    return {u"cb1.Checked"_s,  u"cb10.Checked"_s, u"cb2.Checked"_s, u"cb3.Checked"_s,
            u"cb4.Checked"_s,  u"cb5.Checked"_s,  u"cb6.Checked"_s, u"cb7.Checked"_s,
            u"cb8.Checked"_s,  u"cb9.Checked"_s,  u"Edit1.Text"_s,  u"Edit3.Text"_s,
            u"cb20.Checked"_s, u"cb30.Checked"_s};
}

QStringList TFormStorage::storedProps() const
{
    QStringList entries;
    for (const Binding &binding : m_bindings)
        entries.append(binding.entry);
    return entries;
}

QStringList TFormStorage::valueNames() const
{
    QStringList names;
    for (const Binding &binding : m_bindings)
        names.append(binding.valueName);
    return names;
}

void TFormStorage::restore()
{
    m_restored = true;
    m_saved = false;
    for (const Binding &binding : std::as_const(m_bindings))
        restoreEntry(binding);
}

// Setting the property emits the control's change signal, so the option interlocks run in
// list order as the values come in.
void TFormStorage::restoreEntry(const Binding &binding)
{
    if (!binding.component || binding.property.isEmpty())
        return;
    const QVariant current = binding.component->property(binding.property.constData());
    const StoredValue stored = m_store.read(binding.valueName);
    if (stored.kind == StoredValue::Kind::NotText)
        return;
    if (current.typeId() == QMetaType::Bool) {
        const QString text = trimmed(
            stored.kind == StoredValue::Kind::Text ? stored.text : boolText(current.toBool()));
        if (text.compare(u"False"_s, Qt::CaseInsensitive) == 0)
            binding.component->setProperty(binding.property.constData(), false);
        else if (text.compare(u"True"_s, Qt::CaseInsensitive) == 0)
            binding.component->setProperty(binding.property.constData(), true);
    } else if (current.typeId() == QMetaType::QString) {
        const QString text =
            trimmed(stored.kind == StoredValue::Kind::Text ? stored.text : current.toString());
        binding.component->setProperty(binding.property.constData(), text);
    }
}

void TFormStorage::saveOnCloseQuery(const FormPlacement &placement)
{
    save(placement, false);
}

void TFormStorage::saveOnDestroy(const FormPlacement &placement)
{
    if (!m_saved)
        save(placement, true);
}

// The placement values are written although nothing reads them back, so the file has the same
// values as on the program's home platform.
void TFormStorage::save(const FormPlacement &placement, bool visible)
{
    if (!m_restored)
        return;
    const QString screen =
        u"(%1x%2)"_s.arg(placement.screenSize.width()).arg(placement.screenSize.height());
    const QRect &normal = placement.normalRect;
    const QString minMax = position(placement.minimisedPosition, placement.maximisedPosition);
    const QString normalPosition =
        position(normal.topLeft(), normal.topLeft() + QPoint(normal.width(), normal.height()));
    const QString first = u"Flags"_s;
    put(first, QString::number(placement.flags));
    put(u"ShowCmd"_s, QString::number(placement.showCmd));
    put(u"MinMaxPos"_s + screen, minMax);
    put(u"MinMaxPos"_s, minMax);
    put(u"NormPos"_s + screen, normalPosition);
    put(u"NormPos"_s, normalPosition);
    put(u"Visible"_s, visible ? u"1"_s : u"0"_s);

    for (const Binding &binding : std::as_const(m_bindings)) {
        if (!binding.component || binding.property.isEmpty())
            continue;
        const QVariant value = binding.component->property(binding.property.constData());
        if (value.typeId() == QMetaType::Bool)
            put(binding.valueName, boolText(value.toBool()));
        else if (value.typeId() == QMetaType::QString)
            put(binding.valueName, trimmed(value.toString()));
    }
    // A file store writes all values at once: when that fails, the first value already failed.
    if (!m_store.commit())
        throw writeError(first);
    m_saved = true;
}

void TFormStorage::put(const QString &name, const QString &text)
{
    if (!m_store.write(name, text))
        throw writeError(name);
}
