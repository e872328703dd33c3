#include "scan/DisplayLines.h"

#include <array>

namespace {

// Advance widths in pixels, close to the old bitmap sans serif at 8 points: the 52 letters average
// 6 pixels (the dialog base unit of that font), capitals 7. Anything without a width of its own,
// box drawing from DOS descriptions among it, counts as wide as an average capital.
constexpr unsigned char Other = 7;

// Default tab stops of a multi-line text box: every 32 dialog units, 48 pixels in this font.
constexpr int TabStop = 48;

constexpr unsigned char O = Other;
constexpr std::array<unsigned char, 256> Latin1Widths = {
    // Control characters
    O, O, O, O, O, O, O, O, O, O, O, O, O, O, O, O, //
    O, O, O, O, O, O, O, O, O, O, O, O, O, O, O, O, //
    // Space ! " # $ % & ' ( ) * + , - . /
    3, 2, 4, 6, 6, 8, 7, 2, 3, 3, 4, 6, 2, 3, 2, 4, //
    // 0 to 9 : ; < = > ?
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 2, 2, 6, 6, 6, 6, //
    // @ A to O
    11, 7, 7, 7, 7, 6, 6, 8, 7, 2, 5, 7, 6, 9, 7, 8, //
    // P to Z [ \ ] ^ _
    7, 8, 7, 7, 6, 7, 7, 11, 7, 7, 6, 3, 4, 3, 5, 6, //
    // ` a to o
    3, 6, 6, 5, 6, 6, 3, 6, 6, 2, 2, 5, 2, 8, 6, 6, //
    // p to z { | } ~ DEL
    6, 6, 3, 5, 3, 6, 6, 8, 6, 6, 5, 4, 2, 4, 7, O, //
    // C1 control characters
    O, O, O, O, O, O, O, O, O, O, O, O, O, O, O, O, //
    O, O, O, O, O, O, O, O, O, O, O, O, O, O, O, O, //
    // No-break space ¡ ¢ £ ¤ ¥ ¦ § ¨ © ª « ¬ soft hyphen ® ¯
    3, 2, 6, 6, 6, 6, 2, 6, 3, 10, 4, 6, 6, 3, 10, 6, //
    // ° ± ² ³ ´ µ ¶ · ¸ ¹ º » ¼ ½ ¾ ¿
    4, 6, 4, 4, 3, 6, 6, 2, 3, 4, 4, 6, 9, 9, 9, 6, //
    // À Á Â Ã Ä Å Æ Ç È É Ê Ë Ì Í Î Ï
    7, 7, 7, 7, 7, 7, 10, 7, 6, 6, 6, 6, 3, 3, 3, 3, //
    // Ð Ñ Ò Ó Ô Õ Ö × Ø Ù Ú Û Ü Ý Þ ß
    8, 7, 8, 8, 8, 8, 8, 6, 8, 7, 7, 7, 7, 7, 7, 6, //
    // à á â ã ä å æ ç è é ê ë ì í î ï
    6, 6, 6, 6, 6, 6, 9, 5, 6, 6, 6, 6, 3, 3, 3, 3, //
    // ð ñ ò ó ô õ ö ÷ ø ù ú û ü ý þ ÿ
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, //
};

// Beyond Latin-1: the characters Windows-1252 descriptions decode to, and characters that take
// no room of their own (second halves of surrogate pairs, combining accents, zero-width marks).
int widthBeyondLatin1(char16_t c)
{
    if (QChar::isLowSurrogate(c) || (c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) ||
        c == 0xFEFF)
        return 0;
    switch (c) {
    case 0x201A: // ‚
    case 0x2018: // ‘
    case 0x2019: // ’
        return 2;
    case 0x02C6: // ˆ
    case 0x02DC: // ˜
    case 0x2039: // ‹
    case 0x203A: // ›
        return 3;
    case 0x201E: // „
    case 0x201C: // “
    case 0x201D: // ”
    case 0x2022: // •
        return 4;
    case 0x0161: // š
    case 0x017E: // ž
        return 5;
    case 0x20AC: // €
    case 0x0192: // ƒ
    case 0x2020: // †
    case 0x2021: // ‡
    case 0x017D: // Ž
    case 0x2013: // –
        return 6;
    case 0x0160: // Š
    case 0x0178: // Ÿ
        return 7;
    case 0x2026: // …
    case 0x2122: // ™
    case 0x0153: // œ
        return 10;
    case 0x0152: // Œ
    case 0x2014: // —
        return 11;
    case 0x2030: // ‰
        return 12;
    default:
        return Other;
    }
}

int charWidth(char16_t c)
{
    return c < Latin1Widths.size() ? Latin1Widths[c] : widthBeyondLatin1(c);
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

int blankWidth(char16_t c, int x)
{
    return c == u'\t' ? TabStop - x % TabStop : Latin1Widths[u' '];
}

// Hands each display line of one text line to `take`; stops, returning false, as soon as `take`
// returns false.
template <typename Take> bool layOutLine(QStringView line, Take &take)
{
    if (line.isEmpty())
        return take(line);
    const char16_t *chars = line.utf16();
    const qsizetype size = line.size();
    qsizetype start = 0;
    while (start < size) {
        int x = 0;
        qsizetype afterBlanks = start;
        qsizetype next = start;
        for (; next < size; ++next) {
            const char16_t c = chars[next];
            if (isBlank(c)) {
                x += blankWidth(c, x);
                afterBlanks = next + 1;
                continue;
            }
            const int width = charWidth(c);
            if (x + width > DescriptionLineWidth && next > start)
                break;
            x += width;
        }
        const qsizetype end = next == size || afterBlanks == start ? next : afterBlanks;
        if (!take(line.sliced(start, end - start)))
            return false;
        start = end;
    }
    return true;
}

// Where the text line starting at `from` ends: at its CR LF, else at the end of the text. Looking
// for the CR alone uses the library's vectorised search for one character.
qsizetype lineEnd(QStringView text, qsizetype from)
{
    for (qsizetype cr = text.indexOf(u'\r', from); cr >= 0; cr = text.indexOf(u'\r', cr + 1)) {
        if (cr + 1 < text.size() && text[cr + 1] == u'\n')
            return cr;
    }
    return text.size();
}

template <typename Take> void forEachDisplayLine(QStringView text, Take &&take)
{
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype end = lineEnd(text, start);
        if (!layOutLine(text.sliced(start, end - start), take))
            return;
        start = end + 2;
    }
}

} // namespace

QStringList displayLines(QStringView text)
{
    QStringList lines;
    forEachDisplayLine(text, [&lines](QStringView line) {
        lines.append(line.toString());
        return true;
    });
    return lines;
}

qsizetype displayLineCount(QStringView text)
{
    qsizetype count = 0;
    forEachDisplayLine(text, [&count](QStringView) {
        ++count;
        return true;
    });
    return count;
}

// Most descriptions are within the limit, so the lines are counted first and the text is copied
// only when it has to be cut.
QString cutToLineLimit(const QString &text, qint32 limit)
{
    if (limit < 0)
        return QString();
    const qsizetype kept = qsizetype(limit) + 1;
    qsizetype count = 0;
    forEachDisplayLine(text, [&count, kept](QStringView) { return ++count < kept; });
    if (count < kept)
        return text;

    QString cut;
    cut.reserve(text.size() + 2 * kept);
    qsizetype copied = 0;
    forEachDisplayLine(text, [&cut, &copied, kept](QStringView line) {
        cut.append(line).append(u"\r\n");
        return ++copied < kept;
    });
    return cut;
}
