#pragma once

#include "catalogue/CataloguePlace.h"
#include "cli/RecordRow.h"

#include <QString>

#include <functional>
#include <optional>

// The rows the browse page's search finds for text, in its order: it runs through the same
// browse result, so whatever makes that faster serves the tool too. With a disc, only the rows
// of that disc (NULL counting as the empty name). Throws AppError.
void forEachFoundRow(const CataloguePlace &catalogue, const QString &text,
                     const std::optional<QString> &disc,
                     const std::function<void(const RecordRow &)> &visit);

// The disc names as the browse page's "Refresh" lists them: every record's disc in key order,
// a name equal to the one before it left out. Throws AppError.
QStringList discNamesOf(const CataloguePlace &catalogue);
