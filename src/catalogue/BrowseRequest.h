#pragma once

#include <QString>

// What the browse page asks of the catalogue. The query runs it with bound parameters; the SQL
// line is only its written form, for display and tests.
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

    // The request as its SQL line (application directory ends with "/"):
    //  FirstOpening:   Select * from "<dir>CD.DB"
    //  AllDiscs:       Select * from "<dir>CD.DB" B       (one blank after B)
    //  DiscFilter:     Select * from "<dir>CD.DB" B where B."CD" like "<text>"
    //  FileNameSearch: Select * from "<dir>CD.DB" B where upper(B."Datei") like upper("%<text>%")
    QString sqlLine(const QString &applicationDirectory) const;
};
