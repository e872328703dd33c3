#include "catalogue/SearchIndex.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/SearchIndexBuild.h"
#include "catalogue/SearchIndexWorker.h"
#include "catalogue/SqliteDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

#include <limits>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// How long a write's update waits for a worker that is adding to the index: mostly a few
// milliseconds, and the window waits meanwhile.
constexpr int IndexWaitMs = 250;

void runOnce(const SearchIndex &index,
             SearchIndexBuild::Outcome (*work)(const QString &, const QString &,
                                               const std::atomic<bool> &,
                                               const SearchIndexBuild::Progress &),
             const SearchIndexBuild::Progress &progress)
{
    const std::atomic<bool> neverCancelled{false};
    if (work(index.catalogueFile(), index.fileName(), neverCancelled, progress) ==
        SearchIndexBuild::Outcome::GaveUp) {
        throw AppError(u"Suchindex %1 kann jetzt nicht erneuert werden: Die Datenbank wird "
                       u"gerade geschrieben"_s.arg(QDir::toNativeSeparators(index.fileName())));
    }
}

} // namespace

SearchIndex::SearchIndex(QString catalogueFile, QString fileName)
    : m_catalogueFile(std::move(catalogueFile)), m_fileName(std::move(fileName))
{}

SearchIndex SearchIndex::forCatalogue(const QString &catalogueFile)
{
    // Named after the catalogue, so that two catalogues in one folder never share an index.
    const QFileInfo catalogue(catalogueFile);
    return SearchIndex(catalogue.absoluteFilePath(),
                       catalogue.absoluteDir().filePath(catalogue.completeBaseName() + u".idx"_s));
}

bool SearchIndex::isFresh() const
{
    const Condition now = condition();
    return now == Condition::Behind || now == Condition::Current;
}

SearchIndex::Condition SearchIndex::condition() const
{
    if (!QFileInfo::exists(m_fileName))
        return Condition::Missing;
    try {
        const SqliteDatabase catalogue(m_catalogueFile, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        if (!attachTo(catalogue.handle()))
            return Condition::Stale;
        const SqliteTransaction read(catalogue.handle(), "BEGIN");
        const std::optional<qint64> covered = coveredKey(catalogue.handle());
        if (!covered)
            return Condition::Stale;
        const std::optional<CatalogueState> now =
            SearchIndexFile::catalogueState(catalogue.handle(), "main");
        return now && now->lastKey > *covered ? Condition::Behind : Condition::Current;
    } catch (const AppError &) {
        return Condition::Stale;
    }
}

void SearchIndex::rebuild(const SearchIndexBuild::Progress &progress) const
{
    runOnce(*this, &SearchIndexBuild::rebuild, progress);
}

void SearchIndex::update(const SearchIndexBuild::Progress &progress) const
{
    runOnce(*this, &SearchIndexBuild::bringUpToDate, progress);
}

void SearchIndex::updateInBackground() const
{
    SearchIndexWorker::request(m_catalogueFile, m_fileName);
}

void SearchIndex::waitForBackground() const
{
    SearchIndexWorker::wait(m_fileName);
}

bool SearchIndex::attachTo(sqlite3 *connection) const
{
    if (!QFileInfo::exists(m_fileName))
        return false;
    // Read-only, so that a search never creates the file or rolls back another's journal in it.
    QUrl uri = QUrl::fromLocalFile(m_fileName);
    uri.setQuery(u"mode=ro"_s);
    try {
        SqliteStatement attach(connection, "ATTACH DATABASE ? AS idx");
        attach.bind(1, uri.toString(QUrl::FullyEncoded));
        attach.step();
        return true;
    } catch (const AppError &) {
        return false;
    }
}

std::optional<qint64> SearchIndex::coveredKey(sqlite3 *connection)
{
    const std::optional<IndexState> index = SearchIndexFile::indexState(connection, "idx");
    if (!index)
        return std::nullopt;
    const std::optional<CatalogueState> catalogue =
        SearchIndexFile::catalogueState(connection, "main");
    if (!catalogue || catalogue->fingerprint != index->fingerprint)
        return std::nullopt;
    return index->coveredKey;
}

QString SearchIndex::candidateSource()
{
    // CROSS JOIN keeps the index the outer loop: it yields the keys in order, so a batch stops
    // after its rows instead of testing the pattern on the whole table.
    return u"idx.trigrams AS hit CROSS JOIN CD ON CD.rowid = hit.rowid AND "
           u"hit.trigrams MATCH :terms"_s;
}

SearchIndexUpdate::SearchIndexUpdate(const QString &catalogueFile)
    : m_index(SearchIndex::forCatalogue(catalogueFile))
{
    // Without an index there is nothing to carry, and nothing need be read; a catalogue on a
    // server keeps its own.
    if (!QFileInfo::exists(m_index.fileName()))
        return;
    try {
        const SqliteDatabase catalogue(m_index.catalogueFile(), SQLITE_OPEN_READONLY);
        m_before = SearchIndexFile::lockedCatalogueState(catalogue);
    } catch (const AppError &) {
        // Then the write is not carried, and the index goes stale.
    }
}

void SearchIndexUpdate::pathChanged(qint64 key, const FieldValue &path)
{
    m_paths.emplace_back(key, path);
}

void SearchIndexUpdate::recordDeleted(qint64 key)
{
    m_deleted.push_back(key);
}

void SearchIndexUpdate::finish()
{
    if (!m_before)
        return;
    const CatalogueState before = *std::exchange(m_before, std::nullopt);
    try {
        const SqliteDatabase catalogue(m_index.catalogueFile(), SQLITE_OPEN_READONLY);
        const std::optional<CatalogueState> after =
            SearchIndexFile::lockedCatalogueState(catalogue);
        if (!after || after->fingerprint == before.fingerprint ||
            !before.fingerprint.followedByOneCommit(after->fingerprint))
            return;
        // At the highest key SQLite picks keys at random, maybe below those indexed.
        if (m_appended && before.lastKey == std::numeric_limits<qint64>::max())
            return;
        const SqliteDatabase index(m_index.fileName(), SQLITE_OPEN_READWRITE);
        index.setBusyTimeout(IndexWaitMs);
        SqliteTransaction write(index.handle(), "BEGIN IMMEDIATE");
        if (SearchIndexFile::hasMoved(index))
            return;
        const std::optional<IndexState> held = SearchIndexFile::indexState(index.handle(), "main");
        if (!held || held->fingerprint != before.fingerprint)
            return;
        // The table holds no key above the highest one before the write, so appended records
        // join the part a search scans; a worker adds them to the table later.
        const qint64 covered =
            m_appended ? std::min(held->coveredKey, before.lastKey) : held->coveredKey;
        SqliteStatement remove(index, "DELETE FROM trigrams WHERE rowid = ?");
        SqliteStatement insert(index, "INSERT INTO trigrams (rowid, name) VALUES (?, upper(?))");
        for (const qint64 key : m_deleted) {
            if (key <= covered) {
                remove.bind(1, key);
                remove.step();
            }
        }
        for (const auto &[key, path] : m_paths) {
            if (key > covered)
                continue;
            remove.bind(1, key);
            remove.step();
            if (path) {
                insert.bind(1, key);
                insert.bind(2, *path);
                insert.step();
            }
        }
        SearchIndexFile::writeIndexState(index, {after->fingerprint, covered});
        write.commit();
    } catch (const AppError &) {
        // The index stays as it was and so no longer matches: a later search rebuilds it.
    }
}
