#include "catalogue/SearchIndexBuild.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/SearchIndexFile.h"
#include "catalogue/SqliteDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;
using namespace SearchIndexFile;
using Outcome = SearchIndexBuild::Outcome;
using Progress = SearchIndexBuild::Progress;

namespace {

// Records read per read transaction: the lock is held for a few milliseconds, and the trigrams
// are added after it is released.
constexpr int ChunkRecords = 10'000;
// How long the exclusive lock on the old index may take before a rename gives up: readers hold
// it only while they read a batch.
constexpr int ReplaceWaitMs = 2'000;
// SQLite's page cache for adding to a live index, in KiB: large enough that no page reaches the
// file before the commit, so that readers of the index are not shut out meanwhile.
constexpr int AppendCacheKiB = 256 * 1024;

bool isBusy(const CatalogueFailure &failure)
{
    const int code = failure.resultCode() & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

struct Name
{
    qint64 key;
    QByteArray upper;
};

// The upper-cased paths of the records with keys from first up to the state's last key, at most
// a chunk; nullopt when the catalogue is being written or is no longer in that state.
std::optional<std::vector<Name>> readChunk(const SqliteDatabase &catalogue,
                                           const CatalogueState &state, qint64 first)
{
    try {
        const SqliteTransaction read(catalogue.handle(), "BEGIN");
        const std::optional<CatalogueState> now = catalogueState(catalogue.handle(), "main");
        if (!now || now->fingerprint != state.fingerprint ||
            beingWritten(catalogue.handle(), "main"))
            return std::nullopt;
        SqliteStatement select(catalogue,
                               "SELECT rowid, upper(DATEI) FROM CD WHERE rowid >= ? AND "
                               "rowid <= ? AND DATEI IS NOT NULL ORDER BY rowid LIMIT ?");
        select.bind(1, first);
        select.bind(2, state.lastKey);
        select.bind(3, qint64(ChunkRecords));
        std::vector<Name> names;
        names.reserve(ChunkRecords);
        while (select.step()) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(select.value(1)));
            names.push_back(
                {select.integer(0), QByteArray(text, sqlite3_value_bytes(select.value(1)))});
        }
        return names;
    } catch (const CatalogueFailure &failure) {
        if (isBusy(failure))
            return std::nullopt;
        throw;
    }
}

// How far the keys read have come from the first one read towards the last one: keys are
// numbered on, so this tracks the records without counting them first.
int percentReached(qint64 firstRead, qint64 reached, qint64 last)
{
    if (reached >= last)
        return 100;
    return int(100.0 * double(reached - firstRead) / double(last - firstRead));
}

// Adds the names of the records with keys from first to the state's last key to the index's
// table, inside the caller's transaction on the index. False when it gave up.
bool addNames(const SqliteDatabase &catalogue, const CatalogueState &state, qint64 first,
              const SqliteDatabase &index, const std::atomic<bool> &cancel,
              const Progress &progress)
{
    SqliteStatement insert(index, "INSERT INTO trigrams (rowid, name) VALUES (?, ?)");
    std::optional<qint64> firstRead;
    for (;;) {
        if (cancel)
            return false;
        const std::optional<std::vector<Name>> names = readChunk(catalogue, state, first);
        if (!names)
            return false;
        for (const Name &name : *names) {
            insert.bind(1, name.key);
            insert.bind(2, name.upper);
            insert.step();
        }
        if (int(names->size()) < ChunkRecords || names->back().key == state.lastKey) {
            if (progress)
                progress(100);
            return true;
        }
        if (progress) {
            firstRead = firstRead.value_or(names->front().key);
            progress(percentReached(*firstRead, names->back().key, state.lastKey));
        }
        first = names->back().key + 1;
    }
}

// The catalogue's state read in a short transaction; nullopt when it is being written or busy.
std::optional<CatalogueState> readableState(const SqliteDatabase &catalogue)
{
    try {
        const SqliteTransaction read(catalogue.handle(), "BEGIN");
        const std::optional<CatalogueState> state = catalogueState(catalogue.handle(), "main");
        if (!state) {
            throw AppError(
                u"Zu %1 kann kein Suchindex angelegt werden"_s.arg(QDir::toNativeSeparators(
                    QString::fromUtf8(sqlite3_db_filename(catalogue.handle(), "main")))));
        }
        if (beingWritten(catalogue.handle(), "main"))
            return std::nullopt;
        return state;
    } catch (const CatalogueFailure &failure) {
        if (isBusy(failure))
            return std::nullopt;
        throw;
    }
}

// Adds the records appended since the index last matched. nullopt when the index does not match
// the catalogue or cannot be used at all: only a rebuild helps then.
std::optional<Outcome> addAppended(const QString &catalogueFile, const QString &indexFile,
                                   const std::atomic<bool> &cancel, const Progress &progress)
{
    if (!QFileInfo::exists(indexFile))
        return std::nullopt;
    const SqliteDatabase catalogue(catalogueFile, SQLITE_OPEN_READONLY);
    try {
        const SqliteDatabase index(indexFile, SQLITE_OPEN_READWRITE);
        index.exec(
            QByteArray("PRAGMA cache_size = -" + QByteArray::number(AppendCacheKiB)).constData());
        SqliteTransaction write(index.handle(), "BEGIN IMMEDIATE");
        // Renamed over by a rebuild since it was opened: the new file is looked at next time.
        if (hasMoved(index))
            return Outcome::GaveUp;
        // Read under the index's write lock, so that no write of this program to the catalogue
        // can have been carried into the index since.
        const std::optional<CatalogueState> state = readableState(catalogue);
        if (!state)
            return Outcome::GaveUp;
        const std::optional<IndexState> held = indexState(index.handle(), "main");
        if (!held || held->fingerprint != state->fingerprint)
            return std::nullopt;
        if (held->coveredKey >= state->lastKey)
            return Outcome::Done;
        if (!addNames(catalogue, *state, held->coveredKey + 1, index, cancel, progress))
            return Outcome::GaveUp;
        writeIndexState(index, {state->fingerprint, state->lastKey});
        write.commit();
        return Outcome::Done;
    } catch (const CatalogueFailure &failure) {
        if (isBusy(failure))
            return Outcome::GaveUp;
        return std::nullopt;
    }
}

