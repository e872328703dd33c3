#pragma once

#include "cli/Texts.h"

#include <QString>

struct Invocation;

// The catalogue of a command is --catalogue, else TRALBO_CATALOGUE, else the settings file's
// location (group "Catalogue", key "Url"), else CD.db of the application directory: a file, or a
// server (ServerLocation).

// The folder whose CD.db, Quilo.lst and .vfs files the tool reads: the folder of a chosen
// catalogue file, else the application directory as the window decides it (beside the program
// when a catalogue lies there, else the per-user data folder). Ends with "/". Unlike the window
// the tool never creates the per-user folder: it only reads.
QString dataDirectory(const Invocation &invocation);

// The command's catalogue, unchecked.
QString chosenCatalogueOf(const Invocation &invocation);

// The command's catalogue, checked to be one. Throws UsageError when a file is missing or no
// catalogue, AppError when it cannot be read or the server cannot be reached.
QString verifiedCatalogueOf(const Invocation &invocation, const Texts &texts);
