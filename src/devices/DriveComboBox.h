#pragma once

#include "platform/DriveTable.h"

#include <QComboBox>

// The drive selector: one item per present drive under its caption (and, where offered, one for
// opening a disc image); holds the chosen drive as a
// lower-case letter and reports every change of drive through driveChanged().
class DriveComboBox final : public QComboBox
{
    Q_OBJECT

public:
    DriveComboBox(DriveTable &drives, QChar initialDrive, QWidget *parent = nullptr);

    // Adds "Abbilddatei öffnen…" as the last entry; choosing it asks for imageFileRequested().
    void setOffersImageFiles(bool offers) { m_offersImageFiles = offers; }

    // The selected drive's letter; a null QChar when none is selected.
    QChar drive() const { return m_drive; }
    // Selects the drive of that letter (a null QChar selects none) and reports a change, unless
    // that drive is already selected.
    void setDrive(QChar letter);
    // Builds the list the first time and selects the initial drive: one change report.
    void buildInitialList();
    // Rebuilds the list from the drive table and selects the same drive again: two change reports.
    void updateDriveList();

Q_SIGNALS:
    void driveChanged();
    // The entry for opening a disc image was chosen; the selection stays on the drive before.
    void imageFileRequested();

private:
    void rebuildItems();
    void selectItemOf(QChar letter);
    void userChose(int index);

    DriveTable &m_drives;
    QChar m_drive;
    bool m_offersImageFiles = false;
};
