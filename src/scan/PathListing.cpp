#include "scan/PathListing.h"

#include <algorithm>
#include <cstring>

namespace {

// A name never spans two chunks. A directory entry's name is at most 255 bytes, which decode to at
// most 255 characters, far fewer than a chunk holds.
constexpr quint64 ChunkBytes = quint64(1) << 19;

constexpr int LengthBits = 16;
constexpr quint64 WideFlag = quint64(1) << LengthBits;
constexpr int StartShift = LengthBits + 1;

qsizetype lengthOf(quint64 entry)
{
    return qsizetype(entry & (WideFlag - 1));
}

} // namespace

qsizetype fileNameStart(QStringView path)
{
    for (qsizetype i = path.size(); i > 0; --i) {
        if (path[i - 1] == u'\\' || path[i - 1] == u':')
            return i;
    }
    return 0;
}

void PathListing::beginFolder(const QString &folder)
{
    // A folder without files keeps no row: the next folder takes its place.
    if (!m_folders.empty() && m_folders.back().first == size())
        m_folders.back().path = folder;
    else
        m_folders.push_back({folder, size()});
}

char *PathListing::reserveName(qsizetype bytes, qsizetype length, bool wide)
{
    Q_ASSERT(!m_folders.empty());
    Q_ASSERT(quint64(bytes) <= ChunkBytes && length < qsizetype(WideFlag));
    const quint64 allocated = quint64(m_chunks.size()) * ChunkBytes;
    if (m_poolEnd + quint64(bytes) > allocated) {
        m_poolEnd = allocated;
        m_chunks.push_back(std::make_unique_for_overwrite<char[]>(ChunkBytes));
    }
    const quint64 start = m_poolEnd;
    m_poolEnd += quint64(bytes);
    m_entries.push_back(start << StartShift | (wide ? WideFlag : 0) | quint64(length));
    return m_chunks[start / ChunkBytes].get() + start % ChunkBytes;
}

void PathListing::append(QStringView name)
{
    const bool wide =
        std::any_of(name.begin(), name.end(), [](QChar unit) { return unit.unicode() > 0xff; });
    if (wide) {
        std::memcpy(reserveName(name.size() * 2, name.size(), true), name.utf16(),
                    std::size_t(name.size()) * 2);
        return;
    }
    std::transform(name.begin(), name.end(), reserveName(name.size(), name.size(), false),
                   [](QChar unit) { return char(unit.unicode()); });
}

void PathListing::appendAscii(QByteArrayView name)
{
    std::copy(name.begin(), name.end(), reserveName(name.size(), name.size(), false));
}

void PathListing::clear()
{
    m_folders.clear();
    m_entries.clear();
    m_chunks.clear();
    m_poolEnd = 0;
}

void PathListing::readPart(quint64 entry, qsizetype from, qsizetype to, QString &part) const
{
    part.resize(to - from);
    if (to == from)
        return;
    const quint64 start = entry >> StartShift;
    const char *stored = m_chunks[start / ChunkBytes].get() + start % ChunkBytes;
    if (entry & WideFlag) {
        std::memcpy(part.data(), stored + from * 2, std::size_t(to - from) * 2);
        return;
    }
    std::transform(stored + from, stored + to, part.data(),
                   [](char byte) { return QChar(char16_t(static_cast<unsigned char>(byte))); });
}

void PathListing::readName(qsizetype index, QString &name) const
{
    const quint64 entry = m_entries[index];
    readPart(entry, 0, lengthOf(entry), name);
}

void PathListing::readExtension(qsizetype index, QString &extension) const
{
    const quint64 entry = m_entries[index];
    const qsizetype length = lengthOf(entry);
    const quint64 start = entry >> StartShift;
    const char *stored = m_chunks[start / ChunkBytes].get() + start % ChunkBytes;
    qsizetype dot = length;
    if (entry & WideFlag) {
        for (qsizetype i = length; i > 0 && dot == length; --i) {
            char16_t unit;
            std::memcpy(&unit, stored + (i - 1) * 2, sizeof unit);
            if (unit == u'.')
                dot = i - 1;
        }
    } else if (const void *found =
                   length > 0 ? memrchr(stored, '.', std::size_t(length)) : nullptr) {
        dot = static_cast<const char *>(found) - stored;
    }
    readPart(entry, dot, length, extension);
}

QString PathListing::nameAt(qsizetype index) const
{
    QString name;
    readName(index, name);
    return name;
}

const QString &PathListing::folderAt(qsizetype index) const
{
    // Folders are in the order of their files, so the last one starting at or before the file
    // holds it.
    const auto after =
        std::upper_bound(m_folders.begin(), m_folders.end(), index,
                         [](qsizetype file, const Folder &folder) { return file < folder.first; });
    return std::prev(after)->path;
}

QString PathListing::at(qsizetype index) const
{
    QString name;
    readName(index, name);
    return folderAt(index) + name;
}

qsizetype PathListing::endOf(qsizetype folder) const
{
    return folder + 1 < folderCount() ? m_folders[folder + 1].first : size();
}

PathListing PathListing::fromPaths(const QStringList &paths)
{
    PathListing listing;
    for (const QString &path : paths) {
        const qsizetype nameStart = fileNameStart(path);
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
    for (qsizetype folder = 0; folder < folderCount(); ++folder) {
        QString name;
        for (qsizetype i = firstOf(folder); i < endOf(folder); ++i) {
            readName(i, name);
            paths.append(m_folders[folder].path + name);
        }
    }
    return paths;
}
