#include "scan/ScanRun.h"

#include "scan/FindFile.h"

using namespace Qt::StringLiterals;

ScanRun::ScanRun(const PathMapper &paths, PlainNotice &notices)
    : m_capture(paths, m_sideTexts, notices)
{}

void ScanRun::reset()
{
    m_capture.reset();
    m_scanList.clear();
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
    useListing(finder.files());
}

void ScanRun::useListing(QStringList files)
{
    m_scanList = std::move(files);
    m_capture.useScanList(m_scanList);
}

void ScanRun::select(SelectionOptions options, qint32 lineLimit, ScanObserver &observer)
{
    const int count = int(m_scanList.size());
    for (int i = count - 1; i >= 0; --i) {
        observer.betweenEntries(options);
        if (observer.stopped())
            return;
        observer.progress(count - i + 1, count);
        selectEntry(m_scanList.at(i), options, lineLimit, observer);
    }
}

void ScanRun::selectEntry(const QString &path, const SelectionOptions &options, qint32 lineLimit,
                          ScanObserver &observer)
{
    const QStringView extension = extensionOf(path);
    bool kept = false;
    for (int test = 0; test < SelectionTestCount; ++test) {
        if (!selectionTestHolds(SelectionTest(test), extension, options))
            continue;
        m_selection.append(path);
        observer.kept(path);
        kept = true;
        if (SelectionTest(test) == SelectionTest::Zip && options.listZipMembers) {
            observer.listingStarted();
            m_capture.attachListing(path, int(m_selection.size()), m_shownListing);
        }
    }
    if (kept && options.captureDescriptions)
        m_capture.captureDescription(path, int(m_selection.size()), options.cutDescriptions,
                                     lineLimit);
}
