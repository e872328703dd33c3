#pragma once

#include "catalogue/CatalogueRecord.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <random>
#include <vector>

// The benchmark catalogues: records of shareware discs, the same on every run.
inline constexpr int LargeRecords = 1'000'000;
inline constexpr int RareEvery = 100'000; // one path holding "ZZTOP" per this many records
inline constexpr int DiscRecords = 2'000; // records per disc

// The records of a catalogue of shareware discs, the same on every run: paths such as
// d:\GAMES\DOOM\SETUP.EXE, a 1 KB description for 20% of the records and a 2 KB archive listing
// for 5%.
class RecordGenerator final
{
public:
    CatalogueRecord next();

private:
    int pick(qsizetype count) { return int(m_random() % quint32(count)); }
    QString word(int shortest, int longest);
    QString text(int size, bool listing);

    std::mt19937 m_random{19'960'401};
    int m_index = 0;
};

// Appends count records of the generator to the catalogue (a file or a server) in one
// transaction.
void importRecords(const QString &fileName, int count, RecordGenerator &generator);
// A catalogue of generated records in folder, made once and kept there.
QString generatedCatalogue(const QString &folder, int records);
// The one of a million records.
QString largeCatalogue(const QString &folder);

// A field as the benchmarks' CSV files hold it: quoted, with its quotes doubled; NULL as nothing.
QString csvField(const FieldValue &value);
// Writes one CSV line per record, of the fields that fieldsOf gives for the record at an index.
void writeCsv(const QString &fileName, const std::vector<CatalogueRecord> &records,
              const std::function<QStringList(qsizetype, const CatalogueRecord &)> &fieldsOf);

// Opens the browse page's search for text on the catalogue until its first screen, and stops the
// benchmark when it did not find the planted rare paths.
void openRareSearch(const QString &catalogue, const QString &text);
