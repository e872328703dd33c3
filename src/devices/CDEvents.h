#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class AutorunSetting;
class MountWatcher;
struct VolumeNotice;

// Receives the message of an error that no event handler caught.
using ErrorReport = std::function<void(const QString &message)>;

// The desktop's automatic start of inserted media, switched as the program needs it and given
// back at the end. While the program runs, a marker file holds the state found at start, so the
// next start after a crash gives the user's own state back instead of the program's.
class TCDOptions final
{
public:
    // Reads the current state and keeps it; throws AppError when the setting cannot be read.
    TCDOptions(AutorunSetting &setting, QString markerPath, ErrorReport report);
    // Writes the kept state back when AutoReset is on; an error goes to the report.
    ~TCDOptions();
    Q_DISABLE_COPY_MOVE(TCDOptions)

    // $XDG_STATE_HOME/Olvane/Skivra/autorun-saved (state home by default ~/.local/state).
    static QString defaultMarkerPath();

    // True when inserted media may start programs; also when the desktop has no such setting.
    bool autoRun() const;
    void setAutoRun(bool on);
    void setAutoReset(bool on) { m_autoReset = on; }
    // The state found at creation, or left in the marker by a run that did not end.
    bool savedState() const { return m_saved; }

private:
    AutorunSetting &m_setting;
    const QString m_markerPath;
    const ErrorReport m_report;
    bool m_autoReset = true;
    bool m_saved = true;
};

// Turns volume notices into events carrying the first drive letter: AfterArrival when a medium
// arrives in a drive, AfterRemove when it is gone. Owns the autorun options.
class TCDEvents final : public QObject
{
    Q_OBJECT

public:
    using TDeviceChangeEvent = std::function<void(TCDEvents *sender, QChar firstDriveLetter)>;

    // Errors of the event handlers go to the report; the component keeps listening.
    TCDEvents(AutorunSetting &autorun, const QString &markerPath, ErrorReport report,
              QObject *parent = nullptr);
    ~TCDEvents() override;
    Q_DISABLE_COPY_MOVE(TCDEvents)

    TCDOptions *Options() const { return m_options.get(); }
    void setAfterArrival(TDeviceChangeEvent handler) { m_afterArrival = std::move(handler); }
    void setAfterRemove(TDeviceChangeEvent handler) { m_afterRemove = std::move(handler); }

    // Handles the notices of that watcher from now on.
    void listenTo(const MountWatcher &watcher);
    void handleNotice(const VolumeNotice &notice);

    // The letter of the lowest set bit, upper case ('A' for bit 0); a null QChar for no bit.
    static QChar firstDriveLetter(quint32 unitMask);

private:
    void report(const QString &message) const;

    ErrorReport m_report;
    std::unique_ptr<TCDOptions> m_options;
    TDeviceChangeEvent m_afterArrival;
    TDeviceChangeEvent m_afterRemove;
};
