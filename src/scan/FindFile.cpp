#include "scan/FindFile.h"

#include "platform/VolumeFiles.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The entries of one directory from a single enumeration, in enumeration order. The buffers are
// reused from directory to directory, so reading a directory allocates nothing in the common case.
class DirectoryListing final
{
public:
    struct Entry
    {
        std::size_t offset;
        std::size_t size;
        VolumeEntryKind kind;
    };

    // False when the directory cannot be opened.
    bool read(const QByteArray &nativeDirectory)
    {
        m_names.clear();
        m_entries.clear();
        return listVolumeDirectory(
            nativeDirectory, [this](QByteArrayView name, VolumeEntryKind kind) {
                m_entries.push_back({m_names.size(), std::size_t(name.size()), kind});
                m_names.append(name.data(), std::size_t(name.size()));
            });
    }

    const std::vector<Entry> &entries() const { return m_entries; }
    QByteArrayView name(const Entry &entry) const
    {
        return QByteArrayView(m_names.data() + entry.offset, qsizetype(entry.size));
    }

private:
    std::string m_names;
    std::vector<Entry> m_entries;
};

bool wildcardMatch(QStringView name, QStringView pattern)
{
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// "*" and "?" wildcards, letter case ignored. A trailing ".*" also matches names without an
// extension, so "*.*" admits every name, dot or not.
class NamePattern final
{
public:
    explicit NamePattern(const QString &pattern)
        : m_pattern(pattern.toCaseFolded()), m_all(pattern == u"*"_s || pattern == u"*.*"_s)
    {}

    bool matches(QByteArrayView nativeName) const
    {
        if (m_all)
            return true;
        const QString name = programName(nativeName).toCaseFolded();
        return wildcardMatch(name, m_pattern) ||
               (m_pattern.endsWith(u".*"_s) && wildcardMatch(name, m_pattern.chopped(2)));
    }

private:
    QString m_pattern;
    bool m_all;
};

bool isPlainAscii(QByteArrayView name)
{
    return std::all_of(name.begin(), name.end(), [](char byte) {
        return static_cast<unsigned char>(byte) < 0x80 && byte != '\\' && byte != ':';
    });
}

// The directory's program path (ending in "\") followed by the decoded name and tail, in one
// allocation. Disc names are nearly always ASCII, which needs no decoding.
QString joinPath(const QString &directory, QByteArrayView name, QStringView tail)
{
    QString path;
    path.reserve(directory.size() + name.size() + tail.size());
    path.append(directory);
    if (isPlainAscii(name))
        path.append(QLatin1StringView(name.data(), name.size()));
    else
        path.append(programName(name));
    path.append(tail);
    return path;
}

QByteArray joinNative(const QByteArray &directory, QByteArrayView name)
{
    QByteArray path;
    path.reserve(directory.size() + name.size() + 1);
    path.append(directory).append(name).append('/');
    return path;
}

} // namespace

TFindFile::TFindFile(const PathMapper &paths, QObject *parent)
    : QObject(parent), m_paths(paths), m_filter(u"*.*"_s),
      m_attributes(ffReadOnly | ffHidden | ffSystem | ffArchive)
{}

void TFindFile::Execute()
{
    Execute(m_paths);
}

void TFindFile::setFiles(const QStringList &files)
{
    m_listing = std::make_shared<PathListing>(PathListing::fromPaths(files));
}

void TFindFile::Execute(const PathMapper &paths)
{
    m_listing = std::make_shared<PathListing>();
    Q_EMIT BeforeExecute(this);
    if (!m_directory.isEmpty())
        walk(paths, m_directory.endsWith(u'\\') ? m_directory : m_directory + u'\\');
    Q_EMIT AfterExecute(this);
}

// Breadth-first over a queue of pending directories. Each directory is enumerated once: the same
// listing queues its subdirectories and then yields its files, which gives the order of a walk
// that enumerates every directory twice.
void TFindFile::walk(const PathMapper &paths, const QString &start)
{
    struct Pending
    {
        QString path;      // program path ending in "\"
        QByteArray native; // ending in "/", empty when the path maps to no readable place
    };
    // Another volume's files are reached through its own letter only.
    const Drive drive = paths.driveOf(start).value_or(Drive());
    QByteArray startNative = paths.toNative(start).value_or(QByteArray());
    if (!startNative.isEmpty() && !startNative.endsWith('/'))
        startNative.append('/');
    if (drive.isOtherVolume(startNative))
        startNative.clear();
    std::deque<Pending> queue;
    queue.push_back({start, startNative});

    const NamePattern pattern(m_filter);
    const bool listDirectories = m_attributes.testFlag(ffDirectory);
    const bool listHidden = m_attributes.testFlag(ffHidden);
    DirectoryListing listing;
    while (!queue.empty()) {
        const Pending current = std::move(queue.front());
        queue.pop_front();
        const bool readable = !current.native.isEmpty() && listing.read(current.native);
        if (readable && m_recurse) {
            for (const DirectoryListing::Entry &entry : listing.entries()) {
                if (entry.kind != VolumeEntryKind::Directory)
                    continue;
                const QByteArrayView name = listing.name(entry);
                QByteArray native = joinNative(current.native, name);
                if (drive.isOtherVolume(native))
                    continue;
                queue.push_back({joinPath(current.path, name, u"\\"), std::move(native)});
            }
        }
        if (m_onNewPath)
            m_onNewPath(*this, current.path, m_abort);
        if (m_abort)
            return;
        if (!readable)
            continue;
        PathListing &files = *m_listing;
        files.beginFolder(current.path);
        for (const DirectoryListing::Entry &entry : listing.entries()) {
            const QByteArrayView name = listing.name(entry);
            if ((!isFileKind(entry.kind) && !listDirectories) ||
                (name.startsWith('.') && !listHidden) || !pattern.matches(name))
                continue;
            if (isPlainAscii(name))
                files.appendAscii(name);
            else
                files.append(programName(name));
        }
    }
}
