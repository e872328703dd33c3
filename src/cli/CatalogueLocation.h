#pragma once

#include "cli/Texts.h"

#include <QString>

struct Invocation;

// The folder whose CD.db, Quilo.lst and .vfs files the tool reads: the folder of the catalogue
// given with --catalogue, else the application directory as the window decides it (beside the
// program when a catalogue lies there, else the per-user data folder). Ends with "/". Unlike the
// window the tool never creates the per-user folder: it only reads.
QString dataDirectory(const Invocation &invocation);

// The catalogue file of a command: --catalogue or CD.db of the application directory, checked
// to be a catalogue. Throws UsageError when it is missing or no catalogue, AppError when it
// cannot be read.
QString verifiedCatalogueOf(const Invocation &invocation, const Texts &texts);
