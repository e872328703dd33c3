#pragma once

#include <QString>

// The catalogue the user chose: the environment variable TRALBO_CATALOGUE when it is set and not
// empty, else the settings file's location (setting). Empty means CD.db of the application
// directory.
QString chosenCatalogue(const QString &setting);
