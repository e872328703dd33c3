#pragma once

#include <QStringList>

class CataloguePlace;

// Makes the catalogue's tables in an existing, empty PostgreSQL database: "cd" with the five
// fields (Nr an identity column) and the program's upper-cased path beside DATEI, which the
// trigram index of the file-name search covers, with indexes for a disc's records, and "trees"
// for the stored directory trees.
// Refuses a database that already holds either table, or one that is not UTF-8. Throws AppError.
void createServerCatalogue(const CataloguePlace &place);
// The names of the indexes createServerCatalogue makes, in the order it makes them.
QStringList serverIndexNames();
// Adds to the server's catalogue the indexes that a catalogue made by an earlier version lacks,
// in one transaction, and changes no data. Returns the names of those it added. Throws AppError.
QStringList upgradeServerCatalogue(const CataloguePlace &place);

class CatalogueConnection;

// Checks that the server's database holds the catalogue's tables with the program's columns.
// Throws AppError.
void verifyServerCatalogue(const CatalogueConnection &connection);
