#include "catalogue/BrowseRequest.h"

using namespace Qt::StringLiterals;

QString BrowseRequest::sqlLine(const QString &applicationDirectory) const
{
    const QString table = u"Select * from \""_s + applicationDirectory + u"CD.DB\""_s;
    switch (kind) {
    case Kind::FirstOpening:
        break;
    case Kind::AllDiscs:
        return table + u" B "_s;
    case Kind::DiscFilter:
        return table + u" B where B.\"CD\" like \""_s + text + u'"';
    case Kind::FileNameSearch:
        return table + u" B where upper(B.\"Datei\") like upper(\"%"_s + text + u"%\")"_s;
    }
    return table;
}
