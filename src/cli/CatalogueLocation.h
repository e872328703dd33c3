#pragma once

#include "catalogue/CataloguePlace.h"
#include "cli/Texts.h"

struct Invocation;

// The catalogue of a command is --catalogue, else TRALBO_CATALOGUE, else the settings file's
// location (group "Catalogue", key "Url"), else CD.db of the application directory, as the
// window decides it (beside the program when a catalogue lies there, else the per-user data
// folder). Unlike the window, reading commands never create the per-user folder.

// The command's catalogue, unchecked.
CataloguePlace chosenCatalogueOf(const Invocation &invocation);

// The command's catalogue, checked to be one. Throws UsageError when a file is missing or no
// catalogue, AppError when it cannot be read or the server cannot be reached.
CataloguePlace verifiedCatalogueOf(const Invocation &invocation, const Texts &texts);

// The same for a command that writes: a missing per-user data folder is made first, as the
// window's first start makes it. Throws AppError when it cannot be made.
CataloguePlace preparedCatalogueOf(const Invocation &invocation, const Texts &texts);
