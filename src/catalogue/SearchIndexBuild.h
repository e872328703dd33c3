#pragma once

#include <QString>

#include <atomic>
#include <functional>

// The work that brings an index file up to date with its catalogue, each call on connections of
// its own, so that it can run in a worker thread. The catalogue is read in short read
// transactions; as soon as another connection writes it, the work gives up and leaves the index
// as it was, so that it never holds up an import for long. cancel ends it early the same way.
namespace SearchIndexBuild {

// Told now and then how far the work has come, in percent of the records to read.
using Progress = std::function<void(int percent)>;

enum class Outcome
{
    Done,
    GaveUp // the catalogue or the index was busy: try again later
};

// Adds the records appended since the index last matched, or, when the index no longer matches
// the catalogue (or is missing or damaged), builds it anew. Throws AppError when the index
// cannot be made at all: the catalogue is unreadable or in WAL mode, the folder is read-only.
Outcome bringUpToDate(const QString &catalogueFile, const QString &indexFile,
                      const std::atomic<bool> &cancel, const Progress &progress = {});
// Builds the index anew in a temporary file beside it and renames that over it, so that no
// reader ever sees half an index. Throws like bringUpToDate().
Outcome rebuild(const QString &catalogueFile, const QString &indexFile,
                const std::atomic<bool> &cancel, const Progress &progress = {});

} // namespace SearchIndexBuild
