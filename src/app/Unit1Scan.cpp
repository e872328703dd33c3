// "Scan Drive": lists the chosen drive, keeps the files whose extension is selected and attaches
// their side texts; and the click on the selection list that shows them.

#include "app/ListingModel.h"
#include "app/PathListModel.h"
#include "app/RunBeside.h"
#include "app/SearchAnimation.h"
#include "app/Unit1.h"
#include "base/AppError.h"
#include "base/BusyCursor.h"
#include "base/FreedMemory.h"
#include "base/UpperAscii.h"
#include "devices/DriveComboBox.h"
#include "devices/MountWatcher.h"
#include "scan/FindFile.h"
#include "scan/MSysInfo.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

void TForm1::processPendingEvents()
{
    // Each announcement of new rows makes the list lay out all of its rows again, so rows are
    // announced a few times a second rather than at every pass.
    if (m_rowsDue.hasExpired()) {
        m_selection->publish();
        m_rowsDue.setRemainingTime(RowsInterval);
    }
    if (m_listingPending)
        showPendingListing();
    QCoreApplication::processEvents();
    m_eventsDue.setRemainingTime(EventInterval);
}

bool TForm1::processPendingEventsWhenDue()
{
    // A pass of the event loop costs far more than one entry, so entries let events run once
    // the interval has passed: the window answers within a few milliseconds either way.
    if (!m_eventsDue.hasExpired())
        return false;
    processPendingEvents();
    return true;
}

void TForm1::showPendingListing()
{
    // The listing box only shows the latest listing, so it is filled when it can be seen.
    Memo3->setPlainText(m_scan.shownListing().join(u'\n'));
    m_listingPending = false;
}

void TForm1::setProgressRange(int maximum)
{
    if (maximum < 0)
        throw AppError(u"Eigenschaft TProgressBar außerhalb des gültigen Bereichs"_s);
    PB1->setRange(0, maximum);
}

void TForm1::setProgressPosition(int position)
{
    // A position beyond the end shows a full bar. The bar is only told of positions it draws
    // differently: every change makes it format its percentage text anew.
    const int clamped = std::clamp(position, PB1->minimum(), PB1->maximum());
    const qint64 span = std::max(1, PB1->maximum() - PB1->minimum());
    const auto drawnLength = [&](int value) {
        return qint64(value - PB1->minimum()) * PB1->width() / span;
    };
    if (clamped == PB1->maximum() || drawnLength(clamped) != drawnLength(PB1->value()))
        PB1->setValue(clamped);
}

void TForm1::runFinder()
{
    // The listing runs beside the window so that it keeps drawing, and the search animation
    // keeps playing, while a slow disc is read; the busy mark refuses input meanwhile. It reads
    // the drives as they are now, never the table the window thread updates meanwhile.
    const DriveSnapshot drives(m_environment.drives->drives());
    const PathMapper paths(drives);
    // A request to end stops the listing at its next folder.
    FF1->setOnNewPath(
        [this](TFindFile &, const QString &, bool &abort) { abort = abort || m_endRequested; });
    runBeside([&] { FF1->Execute(paths); });
}

// Shows the selection as it grows and lets window events run between entries.
class TForm1::ScanProgress final : public ScanObserver
{
public:
    explicit ScanProgress(TForm1 &form) : m_form(form) {}

    void betweenEntries(SelectionOptions &options) override
    {
        // Options change only while events run, so they are read again after each pass.
        if (m_form.processPendingEventsWhenDue())
            options = m_form.readSelectionOptions();
    }
    void progress(int step, int) override { m_form.setProgressPosition(step); }
    void kept(const QString &path) override { m_form.m_selection->append(path); }
    void listingStarted() override { m_form.m_listingPending = true; }
    bool stopped() const override { return m_form.m_endRequested; }

private:
    TForm1 &m_form;
};

void TForm1::jep1Click()
{
    if (m_busy.isBusy())
        return;
    // Released after the busy mark, so that what changed meanwhile reloads the drive tree too.
    const MountChangesHeld mountsHeld(m_mountWatcher);
    BusyState::Scope busy(m_busy);
    const BusyCursor cursor;
    DriveComboBox1->setEnabled(false);
    const auto finish = qScopeGuard([this] {
        m_selection->publish();
        if (m_listingPending)
            showPendingListing();
        DriveComboBox1->setEnabled(true);
    });

    db1->setEnabled(false);
    m_scan.reset();
    Memo3->clear();
    Memo2->clear();
    Memo1->clear();

    const std::optional<qint32> lineLimit = parseLineLimit(Edit4->text());
    if (!lineLimit)
        Edit4->setText(u"40"_s);

    Label1->setText(u"Scanne das Laufwerk"_s);
    processPendingEvents();
    m_scanList->clear();
    m_selection->clear();
    // The last scan's listing goes before the next one is made, and its memory back to the system.
    FF1->setFiles({});
    releaseFreedMemory();

    setProgressRange(int(MS1->diDiskCount()) - 1);
    PB1->setValue(0);
    FF1->setFilter(u"*.*"_s);
    Animate1->play();
    // A medium the desktop did not mount is mounted now; its arrival is reported when the scan
    // ends, as any mount change during a scan.
    mountMediumIn(DriveComboBox1->drive());
    FF1->setDirectory(Edit2->text());
    runFinder();
    // Asked to end meanwhile, the scan stops with the listing.
    if (m_endRequested) {
        Animate1->stop();
        return;
    }
    m_scanList->setListing(FF1->listing());
    m_scan.useListing(FF1->listing());

    PB1->setValue(0);
    Animate1->stop();
    Label1->setText(u"Durchsuche Ergebnismenge"_s);
    PB1->setValue(0);
    const int count = m_scanList->count();
    setProgressRange(count - 1);
    processPendingEvents();

    ScanProgress progress(*this);
    m_scan.select(readSelectionOptions(), lineLimit.value_or(40), progress);

    m_listingPending = false;
    Memo3->clear();
    PB1->setValue(0);
    Label1->setText(u" "_s);
    db1->setEnabled(true);
}

SelectionOptions TForm1::readSelectionOptions() const
{
    SelectionOptions options;
    const QCheckBox *const testBoxes[] = {cb1, cb2, cb3, cb4, cb8, cb9, cb10};
    for (int test = 0; test < SelectionTestCount; ++test)
        options.enabled[test] = testBoxes[test]->isChecked();
    options.upperFilter1 = upperAscii(Edit1->text());
    options.upperFilter2 = upperAscii(Edit3->text());
    options.listZipMembers = cb7->isChecked();
    options.captureDescriptions = cb5->isChecked();
    options.cutDescriptions = cb6->isChecked();
    return options;
}

void TForm1::ListBox2Click()
{
    const int position = ListBox2->currentIndex().row() + 1;
    const auto linesOf = [&](SideTextStore::Kind kind) {
        const SideTextStore::SideText *sideText =
            m_scan.sideTexts().find(SideTextStore::nameOf(kind, position));
        return sideText ? sideText->lines().join(u'\n') : QString();
    };
    Memo1->setPlainText(linesOf(SideTextStore::Kind::Description));
    Memo3->setPlainText(linesOf(SideTextStore::Kind::Listing));
}
