#pragma once

#include <QString>

// Makes the catalogue's tables in an existing, empty PostgreSQL database: "cd" with the five
// fields (Nr an identity column) and the program's upper-cased path beside DATEI, which the
// trigram index of the file-name search covers, and "trees" for the stored directory trees.
// Refuses a database that already holds either table, or one that is not UTF-8. Throws AppError.
void createServerCatalogue(const QString &location);

class CatalogueConnection;

// Checks that the server's database holds the catalogue's tables with the program's columns.
// Throws AppError.
void verifyServerCatalogue(const CatalogueConnection &connection);
