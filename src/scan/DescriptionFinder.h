#pragma once

#include "platform/NativePath.h"
#include "scan/PathListing.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// A description file found for a kept file.
struct DescriptionCandidate
{
    QString programPath; // the directory's program path and the name as it is on the disc
    QByteArray nativePath;
    bool isFileIdDiz = false; // such descriptions are never cut
};

// Finds the description file beside a kept file: the first regular file among FILE_ID.DIZ,
// Readme.txt, and the kept file's name less its last four characters followed by ".inf" and by
// ".txt". Names match whatever their letter case; when several entries match one candidate, the
// one spelt exactly wins, else the one whose name sorts first byte by byte.
// A scan asks for the files of one directory in a row, so the finder keeps what it needs of the
// last directory's listing and reads each directory once per visit.
class DescriptionFinder final
{
public:
    explicit DescriptionFinder(const PathMapper &paths) : m_paths(paths) {}
    Q_DISABLE_COPY_MOVE(DescriptionFinder)

    // Empty when no candidate exists, also when the directory cannot be read.
    std::optional<DescriptionCandidate> find(const QString &programPath);
    // Takes the names of a scan list (program paths of every file of the disc) as the directories'
    // contents, so that no directory is read a second time; each candidate is still checked to be
    // a regular file.
    void takeListing(std::shared_ptr<const PathListing> files);
    // Forgets the kept listing, so that a new scan sees the directories as they are now.
    void clear();

private:
    struct Entry
    {
        QString foldedName;
        QString name;
        QByteArray nativeName;
        // Whether it is a regular file; names taken from the listing are checked only once they
        // match, since most never do.
        mutable std::optional<bool> isRegular;
    };

    void indexListing();
    void readDirectory(QStringView directory);
    void readEntries();
    void takeListedEntries();
    const Entry *entryFor(const QString &candidateName) const;
    bool isCheckedRegular(const Entry &entry) const;

    const PathMapper &m_paths;
    std::shared_ptr<const PathListing> m_listedFiles; // the scan list taken, until it is indexed
    std::optional<QHash<QString, QStringList>>
        m_listing;                      // directory -> names with a candidate suffix
    std::optional<QString> m_directory; // program path ending in "\" or ":"
    QByteArray m_nativeDirectory;       // ending in "/"
    std::vector<Entry> m_entries;       // only possible candidates, by folded then native name
};
