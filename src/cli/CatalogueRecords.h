#pragma once

#include "catalogue/CataloguePlace.h"
#include "cli/RecordRow.h"

#include <QString>

#include <functional>
#include <optional>

// The order of a whole-catalogue read: by key, or each disc's records together (discs in the
// order of their first record, each disc's records by key).
enum class RecordOrder
{
    ByKey,
    DiscsTogether
};

// Reads the records of the catalogue, or only those of one disc (NULL counting as the empty
// name, as the disc list shows it), with one forward-only statement: nothing is held beyond the
// record given to visit. Throws AppError.
void forEachRecord(const CataloguePlace &catalogue, const std::optional<QString> &disc,
                   RecordOrder order, const std::function<void(const RecordRow &)> &visit);

// Whether any record of the catalogue belongs to the disc. Throws AppError.
bool catalogueHasDisc(const CataloguePlace &catalogue, const QString &disc);
