#include "scan/DisplayLines.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Widths the cases rely on, in pixels: "r" 3, "i" 2, blank 3, "ä" 6, "W" 11, a box-drawing line or
// a character beyond the table 7, tab stops every 48. A line holds 177.
namespace {

QString repeated(QStringView piece, int count)
{
    return piece.toString().repeated(count);
}

QString numbered(int count)
{
    QString text;
    for (int line = 1; line <= count; ++line)
        text += u"Zeile %1\r\n"_s.arg(line);
    return text;
}

} // namespace

class TestDisplayLines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layOut_data();
    void layOut();
    void cut_data();
    void cut();
};

void TestDisplayLines::layOut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");

    const QString r59 = repeated(u"r", 59);
    QTest::newRow("empty text") << QString() << QStringList();
    QTest::newRow("one short line") << u"Hallo Welt"_s << QStringList{u"Hallo Welt"_s};
    QTest::newRow("final break not counted") << u"a\r\nb\r\n"_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("empty line in between")
        << u"a\r\n\r\nb"_s << QStringList{u"a"_s, QString(), u"b"_s};
    QTest::newRow("only a break") << u"\r\n"_s << QStringList{QString()};
    QTest::newRow("empty line before final break")
        << u"a\r\n\r\n"_s << QStringList{u"a"_s, QString()};
    QTest::newRow("lone LF is no break") << u"a\nb"_s << QStringList{u"a\nb"_s};

    QTest::newRow("exactly the width") << r59 << QStringList{r59};
    QTest::newRow("one pixel over breaks the word")
        << repeated(u"i", 89) << QStringList{repeated(u"i", 88), u"i"_s};
    QTest::newRow("long word breaks several times")
        << repeated(u"r", 130) << QStringList{r59, r59, repeated(u"r", 12)};
    QTest::newRow("wrapped line then next line")
        << r59 + u"rr\r\nx"_s << QStringList{r59, u"rr"_s, u"x"_s};
    QTest::newRow("break at the blank, blank stays before")
        << repeated(u"r", 30) + u" "_s + repeated(u"r", 30)
        << QStringList{repeated(u"r", 30) + u" "_s, repeated(u"r", 30)};
    QTest::newRow("words fill up to the edge")
        << repeated(u"rrrrr ", 10) + u"rrrrr"_s << QStringList{repeated(u"rrrrr ", 10), u"rrrrr"_s};
    QTest::newRow("blank run hangs past the edge")
        << r59 + u"   abc"_s << QStringList{r59 + u"   "_s, u"abc"_s};
    QTest::newRow("trailing blanks need no line of their own")
        << r59 + u"    "_s << QStringList{r59 + u"    "_s};
    QTest::newRow("long word after a short one starts a new line")
        << u"ab "_s + repeated(u"r", 70) << QStringList{u"ab "_s, r59, repeated(u"r", 11)};
    QTest::newRow("indentation of a short line stays") << u"  ab"_s << QStringList{u"  ab"_s};
    QTest::newRow("indentation before a long word")
        << u"  "_s + repeated(u"r", 70) << QStringList{u"  "_s, r59, repeated(u"r", 11)};

    QTest::newRow("tab reaches the first stop")
        << u"\t"_s + repeated(u"r", 43) << QStringList{u"\t"_s + repeated(u"r", 43)};
    QTest::newRow("tab then one character too many")
        << u"\t"_s + repeated(u"r", 44) << QStringList{u"\t"_s, repeated(u"r", 44)};
    QTest::newRow("tab after text reaches the next stop")
        << repeated(u"r", 17) + u"\t"_s + repeated(u"r", 28)
        << QStringList{repeated(u"r", 17) + u"\t"_s, repeated(u"r", 28)};

    QTest::newRow("latin-1 umlauts")
        << repeated(u"ä", 30) << QStringList{repeated(u"ä", 29), u"ä"_s};
    QTest::newRow("wide capitals") << repeated(u"W", 17) << QStringList{repeated(u"W", 16), u"W"_s};
    QTest::newRow("box drawing") << repeated(u"─", 26) << QStringList{repeated(u"─", 25), u"─"_s};
    QTest::newRow("surrogate pairs stay whole")
        << repeated(u"\U0001F4BF", 26) << QStringList{repeated(u"\U0001F4BF", 25), u"\U0001F4BF"_s};
}

void TestDisplayLines::layOut()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(displayLines(text), lines);
    QCOMPARE(displayLineCount(text), lines.size());
}

void TestDisplayLines::cut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("cut");

    QTest::newRow("40 lines at 40 unchanged") << numbered(40) << 40 << numbered(40);
    QTest::newRow("41 lines at 40 rewritten the same") << numbered(41) << 40 << numbered(41);
    QTest::newRow("rewriting adds the final break")
        << numbered(41).chopped(2) << 40 << numbered(41);
    QTest::newRow("100 lines keep 41") << numbered(100) << 40 << numbered(41);
    QTest::newRow("limit 0 keeps one line") << numbered(5) << 0 << numbered(1);
    QTest::newRow("limit 0 rewrites a one-line text") << u"Zeile 1"_s << 0 << numbered(1);
    QTest::newRow("limit 0 leaves an empty text") << QString() << 0 << QString();
    QTest::newRow("negative limit empties") << numbered(3) << -1 << QString();

    const QString r59 = repeated(u"r", 59);
    const QString wrapped = r59 + r59 + repeated(u"r", 32);
    QTest::newRow("wrapped line counts as several")
        << wrapped + u"\r\n"_s + numbered(39) << 40
        << r59 + u"\r\n"_s + r59 + u"\r\n"_s + repeated(u"r", 32) + u"\r\n"_s + numbered(38);
    QTest::newRow("cut inside a wrapped line") << wrapped << 1 << r59 + u"\r\n"_s + r59 + u"\r\n"_s;
    QTest::newRow("blank at a soft break is kept")
        << repeated(u"r", 30) + u" "_s + repeated(u"r", 30) + u"\r\nx\r\ny"_s << 1
        << repeated(u"r", 30) + u" \r\n"_s + repeated(u"r", 30) + u"\r\n"_s;
    QTest::newRow("wrapped lines within the limit unchanged") << wrapped << 3 << wrapped;
}

void TestDisplayLines::cut()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(QString, cut);
    const QString result = cutToLineLimit(text, limit);
    QCOMPARE(result, cut);
    // The catalogue stores the cut text and shows its display lines: they must be the kept lines.
    if (limit >= 0)
        QCOMPARE(displayLines(result), displayLines(text).mid(0, limit + 1));
}

QTEST_GUILESS_MAIN(TestDisplayLines)
#include "tst_displaylines.moc"
