#include "scan/DescriptionFinder.h"

#include "platform/VolumeFiles.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// All candidate names end in one of these. They are ASCII and no other character folds to their
// letters, so a byte test picks out every entry that could match and spares folding the rest.
bool hasCandidateSuffix(const char *name, std::size_t size)
{
    if (size < 4 || name[size - 4] != '.')
        return false;
    char suffix[3];
    for (int i = 0; i < 3; ++i) {
        const char c = name[size - 3 + i];
        suffix[i] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    return std::memcmp(suffix, "diz", 3) == 0 || std::memcmp(suffix, "inf", 3) == 0 ||
           std::memcmp(suffix, "txt", 3) == 0;
}

bool hasCandidateSuffix(QStringView name)
{
    const auto isSuffix = [&](QStringView suffix) {
        return name.endsWith(suffix, Qt::CaseInsensitive);
    };
    return isSuffix(u".diz") || isSuffix(u".inf") || isSuffix(u".txt");
}

} // namespace

std::optional<DescriptionCandidate> DescriptionFinder::find(const QString &programPath)
{
    const qsizetype nameStart = fileNameStart(programPath);
    const QStringView directory = QStringView(programPath).first(nameStart);
    if (!m_directory || directory != *m_directory)
        readDirectory(directory);
    if (m_entries.empty())
        return std::nullopt;

    const QStringView fileName = QStringView(programPath).sliced(nameStart);
    const QString base = fileName.size() > 4 ? fileName.chopped(4).toString() : QString();
    const QString candidates[] = {u"FILE_ID.DIZ"_s, u"Readme.txt"_s, base + u".inf"_s,
                                  base + u".txt"_s};
    for (std::size_t i = 0; i < std::size(candidates); ++i) {
        if (const Entry *entry = entryFor(candidates[i]))
            return DescriptionCandidate{*m_directory + entry->name,
                                        m_nativeDirectory + entry->nativeName, i == 0};
    }
    return std::nullopt;
}

void DescriptionFinder::takeListing(std::shared_ptr<const PathListing> files)
{
    // Kept as it is until a description is looked for: a scan without descriptions never needs
    // the folders' candidates.
    m_listedFiles = std::move(files);
    m_listing.reset();
}

void DescriptionFinder::indexListing()
{
    m_listing.emplace();
    const PathListing &files = *m_listedFiles;
    QString name;
    for (qsizetype folder = 0; folder < files.folderCount(); ++folder) {
        for (qsizetype i = files.firstOf(folder); i < files.endOf(folder); ++i) {
            files.readName(i, name);
            if (hasCandidateSuffix(name))
                (*m_listing)[files.folder(folder)].append(name);
        }
    }
    m_listedFiles.reset();
}

void DescriptionFinder::clear()
{
    m_listedFiles.reset();
    m_listing.reset();
    m_directory.reset();
    m_nativeDirectory = QByteArray();
    m_entries = {};
}

void DescriptionFinder::readDirectory(QStringView directory)
{
    m_directory = directory.toString();
    m_nativeDirectory.clear();
    m_entries.clear();
    const std::optional<QByteArray> native = m_paths.toNative(*m_directory);
    if (!native)
        return;
    m_nativeDirectory = *native;
    if (!m_nativeDirectory.endsWith('/'))
        m_nativeDirectory.append('/');

    if (m_listedFiles && !m_listing)
        indexListing();
    if (m_listing)
        takeListedEntries();
    else
        readEntries();
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry &a, const Entry &b) {
        return std::tie(a.foldedName, a.nativeName) < std::tie(b.foldedName, b.nativeName);
    });
}

void DescriptionFinder::readEntries()
{
    listVolumeDirectory(m_nativeDirectory, [this](QByteArrayView entry, VolumeEntryKind kind) {
        if (kind != VolumeEntryKind::RegularFile ||
            !hasCandidateSuffix(entry.data(), std::size_t(entry.size())))
            return;
        const QByteArray native = entry.toByteArray();
        QString name = programName(native);
        // Inside an image a listed file is checked once more before it is read.
        m_entries.push_back({name.toCaseFolded(), std::move(name), native,
                             isImagePath(m_nativeDirectory) ? std::nullopt : std::optional(true)});
    });
}

void DescriptionFinder::takeListedEntries()
{
    const auto listed = m_listing->constFind(*m_directory);
    if (listed == m_listing->cend())
        return;
    for (const QString &name : listed.value())
        m_entries.push_back({name.toCaseFolded(), name, nativeName(name), std::nullopt});
}

bool DescriptionFinder::isCheckedRegular(const Entry &entry) const
{
    if (!entry.isRegular)
        entry.isRegular =
            volumePathKind(m_nativeDirectory + entry.nativeName) == VolumeEntryKind::RegularFile;
    return *entry.isRegular;
}

const DescriptionFinder::Entry *DescriptionFinder::entryFor(const QString &candidateName) const
{
    const QString folded = candidateName.toCaseFolded();
    const auto first = std::lower_bound(
        m_entries.begin(), m_entries.end(), folded,
        [](const Entry &entry, const QString &key) { return entry.foldedName < key; });
    const auto last = std::find_if(first, m_entries.end(),
                                   [&](const Entry &entry) { return entry.foldedName != folded; });
    const auto exact = std::find_if(first, last, [&](const Entry &entry) {
        return entry.name == candidateName && isCheckedRegular(entry);
    });
    if (exact != last)
        return &*exact;
    const auto regular =
        std::find_if(first, last, [&](const Entry &entry) { return isCheckedRegular(entry); });
    return regular != last ? &*regular : nullptr;
}
