#pragma once

#include "catalogue/CataloguePlace.h"

#include <QString>
#include <QStringView>

#include <array>

// The catalogue's one table, "CD", and its five fields in order. The first is the record key,
// an auto-numbered INTEGER PRIMARY KEY and so SQLite's rowid; its name is free, the others are
// matched in any letter case.
namespace CatalogueSchema {
inline constexpr QStringView TableName = u"CD";
inline constexpr std::array<QStringView, 5> FieldNames{u"Nr", u"CD", u"DATEI", u"INFO", u"INHALT"};
} // namespace CatalogueSchema

// The catalogue file that the place names in any letter case, once it has been checked to be an
// SQLite file holding the catalogue table. The check reads through a read-only connection, so
// a file that fails it is left as it was; only the rollback journal of an import that died
// midway is rolled back first. A server is given back once its database holds the catalogue's
// tables. Throws AppError: not found or unreachable, not a catalogue, locked, damaged.
CataloguePlace verifiedCatalogue(const CataloguePlace &place);
// The same check of a catalogue file; gives the file's name in its letter case.
QString verifiedCatalogueFile(const QString &path);

// The index that finds one disc's records without reading the whole table, its entries in key
// order within each disc name.
QString discIndexStatement();

// Makes a new empty catalogue; an existing file is never replaced. Throws AppError.
void createEmptyCatalogue(const QString &fileName);
