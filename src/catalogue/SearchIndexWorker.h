#pragma once

#include <QString>

// Worker threads that bring search indexes up to date (SearchIndexBuild::bringUpToDate), at most
// one per index; a request while one runs makes it run once more afterwards. A worker that gave
// up because the catalogue was being written tries again a little later, a few times. Workers
// are stopped and waited for when the program ends.
namespace SearchIndexWorker {

void request(const QString &catalogueFile, const QString &indexFile);
// Returns once no worker for that index runs.
void wait(const QString &indexFile);

} // namespace SearchIndexWorker
