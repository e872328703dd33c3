#pragma once

#include <QString>

// The catalogue file of the application directory ("CD.db" in any letter case); empty when none.
QString locateCatalogue(const QString &applicationDirectory);

// The existing file whose name equals the last part of path in any letter case, the exact name
// first; empty when there is none.
QString findIgnoringCase(const QString &path);
