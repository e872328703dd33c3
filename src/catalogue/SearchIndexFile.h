#pragma once

#include <QtGlobal>

#include <optional>

class SqliteDatabase;
struct sqlite3;

// What identifies one state of the catalogue file: its size, modification time in nanoseconds
// and inode, and SQLite's file change counter (header bytes 24..27), which every committed write
// transaction of any SQLite program raises by one. Size and time catch other programs' writes,
// the inode a replaced file, and the counter what a coarse file time could hide. Only files in
// rollback journal mode qualify: in WAL mode commits go to the -wal file, which none of these
// follow, so such a catalogue is never indexed.
struct CatalogueFingerprint
{
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 inode = 0;
    qint64 changeCounter = 0;

    friend bool operator==(const CatalogueFingerprint &, const CatalogueFingerprint &) = default;
    // Whether exactly one write transaction was committed between this state and later.
    bool followedByOneCommit(const CatalogueFingerprint &later) const;
};

struct CatalogueState
{
    CatalogueFingerprint fingerprint;
    qint64 lastKey = 0; // 0 for an empty table
};

// What an index file holds besides its trigram table: the catalogue state it matches, and the
// key up to which the table holds the records' names. Records above that key were appended since;
// a search scans them without the index.
struct IndexState
{
    CatalogueFingerprint fingerprint;
    qint64 coveredKey = 0;
};

// The layout of the index file, an FTS5 table "trigrams" keyed by the record key with the
// upper-cased path in its column "name" beside the table "state", and the reads and writes of
// that state. Connections are SQLite's
// own; "schema" is "main" or an attached name. Failures throw AppError.
namespace SearchIndexFile {

// The catalogue's state now. The caller holds a read transaction, which this extends over the
// file. nullopt when the file's state cannot be told (WAL mode, unreadable header).
std::optional<CatalogueState> catalogueState(sqlite3 *connection, const char *schema);
// The same in a short read transaction of its own on the catalogue connection.
std::optional<CatalogueState> lockedCatalogueState(const SqliteDatabase &catalogue);
// Whether another connection is writing the file now: it holds the file's write lock.
bool beingWritten(sqlite3 *connection, const char *schema);

// Makes the tables in a new, empty file.
void create(const SqliteDatabase &index);
// The state of an index file; nullopt when the file is not an index of this program's format.
std::optional<IndexState> indexState(sqlite3 *connection, const char *schema);
void writeIndexState(const SqliteDatabase &index, const IndexState &state);
// Whether the file the connection opened is no longer the one at its path (renamed over).
bool hasMoved(const SqliteDatabase &index);

} // namespace SearchIndexFile
