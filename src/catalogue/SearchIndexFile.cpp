#include "catalogue/SearchIndexFile.h"

#include "catalogue/SqliteDatabase.h"

#include <QByteArray>

#include <sqlite3.h>
#include <sys/stat.h>

#include <array>

namespace {

// Raised whenever the layout below changes; an index of another version is rebuilt.
constexpr int FormatVersion = 1;

sqlite3_file *fileOf(sqlite3 *connection, const char *schema)
{
    sqlite3_file *file = nullptr;
    if (sqlite3_file_control(connection, schema, SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        !file || !file->pMethods)
        return nullptr;
    return file;
}

// Read through SQLite's own file handle: opening and closing the file anew would drop the
// process's POSIX locks on it, SQLite's included.
std::optional<CatalogueFingerprint> fingerprintOf(sqlite3 *connection, const char *schema)
{
    sqlite3_file *file = fileOf(connection, schema);
    std::array<unsigned char, 28> header{};
    if (!file || file->pMethods->xRead(file, header.data(), int(header.size()), 0) != SQLITE_OK)
        return std::nullopt;
    // Bytes 18 and 19: 1 for the rollback journal, 2 for WAL.
    if (header[18] != 1 || header[19] != 1)
        return std::nullopt;
    const char *name = sqlite3_db_filename(connection, schema);
    struct stat status = {};
    if (!name || ::stat(name, &status) != 0)
        return std::nullopt;
    return CatalogueFingerprint{qint64(status.st_size),
                                qint64(status.st_mtim.tv_sec) * 1'000'000'000 +
                                    qint64(status.st_mtim.tv_nsec),
                                qint64(status.st_ino),
                                qint64(header[24]) << 24 | qint64(header[25]) << 16 |
                                    qint64(header[26]) << 8 | qint64(header[27])};
}

QByteArray inSchema(const char *sql, const char *schema)
{
    return QByteArray(sql).replace("<schema>", schema);
}

} // namespace

bool CatalogueFingerprint::followedByOneCommit(const CatalogueFingerprint &later) const
{
    return later.inode == inode && later.changeCounter == ((changeCounter + 1) & 0xffffffff);
}

std::optional<CatalogueState> SearchIndexFile::catalogueState(sqlite3 *connection,
                                                              const char *schema)
{
    // Reading the table takes the read lock that keeps the file as it is until the transaction
    // ends.
    SqliteStatement last(connection,
                         inSchema("SELECT max(rowid) FROM <schema>.CD", schema).constData());
    last.step();
    const qint64 lastKey = last.integer(0);
    last.reset();
    const std::optional<CatalogueFingerprint> fingerprint = fingerprintOf(connection, schema);
    if (!fingerprint)
        return std::nullopt;
    return CatalogueState{*fingerprint, lastKey};
}

std::optional<CatalogueState> SearchIndexFile::lockedCatalogueState(const SqliteDatabase &catalogue)
{
    SqliteTransaction read(catalogue.handle(), "BEGIN");
    return catalogueState(catalogue.handle(), "main");
}

bool SearchIndexFile::beingWritten(sqlite3 *connection, const char *schema)
{
    sqlite3_file *file = fileOf(connection, schema);
    int reserved = 1;
    return !file || file->pMethods->xCheckReservedLock(file, &reserved) != SQLITE_OK ||
           reserved != 0;
}

void SearchIndexFile::create(const SqliteDatabase &index)
{
    // detail=none keeps only which records hold a trigram, not where: a third of the size and
    // time of the full index. Phrases cannot be asked then, so a search asks for each trigram and
    // checks the candidates with its pattern. The text is upper-cased already, so the tokenizer
    // need not fold letter case; columnsize=0 drops a per-record table no query uses.
    index.exec("CREATE TABLE state (catalogue_size INTEGER NOT NULL, "
               "catalogue_modified_ns INTEGER NOT NULL, catalogue_inode INTEGER NOT NULL, "
               "catalogue_changes INTEGER NOT NULL, covered_key INTEGER NOT NULL)");
    index.exec("CREATE VIRTUAL TABLE trigrams USING fts5(name, "
               "tokenize = 'trigram case_sensitive 1', detail = none, columnsize = 0)");
    index.exec(
        QByteArray("PRAGMA user_version = " + QByteArray::number(FormatVersion)).constData());
}

std::optional<IndexState> SearchIndexFile::indexState(sqlite3 *connection, const char *schema)
{
    SqliteStatement version(connection,
                            inSchema("PRAGMA <schema>.user_version", schema).constData());
    if (!version.step() || version.integer(0) != FormatVersion)
        return std::nullopt;
    version.reset();
    SqliteStatement state(connection,
                          inSchema("SELECT catalogue_size, catalogue_modified_ns, catalogue_inode, "
                                   "catalogue_changes, covered_key FROM <schema>.state",
                                   schema)
                              .constData());
    if (!state.step())
        return std::nullopt;
    const IndexState result{
        {state.integer(0), state.integer(1), state.integer(2), state.integer(3)}, state.integer(4)};
    state.reset();
    return result;
}

void SearchIndexFile::writeIndexState(const SqliteDatabase &index, const IndexState &state)
{
    index.exec("DELETE FROM state");
    SqliteStatement insert(index, "INSERT INTO state VALUES (?, ?, ?, ?, ?)");
    insert.bind(1, state.fingerprint.size);
    insert.bind(2, state.fingerprint.modifiedNs);
    insert.bind(3, state.fingerprint.inode);
    insert.bind(4, state.fingerprint.changeCounter);
    insert.bind(5, state.coveredKey);
    insert.step();
}

bool SearchIndexFile::hasMoved(const SqliteDatabase &index)
{
    int moved = 1;
    return sqlite3_file_control(index.handle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) !=
               SQLITE_OK ||
           moved != 0;
}
