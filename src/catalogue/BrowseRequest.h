#pragma once

#include <QString>

// What the browse page asks of the catalogue: all discs, the rows of a disc name taken as a LIKE
// pattern, or a search for a text anywhere in the upper-cased path. The query runs it with bound
// parameters.
struct BrowseRequest
{
    enum class Kind
    {
        FirstOpening,
        AllDiscs,
        DiscFilter,
        FileNameSearch
    };

    Kind kind = Kind::FirstOpening;
    QString text; // disc name (DiscFilter) or search text (FileNameSearch)
};
