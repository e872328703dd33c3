#pragma once

#include "platform/DriveTable.h"

#include <QComboBox>

// The drive selector: one item per present drive under its caption; holds the chosen drive as a
// lower-case letter and reports every change of drive through driveChanged().
class DriveComboBox final : public QComboBox
{
    Q_OBJECT

public:
    DriveComboBox(DriveTable &drives, QChar initialDrive, QWidget *parent = nullptr);

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

private:
    void rebuildItems();
    void selectItemOf(QChar letter);
    void userChose(int index);

    DriveTable &m_drives;
    QChar m_drive;
};
