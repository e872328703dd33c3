#include "devices/DriveComboBox.h"

#include "devices/DriveCaption.h"

#include <QIcon>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace {

const QString ImageFileEntry = u"Abbilddatei öffnen…"_s;
// The entry's data, which no drive's item carries.
constexpr int ImageFileRole = 1;

} // namespace

DriveComboBox::DriveComboBox(DriveTable &drives, QChar initialDrive, QWidget *parent)
    : QComboBox(parent), m_drives(drives), m_drive(initialDrive.toLower())
{
    connect(this, &QComboBox::activated, this, &DriveComboBox::userChose);
}

void DriveComboBox::setDrive(QChar letter)
{
    letter = letter.toLower();
    if (currentIndex() >= 0 && !letter.isNull() && letter == m_drive)
        return;

    m_drive = letter;
    selectItemOf(letter);
    Q_EMIT driveChanged();
}

void DriveComboBox::selectItemOf(QChar letter)
{
    const QSignalBlocker blocker(this);
    if (letter.isNull()) {
        setCurrentIndex(-1);
        return;
    }
    for (int row = 0; row < count(); ++row) {
        const QString caption = itemText(row);
        if (caption.size() >= 2 && caption[0].toLower() == letter && caption[1] == u':') {
            setCurrentIndex(row);
            return;
        }
    }
}

void DriveComboBox::buildInitialList()
{
    const QChar remembered = m_drive;
    rebuildItems();
    setDrive(remembered);
}

void DriveComboBox::updateDriveList()
{
    const QChar remembered = m_drive;
    rebuildItems();
    Q_EMIT driveChanged();
    setDrive(remembered);
}

void DriveComboBox::rebuildItems()
{
    const QSignalBlocker blocker(this);
    clear();
    m_drives.refresh();
    for (const Drive &drive : m_drives.drives()) {
        if (!offeredInSelector(drive))
            continue;
        addItem(QIcon::fromTheme(driveIconName(drive.type)), driveCaption(drive));
    }
    if (m_offersImageFiles)
        addItem(QIcon::fromTheme(u"document-open"_s), ImageFileEntry, ImageFileRole);
    setCurrentIndex(-1);
}

void DriveComboBox::userChose(int index)
{
    if (itemData(index) == ImageFileRole) {
        selectItemOf(m_drive);
        Q_EMIT imageFileRequested();
        return;
    }
    const QString caption = itemText(index);
    if (caption.isEmpty())
        return;
    const QChar letter = caption[0].toLower();
    if (letter != m_drive) {
        m_drive = QChar();
        setDrive(letter);
    }
    Q_EMIT driveChanged();
}
