#pragma once

#include "scan/FileSelection.h"
#include "scan/PathListing.h"
#include "scan/SideTextCapture.h"
#include "scan/SideTextStore.h"

#include <QStringList>

#include <memory>

class PathMapper;
class PlainNotice;

// What a scan reports while it selects, and where the window lets its events run.
class ScanObserver
{
public:
    virtual ~ScanObserver() = default;

    // Before each entry of the scan list: options may be changed for the entries that follow.
    virtual void betweenEntries(SelectionOptions &options) { Q_UNUSED(options) }
    // The entry being looked at, counted from 2 for the first of count entries.
    virtual void progress(int step, int count)
    {
        Q_UNUSED(step)
        Q_UNUSED(count)
    }
    // Whether the scan is to stop before the next entry (the program is asked to end).
    virtual bool stopped() const { return false; }
    // A file was added to the selection list.
    virtual void kept(const QString &path) { Q_UNUSED(path) }
    // An archive listing is about to be made; shownListing() fills with its lines.
    virtual void listingStarted() {}
};

// One scan of a drive: the files below its root, the selection of those whose extension is
// chosen, and the side texts of the selected files. It knows no window: the window shows its
// lists, progress and messages.
class ScanRun final
{
public:
    ScanRun(const PathMapper &paths, PlainNotice &notices);
    Q_DISABLE_COPY_MOVE(ScanRun)

    // Forgets the previous scan and releases its side texts.
    void reset();
    // Lists every file below root ("d:\") breadth-first, through paths.
    void list(const PathMapper &paths, const QString &root);
    // Takes a listing made elsewhere as the scan list.
    void useListing(std::shared_ptr<const PathListing> files);
    const PathListing &scanList() const { return *m_scanList; }

    // Goes through the scan list from its last entry to its first and keeps the files the options
    // select, attaching their side texts. Throws AppError when a side text cannot be read; what
    // was selected before stays.
    void select(SelectionOptions options, qint32 lineLimit, ScanObserver &observer);
    const QStringList &selection() const { return m_selection; }
    const SideTextStore &sideTexts() const { return m_sideTexts; }
    // The lines of the archive listing made last.
    const QStringList &shownListing() const { return m_shownListing; }

private:
    // folder is the one of the scan list that holds the entry.
    void selectEntry(qsizetype index, const QString &folder, const SelectionOptions &options,
                     qint32 lineLimit, ScanObserver &observer);

    SideTextStore m_sideTexts;
    SideTextCapture m_capture;
    std::shared_ptr<const PathListing> m_scanList = std::make_shared<const PathListing>();
    QStringList m_selection;
    QStringList m_shownListing;
    // Of the entry being looked at, reused from entry to entry.
    QString m_name;
    QString m_extension;
};
