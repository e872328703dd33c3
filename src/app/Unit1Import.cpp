// "In Datenbank einfügen": names the scanned disc and writes one catalogue record per entry of
// the selection list, with the side texts the options ask for.

#include "app/BusyCursor.h"
#include "app/HandlerGuard.h"
#include "app/PathListModel.h"
#include "app/Unit1.h"
#include "base/AppError.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/CatalogueTable.h"
#include "catalogue/DiscName.h"
#include "devices/DriveComboBox.h"
#include "devices/MountWatcher.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {

const QString TableMissing = u"Konnte Datenbank CD.DB nicht öffnen. (oder finden?)"_s;
const QString RecordRejected =
    u"Fehler. Entweder wurden diese Daten bereits importiert, BDE ist falsch konfiguriert oder die "
    u"Datenbank ist fehlerhaft."_s;

} // namespace

void TForm1::endImport(bool reportClosedQuery)
{
    jep1->setEnabled(true);
    db1->setEnabled(false);
    // The browse view is reopened after every import, also when it was closed before it.
    if (reportClosedQuery) {
        openQuery();
        return;
    }
    try {
        openQuery();
    } catch (const AppError &) {
        // The catalogue is gone, which its warning has just said.
    }
}

namespace {

// While an import runs, the other pages cannot be chosen, so that nothing on them reads or
// resets what the import is changing.
void setOtherPagesEnabled(QTabWidget *pages, bool enabled)
{
    for (int index = 0; index < pages->count(); ++index) {
        if (index != pages->currentIndex())
            pages->setTabEnabled(index, enabled);
    }
}

} // namespace

void TForm1::db1Click()
{
    if (m_reloadingTree || m_busy.isBusy())
        return;
    // Released after the busy mark, so that what changed meanwhile reloads the drive tree too.
    const MountChangesHeld mountsHeld(m_mountWatcher);
    BusyState::Scope busy(m_busy);
    const std::optional<QString> discName =
        m_environment.dialogs->askDiscName(proposedDiscName(DriveComboBox1->currentText()));
    if (!discName)
        return;

    const BusyCursor cursor;
    m_importRunning = true;
    DriveComboBox1->setEnabled(false);
    setOtherPagesEnabled(PageControl1, false);
    const auto unlock = qScopeGuard([this] {
        m_importRunning = false;
        DriveComboBox1->setEnabled(true);
        setOtherPagesEnabled(PageControl1, true);
    });
    Label1->setText(u"Füge Daten in Datenbank ein"_s);
    closeQuery();
    jep1->setEnabled(false);
    processPendingEvents();

    QString tableName = locateCatalogue(m_environment.applicationDirectory);
    if (tableName.isEmpty())
        tableName = applicationFile(u"CD.db"_s);
    CatalogueTable table(tableName);
    try {
        table.open();
    } catch (const AppError &) {
        m_environment.dialogs->warning(TableMissing);
        endImport(false);
        return;
    }
    try {
        table.edit();
    } catch (const AppError &error) {
        // A catalogue that cannot be changed must not leave the window without its scan button
        // and browse view: report the engine's message and end as after a rejected record.
        m_environment.dialogs->errorReport(withFullStop(error.message()));
        table.close();
        endImport(true);
        return;
    }

    // With both options the side texts are stored as the lines they show, each ended by CR LF.
    const bool descriptions = cb5->isChecked();
    const bool listings = cb7->isChecked();
    const auto fieldText = [&](SideTextStore::Kind kind, bool wanted, int position) -> FieldValue {
        const SideTextStore::SideText *sideText =
            wanted ? m_sideTexts.find(SideTextStore::nameOf(kind, position)) : nullptr;
        if (!sideText)
            return std::nullopt;
        if (!(descriptions && listings))
            return sideText->text;
        QString text;
        for (const QString &line : sideText->lines())
            text += line + u"\r\n"_s;
        return text;
    };

    // A record the catalogue rejects, or an engine fault such as a full disk, ends the import
    // with every record before it stored.
    const QStringList &selection = m_selection->items();
    const qsizetype stored = table.append(selection.size(), [&](qsizetype index) {
        const int position = int(index) + 1;
        return CatalogueRecord{std::nullopt, *discName, selection[index],
                               fieldText(SideTextStore::Kind::Description, descriptions, position),
                               fieldText(SideTextStore::Kind::Listing, listings, position)};
    });
    table.close();
    if (stored < selection.size()) {
        m_environment.dialogs->warning(RecordRejected);
        endImport(true);
        return;
    }

    // The records are stored whatever becomes of the tree: the window ends the import as usual
    // and lists the disc before the failure is reported.
    std::optional<AppError> treeFailure;
    if (cb20->isChecked()) {
        try {
            storeVirtualDrive(*discName);
        } catch (const AppError &error) {
            treeFailure = error;
        }
    }
    endImport(true);
    TL1->addItem(*discName);
    Label1->setText(u" "_s);
    if (treeFailure)
        throw *treeFailure;
}
