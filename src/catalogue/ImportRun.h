#pragma once

#include "catalogue/CatalogueRecord.h"
#include "scan/SideTextStore.h"

#include <QStringList>

// How an import ended.
struct ImportOutcome
{
    enum class Result
    {
        Done,
        CatalogueMissing, // could not be opened: missing, damaged or not a catalogue
        NotWritable,      // cannot be changed; message holds the engine's reason
        RecordRejected,   // the record at position stored + 1 was refused
        ConnectionLost    // the server connection broke; nothing was stored, message says why
    };

    Result result = Result::Done;
    qsizetype stored = 0; // records written; those before a rejected one stay
    QString message;      // the engine's reason, where it gave one
};

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
    // Writes every record to the catalogue (a file or a server location) in one transaction.
    // Throws AppError only when the final commit fails.
    ImportOutcome into(const QString &catalogue, const QString &discName) const;

private:
    FieldValue fieldText(SideTextStore::Kind kind, bool wanted, int position) const;

    const QStringList &m_selection;
    const SideTextStore &m_sideTexts;
    bool m_descriptions;
    bool m_listings;
};
