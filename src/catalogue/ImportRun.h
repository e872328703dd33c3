#pragma once

#include "catalogue/CataloguePlace.h"
#include "catalogue/CatalogueRecord.h"
#include "catalogue/DiscChanges.h"
#include "scan/SideTextStore.h"

#include <QStringList>

class CatalogueTable;

#include <functional>
#include <optional>

// How an import ended.
struct ImportOutcome
{
    enum class Result
    {
        Done,
        CatalogueMissing, // could not be opened: missing, damaged or not a catalogue
        NotWritable,      // cannot be changed; message holds the engine's reason
        RecordRejected,   // a record was refused; those before it stay, up to stored (none
                          // in a replace, which leaves the disc as it was)
        ConnectionLost,   // the server connection broke; nothing was stored, message says why
        Locked,           // another program held the catalogue too long; nothing was stored
        TreeFailed        // the disc's tree could not be read or kept; nothing was stored
    };

    Result result = Result::Done;
    qsizetype stored = 0;              // records written; those before a rejected one stay
    std::optional<qsizetype> rejected; // the refused record's number, counted from 1
    QString message;                   // the engine's reason, where it gave one
    // Done: what failed once the records were committed (the tree file could not take its
    // name); the records stay, so importing again would store the disc twice.
    QString failureAfterCommit;
    // Done, after a replace: what it changed against the records it replaced.
    DiscChanges changes;
};

// What an import does besides its records.
struct ImportSteps
{
    // The disc's tree text, read once every record went in and stored with them; none: no
    // tree. Throws AppError, and then nothing of the import is stored.
    std::function<QByteArray()> tree;
    // Called about every 50 ms while another import or program holds the catalogue; false gives
    // up. None: a held catalogue fails the import at once.
    std::function<bool()> waiting;
};

// A waiting step for ImportSteps: goes on for at most limitMs in all, calling meanwhile (which
// may show that the import waits, and says whether to go on) and pausing briefly each time.
std::function<bool()> waitingUpTo(qint64 limitMs, std::function<bool()> meanwhile);

// One import of a scan into a catalogue: a record per entry of the selection list, in its order,
// under the disc name, with the side texts the options ask for.
class ImportRun final
{
public:
    // Which side texts go into the records: descriptions into INFO, listings into INHALT.
    ImportRun(const QStringList &selection, const SideTextStore &sideTexts, bool descriptions,
              bool listings);

    // The record of the selection entry at index.
    CatalogueRecord record(qsizetype index, const QString &discName) const;
    // Writes every record to the catalogue in one transaction, with the disc's tree when steps
    // give one.
    ImportOutcome into(const CataloguePlace &catalogue, const QString &discName,
                       const ImportSteps &steps = {}) const;
    // Replaces the disc's records, and its tree when steps give one, in one transaction, all or
    // nothing: whatever fails leaves the disc's records and tree as they were, and the outcome
    // then says nothing was stored. Done, it tells what changed.
    ImportOutcome replacing(const CataloguePlace &catalogue, const QString &discName,
                            const ImportSteps &steps = {}) const;
    // The files the records would hold, in selection order.
    QList<DiscFile> files() const;

private:
    // Opens the table and starts its transaction; an outcome when that failed.
    std::optional<ImportOutcome> begin(CatalogueTable &table, const ImportSteps &steps) const;
    FieldValue fieldText(SideTextStore::Kind kind, bool wanted, int position) const;

    const QStringList &m_selection;
    const SideTextStore &m_sideTexts;
    bool m_descriptions;
    bool m_listings;
};
