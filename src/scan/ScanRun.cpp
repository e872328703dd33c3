#include "scan/ScanRun.h"

#include "archive/ArchiveListing.h"
#include "scan/FindFile.h"

using namespace Qt::StringLiterals;

ScanRun::ScanRun(const PathMapper &paths, PlainNotice &notices)
    : m_capture(paths, m_sideTexts, notices)
{}

void ScanRun::reset()
{
    m_capture.reset();
    m_scanList = std::make_shared<const PathListing>();
    m_selection.clear();
    m_shownListing.clear();
}

void ScanRun::list(const PathMapper &paths, const QString &root)
{
    TFindFile finder(paths);
    finder.setRecurse(true);
    finder.setFilter(u"*.*"_s);
    finder.setDirectory(root);
    finder.Execute(paths);
    useListing(finder.listing());
}

void ScanRun::useListing(std::shared_ptr<const PathListing> files)
{
    m_scanList = std::move(files);
    m_capture.useScanList(m_scanList);
}

void ScanRun::select(SelectionOptions options, qint32 lineLimit, ScanObserver &observer)
{
    const int count = int(m_scanList->size());
    // Entries go from the last to the first, so their folders do too.
    qsizetype folder = m_scanList->folderCount() - 1;
    for (int i = count - 1; i >= 0; --i) {
        observer.betweenEntries(options);
        if (observer.stopped())
            return;
        observer.progress(count - i + 1, count);
        while (folder > 0 && m_scanList->firstOf(folder) > i)
            --folder;
        selectEntry(i, m_scanList->folder(folder), options, lineLimit, observer);
    }
}

void ScanRun::selectEntry(qsizetype index, const QString &folder, const SelectionOptions &options,
                          qint32 lineLimit, ScanObserver &observer)
{
    // Most entries are not kept, so their name is read only when one is, and their whole path
    // never made.
    m_scanList->readExtension(index, m_extension);
    QString path;
    bool kept = false;
    for (int test = 0; test < SelectionTestCount; ++test) {
        if (!selectionTestHolds(SelectionTest(test), m_extension, options))
            continue;
        if (!kept) {
            m_scanList->readName(index, m_name);
            path.reserve(folder.size() + m_name.size());
            path.append(folder).append(m_name);
        }
        m_selection.append(path);
        observer.kept(path);
        kept = true;
        if (SelectionTest(test) == SelectionTest::Zip && options.listZipMembers) {
            observer.listingStarted();
            m_capture.attachListing(path, int(m_selection.size()), m_shownListing);
        }
    }
    if (kept && options.listZipMembers && isListedArchiveName(path)) {
        observer.listingStarted();
        m_capture.attachArchiveListing(path, int(m_selection.size()), m_shownListing);
    }
    if (kept && options.captureDescriptions)
        m_capture.captureDescription(path, int(m_selection.size()), options.cutDescriptions,
                                     lineLimit);
}
