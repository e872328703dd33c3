#include "scan/PathListing.h"

#include <algorithm>
#include <limits>

namespace {

// A name never spans two chunks. A directory entry's name is at most 255 bytes, which decode to at
// most 255 characters, far fewer than a chunk holds.
constexpr quint64 ChunkUnits = quint64(1) << 18;

} // namespace

void PathListing::beginFolder(const QString &folder)
{
    // A folder without files keeps no row: the next folder takes its place.
    if (!m_folders.empty() && m_folders.back().first == size())
        m_folders.back().path = folder;
    else
        m_folders.push_back({folder, size()});
}

char16_t *PathListing::reserveName(qsizetype length)
{
    Q_ASSERT(!m_folders.empty());
    const quint64 units = quint64(length);
    Q_ASSERT(units <= ChunkUnits);
    const quint64 allocated = quint64(m_chunks.size()) * ChunkUnits;
    if (m_poolEnd + units > allocated) {
        m_poolEnd = allocated;
        m_chunks.push_back(std::make_unique_for_overwrite<char16_t[]>(ChunkUnits));
    }
    const quint64 start = m_poolEnd;
    m_poolEnd += units;
    m_entries.push_back({quint32(m_folders.size() - 1), quint32(units), start});
    return m_chunks[start / ChunkUnits].get() + start % ChunkUnits;
}

void PathListing::append(QStringView name)
{
    std::copy(name.utf16(), name.utf16() + name.size(), reserveName(name.size()));
}

void PathListing::appendAscii(QByteArrayView name)
{
    std::transform(name.begin(), name.end(), reserveName(name.size()),
                   [](char byte) { return char16_t(static_cast<unsigned char>(byte)); });
}

void PathListing::clear()
{
    m_folders.clear();
    m_entries.clear();
    m_chunks.clear();
    m_poolEnd = 0;
}

QStringView PathListing::nameAt(qsizetype index) const
{
    const Entry &entry = m_entries[index];
    if (entry.length == 0)
        return {};
    return QStringView(m_chunks[entry.start / ChunkUnits].get() + entry.start % ChunkUnits,
                       qsizetype(entry.length));
}

QString PathListing::at(qsizetype index) const
{
    const QString &folder = folderAt(index);
    const QStringView name = nameAt(index);
    QString path;
    path.reserve(folder.size() + name.size());
    path.append(folder).append(name);
    return path;
}

qsizetype PathListing::endOf(qsizetype folder) const
{
    return folder + 1 < folderCount() ? m_folders[folder + 1].first : size();
}

PathListing PathListing::fromPaths(const QStringList &paths)
{
    PathListing listing;
    for (const QString &path : paths) {
        const qsizetype nameStart = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u':')) + 1;
        const QStringView folder = QStringView(path).first(nameStart);
        if (listing.isEmpty() || listing.folderAt(listing.size() - 1) != folder)
            listing.beginFolder(folder.toString());
        listing.append(QStringView(path).sliced(nameStart));
    }
    return listing;
}

QStringList PathListing::toStringList() const
{
    QStringList paths;
    paths.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        paths.append(at(i));
    return paths;
}
