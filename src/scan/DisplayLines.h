#pragma once

#include <QString>
#include <QStringList>

// Lays out a description text in the lines the description box shows: a word-wrapping box 185
// pixels wide in the old desktop's 8-point sans serif (11 pixels high). Characters are measured
// with a fixed width table, so a text wraps the same way on every machine whatever fonts are
// installed, and a cut description stores the same lines everywhere.

// Pixels of text a display line may hold: the box's 185 less its 2-pixel sunken border and a
// 2-pixel inner margin on either side.
inline constexpr int DescriptionLineWidth = 177;

// The display lines of a text whose lines end in CR LF. A text line wider than the box breaks
// after its last blank run that fits; a word wider than the box breaks inside. Blanks (space and
// tab) at a break stay at the end of the line before, even past the right edge, so a wrapped line
// never starts with a blank, while the indentation of a text line stays. An empty text line is one
// empty display line; the empty rest after a final line break is none.
QStringList displayLines(QStringView text);
qsizetype displayLineCount(QStringView text);

// A description cut to the line limit: unchanged when it has at most `limit` display lines,
// otherwise display lines 0 to `limit` (limit + 1 lines), each followed by CR LF. A negative limit
// cuts every text to nothing. The display lines of the result are exactly the lines it kept.
QString cutToLineLimit(const QString &text, qint32 limit);
