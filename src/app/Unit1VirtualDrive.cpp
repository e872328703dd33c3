// The "Virtual Drive" page and the drive tree: keeping DirTree1 loaded with the selected drive's
// root, showing a stored virtual drive, and storing one at import.

#include "app/RunBeside.h"
#include "app/SearchAnimation.h"
#include "app/Unit1.h"
#include "base/AppError.h"
#include "base/FullStop.h"
#include "devices/DriveComboBox.h"
#include "platform/DialogService.h"
#include "vdrive/DirTree.h"
#include "vdrive/DiscTrees.h"
#include "vdrive/TreeFile.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableView>
#include <QTabWidget>

#include <utility>

using namespace Qt::StringLiterals;

void TForm1::OvGetDriveTree(QChar letter)
{
    // While an import stores the tree nothing may reload or clear it.
    if (m_busy.isBusy())
        return;
    // A reload asked for while another one lets events run is kept, the newest only, and runs
    // when that one ends: the tree must end with the root of the drive asked for last, and never
    // with two roots.
    if (m_reloadingTree) {
        m_pendingReload = letter;
        return;
    }
    m_reloadingTree = true;
    const auto done = qScopeGuard([this] {
        m_reloadingTree = false;
        m_pendingReload.reset();
    });
    loadDriveRoot(letter);
    while (const std::optional<QChar> next = std::exchange(m_pendingReload, std::nullopt)) {
        DirTree1->ClearTree();
        loadDriveRoot(*next);
    }
}

void TForm1::loadDriveRoot(QChar letter)
{
    const QString caption = DriveComboBox1->currentText();
    if (letter < u'a' || letter > u'z')
        return;
    DirTree1->SelectDrive(letter);
    DirTree1->LoadDrive(QString(letter) + u":\\"_s, caption);
}

void TForm1::reloadDriveTree(QChar letter)
{
    if (m_busy.isBusy())
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
    // Leaving the browse page posts what was typed there; a refused post goes back to it.
    const int browsePage = PageControl1->indexOf(RxDBGrid1->parentWidget());
    if (PageControl1->currentIndex() != browsePage) {
        try {
            leaveShownRecord();
        } catch (const AppError &) {
            const QSignalBlocker staying(PageControl1);
            PageControl1->setCurrentIndex(browsePage);
            throw;
        }
    }
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
    const std::optional<QByteArray> stored = DiscTrees(catalogue()).read(selected.last()->text());
    const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
    if (stored) {
        LoadTreeFromText(*TreeView1, *stored, folder);
        return;
    }
    TreeView1->clear();
    auto *noData = new QTreeWidgetItem(TreeView1);
    noData->setText(0, u"Keine Daten verfügbar. Virtuelles Laufwerk wurde nicht angelegt"_s);
    noData->setIcon(0, folder);
}

bool TForm1::virtualDriveKeepable(const QString &discName)
{
    const DiscTrees trees(catalogue());
    if (!cb20->isChecked() || trees.canKeep(discName))
        return true;
    m_environment.dialogs->errorReport(
        withFullStop(u"%1 kann nicht erstellt werden"_s.arg(trees.placeOf(discName))));
    return false;
}

QByteArray TForm1::virtualDriveText(const QString &discName)
{
    // However the step ends, the drive tree is empty again and the animation stopped.
    const auto tidy = qScopeGuard([this] {
        Animate1->stop();
        DirTree1->ClearTree();
    });
    Animate1->play();
    Label1->setText(u"Erzeuge virtuelles Laufwerk"_s);
    processPendingEvents();
    // The drive's complete tree is read beside the window, from the drives as they are now.
    const DiscTrees trees(catalogue());
    const DriveSnapshot drives(m_environment.drives->drives());
    const QString root = Edit2->text();
    const QString caption = DriveComboBox1->currentText();
    QByteArray text;
    runBeside([&] { text = trees.treeText(discName, drives, root, caption); });
    return text;
}
