#pragma once

#include <QString>

// The search index's query for a file-name search's LIKE pattern: every run of three characters
// in the literal parts of the upper-cased pattern (between its "%" and "_" wildcards), as an FTS5
// query that all of them must match. An upper-cased path the pattern matches holds every such
// run, so the query finds every record the search finds, and maybe others, which the search's own
// test then drops. Empty when the pattern has no literal part of three characters, or characters
// the index would not see as the search does (broken UTF-16, NUL): the search scans then.
QString trigramQuery(const QString &pattern);
