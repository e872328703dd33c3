#include "devices/CDEvents.h"

#include "base/AppError.h"
#include "devices/MountWatcher.h"
#include "platform/AutorunSetting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

std::optional<bool> readMarker(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = file.read(16).trimmed();
    if (text == "1")
        return true;
    if (text == "0")
        return false;
    return std::nullopt;
}

// Without a marker the program still works; only a crash would then keep the program's state.
void writeMarker(const QString &path, bool autoRun)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(autoRun ? "1\n" : "0\n") == 2)
        file.commit();
}

} // namespace

TCDOptions::TCDOptions(AutorunSetting &setting, QString markerPath, ErrorReport report)
    : m_setting(setting), m_markerPath(std::move(markerPath)), m_report(std::move(report))
{
    const bool current = autoRun();
    const std::optional<bool> leftByCrash = readMarker(m_markerPath);
    m_saved = leftByCrash.value_or(current);
    if (!leftByCrash)
        writeMarker(m_markerPath, m_saved);
}

TCDOptions::~TCDOptions()
{
    try {
        if (m_autoReset)
            setAutoRun(m_saved);
        QFile::remove(m_markerPath);
    } catch (const AppError &error) {
        if (m_report)
            m_report(error.message());
    }
}

QString TCDOptions::defaultMarkerPath()
{
    QString stateHome = QFile::decodeName(qgetenv("XDG_STATE_HOME"));
    if (!QDir::isAbsolutePath(stateHome))
        stateHome = QDir::homePath() + u"/.local/state"_s;
    return stateHome + u"/Olvane/Skivra/autorun-saved"_s;
}

bool TCDOptions::autoRun() const
{
    return !m_setting.readNever().value_or(false);
}

void TCDOptions::setAutoRun(bool on)
{
    m_setting.writeNever(!on);
}

TCDEvents::TCDEvents(AutorunSetting &autorun, const QString &markerPath, ErrorReport report,
                     QObject *parent)
    : QObject(parent), m_report(std::move(report)),
      m_options(std::make_unique<TCDOptions>(autorun, markerPath, m_report))
{}

TCDEvents::~TCDEvents() = default;

void TCDEvents::listenTo(const MountWatcher &watcher)
{
    connect(&watcher, &MountWatcher::volumeNotice, this, &TCDEvents::handleNotice);
}

// An empty unit mask names no drive: there is no first letter to report.
void TCDEvents::handleNotice(const VolumeNotice &notice)
{
    if (notice.deviceType != VolumeNotice::VolumeDevice ||
        !(notice.flags & VolumeNotice::MediaFlag) || notice.unitMask == 0)
        return;
    const TDeviceChangeEvent *handler = nullptr;
    if (notice.eventCode == VolumeNotice::Arrival)
        handler = &m_afterArrival;
    else if (notice.eventCode == VolumeNotice::RemoveComplete)
        handler = &m_afterRemove;
    if (!handler || !*handler)
        return;
    try {
        (*handler)(this, firstDriveLetter(notice.unitMask));
    } catch (const AppError &error) {
        report(error.message());
    } catch (const std::exception &error) {
        report(QString::fromLocal8Bit(error.what()));
    }
}

void TCDEvents::report(const QString &message) const
{
    if (m_report)
        m_report(message);
}

QChar TCDEvents::firstDriveLetter(quint32 unitMask)
{
    if (unitMask == 0)
        return {};
    char16_t letter = u'A';
    while (!(unitMask & 1)) {
        unitMask >>= 1;
        ++letter;
    }
    return QChar(letter);
}
