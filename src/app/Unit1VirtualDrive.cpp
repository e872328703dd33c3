// The "Virtual Drive" page and the drive tree: keeping DirTree1 loaded with the selected drive's
// root, showing a stored virtual drive, and storing one at import.

#include "app/SearchAnimation.h"
#include "app/Unit1.h"
#include "devices/DriveComboBox.h"
#include "vdrive/DirTree.h"
#include "vdrive/TreeFile.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QStyle>

using namespace Qt::StringLiterals;

void TForm1::OvGetDriveTree(QChar letter)
{
    // A reload asked for while another one lets events run, or while an import stores the tree,
    // is dropped: the tree must never end with two roots or lose what the import expands.
    if (m_reloadingTree || m_busy.isBusy())
        return;
    m_reloadingTree = true;
    const auto done = qScopeGuard([this] { m_reloadingTree = false; });
    const QString caption = DriveComboBox1->currentText();
    if (letter < u'a' || letter > u'z')
        return;
    DirTree1->SelectDrive(letter);
    DirTree1->LoadDrive(QString(letter) + u":\\"_s, caption);
}

void TForm1::reloadDriveTree(QChar letter)
{
    if (m_reloadingTree || m_busy.isBusy())
        return;
    // Reloads never report anything.
    try {
        DirTree1->ClearTree();
        OvGetDriveTree(letter);
    } catch (const std::exception &) {
    }
}

void TForm1::PageControl1Change()
{
    TL2->clear();
    for (int row = 0; row < TL1->count(); ++row)
        TL2->addItem(TL1->item(row)->text());
    const QString root = Edit2->text();
    reloadDriveTree(root.isEmpty() ? QChar() : root.front());
}

void TForm1::TL2Click()
{
    const QList<QListWidgetItem *> selected = TL2->selectedItems();
    if (selected.isEmpty())
        return;
    const QString file = applicationFile(selected.last()->text() + u".vfs"_s);
    const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
    if (QFileInfo(file).isFile()) {
        LoadTreeFromFile(*TreeView1, file, folder);
        return;
    }
    TreeView1->clear();
    auto *noData = new QTreeWidgetItem(TreeView1);
    noData->setText(0, u"Keine Daten verfügbar. Virtuelles Laufwerk wurde nicht angelegt"_s);
    noData->setIcon(0, folder);
}

void TForm1::storeVirtualDrive(const QString &discName)
{
    DirTree1->show();
    Animate1->play();
    Label1->setText(u"Erzeuge virtuelles Laufwerk"_s);
    processPendingEvents();
    DirTree1->ExpandAll();
    SaveTreeToFile(*DirTree1, applicationFile(discName + u".vfs"_s));
    Animate1->stop();
    DirTree1->ClearTree();
    DirTree1->hide();
}
