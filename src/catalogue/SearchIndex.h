#pragma once

#include "catalogue/CatalogueRecord.h"
#include "catalogue/SearchIndexBuild.h"
#include "catalogue/SearchIndexFile.h"

#include <QString>

#include <optional>
#include <vector>

struct sqlite3;

// The file-name search's index beside a catalogue: "CD.idx" beside "CD.db" (the catalogue's name
// with ".idx"), an SQLite file with an FTS5 trigram table over the upper-cased paths
// (upper(DATEI)) keyed by the record key, and the state of the catalogue file it matches (see
// CatalogueFingerprint). It only speeds the search up: a search checks every record it suggests
// with its own pattern, a missing, stale or damaged index makes the search scan as without one,
// and the file can be deleted at any time.
class SearchIndex final
{
public:
    static SearchIndex forCatalogue(const QString &catalogueFile);

    // How the index stands to the catalogue file as it is now.
    enum class Condition
    {
        Missing,
        Stale,  // it matches an older state of the catalogue, or is damaged
        Behind, // it matches, but records appended since are not in its table yet
        Current
    };

    const QString &catalogueFile() const { return m_catalogueFile; }
    const QString &fileName() const { return m_fileName; }

    // Whether the index exists and matches the catalogue file as it is now. Never throws.
    bool isFresh() const;
    // Never throws: an index that cannot be read is stale.
    Condition condition() const;
    // Builds the index anew from the catalogue, in a temporary file that replaces the index when
    // complete. Throws AppError: the catalogue cannot be read or is being written, the folder is
    // read-only, the disk is full.
    void rebuild(const SearchIndexBuild::Progress &progress = {}) const;
    // Adds the records appended since the index was made or, when it does not match the
    // catalogue, rebuilds it. Throws like rebuild().
    void update(const SearchIndexBuild::Progress &progress = {}) const;
    // update() in a worker thread with connections of its own; returns at once. It gives up while
    // the catalogue is being written and tries again a little later.
    void updateInBackground() const;
    // Returns once no background update of this index runs.
    void waitForBackground() const;

    // For a search on a catalogue connection (schema "main"), given as SQLite's handle:
    // Attaches the index read-only as "idx"; false when there is none to attach.
    bool attachTo(sqlite3 *connection) const;
    // The key up to which the attached index answers for the catalogue, while it matches it;
    // nullopt when it does not. Called inside a read transaction, which it extends over both
    // files, so that the answer holds until the transaction ends. Throws AppError.
    static std::optional<qint64> coveredKey(sqlite3 *connection);
    // The FROM clause of a search through the attached index: the records whose keys the index
    // gives for an FTS5 query bound as :terms, the key being "hit.rowid"; see TrigramQuery.h.
    static QString candidateSource();

private:
    SearchIndex(QString catalogueFile, QString fileName);

    QString m_catalogueFile;
    QString m_fileName;
};

// Carries one write of this program to the catalogue into its index: made just before the write,
// told what the write changed, and finished after the commit. When the index did not match the
// catalogue before, or another connection wrote the catalogue meanwhile, the index is left as it
// was, and is then stale and rebuilt by a later search. Never throws: the index is no part of the
// catalogue, and its failures never fail a write.
class SearchIndexUpdate final
{
public:
    explicit SearchIndexUpdate(const QString &catalogueFile);
    Q_DISABLE_COPY_MOVE(SearchIndexUpdate)

    // Records appended with keys above the highest one before the write.
    void recordsAppended() { m_appended = true; }
    void pathChanged(qint64 key, const FieldValue &path);
    void recordDeleted(qint64 key);
    void finish();

private:
    SearchIndex m_index;
    std::optional<CatalogueState> m_before;
    bool m_appended = false;
    std::vector<std::pair<qint64, FieldValue>> m_paths;
    std::vector<qint64> m_deleted;
};