// Renames the built file over the index. Holding the old file's exclusive lock meanwhile makes
// sure that no writer is midway through a transaction on it, whose journal (named after the
// path) would otherwise be taken for the new file's; a writer that gets the lock afterwards sees
// that its file has moved and leaves it alone.
bool replaceIndex(const QString &built, const QString &indexFile)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::optional<SqliteDatabase> old;
        try {
            if (QFileInfo::exists(indexFile)) {
                old.emplace(indexFile, SQLITE_OPEN_READWRITE);
                old->setBusyTimeout(ReplaceWaitMs);
                old->exec("BEGIN EXCLUSIVE");
                if (hasMoved(*old))
                    continue;
            }
        } catch (const CatalogueFailure &failure) {
            if (isBusy(failure))
                return false;
            // Not a file SQLite can lock (damaged, foreign): no writer of it to wait for, but
            // a journal it left must not be played into the new file.
            old.reset();
            QFile::remove(indexFile + u"-journal"_s);
        }
        if (std::rename(QFile::encodeName(built).constData(),
                        QFile::encodeName(indexFile).constData()) != 0) {
            throw AppError(u"Suchindex %1 kann nicht gespeichert werden"_s.arg(
                QDir::toNativeSeparators(indexFile)));
        }
        return true;
    }
    return false;
}

// Removes the temporary files of builds that were killed midway; each is as large as an index.
// A build that still runs writes its file all the time, so only files left alone for an hour go.
void removeAbandonedBuilds(const QString &indexFile)
{
    const QFileInfo index(indexFile);
    const QDateTime abandoned = QDateTime::currentDateTime().addSecs(-60 * 60);
    const QString pattern = QRegularExpression::escape(index.fileName()) + u"\\.[A-Za-z0-9]{6}"_s;
    const QRegularExpression built(QRegularExpression::anchoredPattern(pattern));
    const QFileInfoList candidates =
        index.dir().entryInfoList({index.fileName() + u".*"_s}, QDir::Files | QDir::Hidden);
    for (const QFileInfo &candidate : candidates) {
        if (built.match(candidate.fileName()).hasMatch() && candidate.lastModified() < abandoned)
            QFile::remove(candidate.filePath());
    }
}

} // namespace

Outcome SearchIndexBuild::rebuild(const QString &catalogueFile, const QString &indexFile,
                                  const std::atomic<bool> &cancel, const Progress &progress)
{
    const SqliteDatabase catalogue(catalogueFile, SQLITE_OPEN_READONLY);
    const std::optional<CatalogueState> state = readableState(catalogue);
    if (!state)
        return Outcome::GaveUp;
    removeAbandonedBuilds(indexFile);
    QTemporaryFile built(indexFile + u".XXXXXX"_s);
    if (!built.open()) {
        throw AppError(u"Suchindex %1 kann nicht angelegt werden: %2"_s.arg(
            QDir::toNativeSeparators(indexFile), built.errorString()));
    }
    {
        // A file no one else sees yet: neither a journal nor a sync until it is complete.
        const SqliteDatabase index(built.fileName(), SQLITE_OPEN_READWRITE);
        index.exec("PRAGMA journal_mode = OFF");
        index.exec("PRAGMA synchronous = OFF");
        SqliteTransaction write(index.handle(), "BEGIN");
        create(index);
        // Merged once at the end instead of again and again while growing.
        index.exec("INSERT INTO trigrams (trigrams, rank) VALUES ('automerge', 0)");
        if (!addNames(catalogue, *state, std::numeric_limits<qint64>::min(), index, cancel,
                      progress))
            return Outcome::GaveUp;
        writeIndexState(index, {state->fingerprint, state->lastKey});
        index.exec("INSERT INTO trigrams (trigrams) VALUES ('optimize')");
        index.exec("INSERT INTO trigrams (trigrams, rank) VALUES ('automerge', 4)");
        write.commit();
    }
    // On the disk before it replaces the old index, which a crash must not leave half written.
    if (::fsync(built.handle()) != 0) {
        throw AppError(u"Suchindex %1 kann nicht gespeichert werden"_s.arg(
            QDir::toNativeSeparators(indexFile)));
    }
    // Readable by whoever may read the catalogue; the temporary file is the owner's alone.
    built.setPermissions(QFile::permissions(catalogueFile) | QFileDevice::ReadOwner |
                         QFileDevice::WriteOwner);
    if (!replaceIndex(built.fileName(), indexFile))
        return Outcome::GaveUp;
    built.setAutoRemove(false);
    return Outcome::Done;
}

Outcome SearchIndexBuild::bringUpToDate(const QString &catalogueFile, const QString &indexFile,
                                        const std::atomic<bool> &cancel, const Progress &progress)
{
    if (const std::optional<Outcome> appended =
            addAppended(catalogueFile, indexFile, cancel, progress))
        return *appended;
    return rebuild(catalogueFile, indexFile, cancel, progress);
}
