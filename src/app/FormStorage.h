#pragma once

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QStringList>

class QObject;
class SettingsStore;

// Where the window stands, as the window reports it for a save.
struct FormPlacement
{
    int flags = 0;
    int showCmd = 1; // 1 normal, 2 minimised, 3 maximised
    QPoint minimisedPosition{-1, -1};
    QPoint maximisedPosition{-1, -1};
    QRect normalRect; // the restored window's frame
    QSize screenSize;
};

// Keeps chosen properties of a window's controls in the settings store from one run to the
// next. Controls are found by object name and their properties through the meta-object system,
// so any QObject with a bool or string property can take part.
class TFormStorage final
{
public:
    // Binds each "component.Property" entry to the component of that name below the root.
    TFormStorage(QObject &root, SettingsStore &store,
                 const QStringList &storedProps = defaultStoredProps());
    Q_DISABLE_COPY_MOVE(TFormStorage)

    // The fourteen option entries of the main window, in their order of restoring and saving.
    static QStringList defaultStoredProps();

    // The entries that found their component.
    QStringList storedProps() const;
    // The value names, in list order.
    QStringList valueNames() const;

    // Reads every entry; a value that is absent, not a string or not understood leaves its
    // control as it is.
    void restore();
    // The window may close: saves with "Visible" "0". Throws AppError on a write error.
    void saveOnCloseQuery(const FormPlacement &placement);
    // The window is destroyed: saves with "Visible" "1" unless a save followed the last restore.
    void saveOnDestroy(const FormPlacement &placement);

    bool isSaved() const { return m_saved; }

private:
    struct Binding
    {
        QString entry;
        QPointer<QObject> component;
        QByteArray property; // empty when the component has no such property
        QString valueName;
    };

    void save(const FormPlacement &placement, bool visible);
    void restoreEntry(const Binding &binding);
    void put(const QString &name, const QString &text);

    SettingsStore &m_store;
    QList<Binding> m_bindings;
    bool m_restored = false;
    bool m_saved = false;
};
