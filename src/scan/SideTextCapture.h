#pragma once

#include "scan/DescriptionFinder.h"
#include "scan/SideTextStore.h"

class PlainNotice;

// Attaches the side texts of kept files during a scan: the member listing of an archive and the
// description found beside a file.
class SideTextCapture final
{
public:
    SideTextCapture(const PathMapper &paths, SideTextStore &store, PlainNotice &notices);
    Q_DISABLE_COPY_MOVE(SideTextCapture)

    // Releases every side text of the previous scan and forgets what was read from the disc.
    void reset();
    // The files the scan listed: description candidates are looked up among them.
    void useScanList(std::shared_ptr<const PathListing> files)
    {
        m_finder.takeListing(std::move(files));
    }
    // Lists the archive into `shown` (cleared first; lines stay there when the lister fails) and
    // records them as the listing of the selection position. Throws AppError.
    void attachListing(const QString &path, int position, QStringList &shown);
    // The same for an archive of another format (see isListedArchiveName). A damaged or encrypted
    // archive is reported as a notice; throws AppError only when the file cannot be opened.
    void attachArchiveListing(const QString &path, int position, QStringList &shown);
    // Records the description of the first candidate beside the file, cut to the line limit when
    // asked, unless it is a FILE_ID.DIZ. Throws AppError when the candidate cannot be read.
    void captureDescription(const QString &path, int position, bool cut, qint32 lineLimit);

private:
    void recordListing(int position, const QStringList &lines);

    const PathMapper &m_paths;
    SideTextStore &m_store;
    PlainNotice &m_notices;
    DescriptionFinder m_finder;

    // The files of one directory share their description: it is read once for all of them.
    struct LastDescription
    {
        QByteArray nativePath;
        bool cut = false;
        qint32 lineLimit = 0;
        QString text;
    };
    std::optional<LastDescription> m_last;
};
