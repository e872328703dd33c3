#pragma once

#include <QString>

// The catalogue file of the application directory ("CD.db" in any letter case); empty when none.
QString locateCatalogue(const QString &applicationDirectory);

// The catalogue the program works on: the chosen location (a catalogue file or a server, see
// ServerLocation) when one is given, else CD.db of the application directory in any letter case,
// found when it is opened.
QString catalogueLocation(const QString &applicationDirectory, const QString &chosen);

// The existing file whose name equals the last part of path in any letter case, the exact name
// first; empty when there is none.
QString findIgnoringCase(const QString &path);
