// "In Datenbank einfügen": names the scanned disc and writes one catalogue record per entry of
// the selection list, with the side texts the options ask for.

#include "app/HandlerGuard.h"
#include "app/Unit1.h"
#include "base/AppError.h"
#include "base/BusyCursor.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/DiscChanges.h"
#include "catalogue/DiscName.h"
#include "catalogue/ImportRun.h"
#include "devices/DriveComboBox.h"
#include "devices/MountWatcher.h"
#include "platform/DialogService.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {

// How long an import waits for a catalogue that another import or program holds.
constexpr qint64 CatalogueWaitMs = 60'000;

const QString Importing = u"Füge Daten in Datenbank ein"_s;
const QString Waiting =
    u"Warte auf die Datenbank, die ein anderer Import oder ein anderes Programm gerade benutzt"_s;
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
    const std::optional<bool> replacing = replaceChosen(*discName);
    if (!replacing)
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
    Label1->setText(Importing);
    leaveShownRecord();
    closeQuery();
    jep1->setEnabled(false);
    processPendingEvents();
    // A disc name that cannot name its tree file stops the import before anything is stored.
    if (!virtualDriveKeepable(*discName)) {
        endImport(true);
        return;
    }

    const ImportRun import(m_scan.selection(), m_scan.sideTexts(), cb5->isChecked(),
                           cb7->isChecked());
    ImportSteps steps;
    if (cb20->isChecked())
        steps.tree = [&] { return virtualDriveText(*discName); };
    steps.waiting = catalogueWait();
    const ImportOutcome outcome = *replacing ? import.replacing(catalogue(), *discName, steps)
                                             : import.into(catalogue(), *discName, steps);
    if (Label1->text() == Waiting)
        Label1->setText(Importing);
    // Asked to end meanwhile, an import that stored nothing ends without a word.
    if (m_endRequested && outcome.result != ImportOutcome::Result::Done) {
        endImport(true);
        return;
    }
    switch (outcome.result) {
    case ImportOutcome::Result::Done:
        break;
    case ImportOutcome::Result::CatalogueMissing:
        m_environment.dialogs->warning(TableMissing);
        endImport(false);
        return;
    case ImportOutcome::Result::NotWritable:
        // A catalogue that cannot be changed must not leave the window without its scan button
        // and browse view: report the engine's message and end as after a rejected record.
        m_environment.dialogs->errorReport(withFullStop(outcome.message));
        endImport(true);
        return;
    case ImportOutcome::Result::RecordRejected:
        m_environment.dialogs->warning(RecordRejected);
        endImport(true);
        return;
    case ImportOutcome::Result::ConnectionLost:
    case ImportOutcome::Result::Locked:
    case ImportOutcome::Result::TreeFailed:
        m_environment.dialogs->errorReport(withFullStop(outcome.message));
        endImport(true);
        return;
    }

    // The records and the tree are stored: the disc is listed before anything that failed
    // afterwards is reported, so that nobody imports it twice.
    endImport(true);
    // A replaced disc keeps its one place in the list.
    if (!*replacing ||
        TL1->findItems(*discName, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
        TL1->addItem(*discName);
    Label1->setText(*replacing ? outcome.changes.summary() : u" "_s);
    if (!outcome.failureAfterCommit.isEmpty() && !m_endRequested)
        throw AppError(outcome.failureAfterCommit);
}

std::function<bool()> TForm1::catalogueWait()
{
    // The window keeps drawing while it waits, and says what it waits for.
    return waitingUpTo(CatalogueWaitMs, [this] {
        Label1->setText(Waiting);
        processPendingEvents();
        return !m_endRequested;
    });
}

std::optional<bool> TForm1::replaceChosen(const QString &discName)
{
    bool catalogued = false;
    try {
        catalogued = catalogueHoldsDisc(catalogue(), discName);
    } catch (const AppError &) {
        // A catalogue that cannot be read is the import's to report.
    }
    if (!catalogued)
        return false;
    switch (m_environment.dialogs->askReplaceDisc(discName)) {
    case DialogService::ReplaceAnswer::Replace:
        return true;
    case DialogService::ReplaceAnswer::Add:
        return false;
    case DialogService::ReplaceAnswer::Cancel:
        break;
    }
    return std::nullopt;
}
