#include "vdrive/TreeText.h"

#include "base/AppError.h"
#include "platform/TextCodec.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Linux allows CR and LF in folder names, and either would split a node in two. Inside a node
// text they are written as DLE 'r' and DLE 'n', and DLE itself as DLE DLE. Leading blanks and
// tabs give a node's level, so a blank or tab at either end of a text is written as DLE 's' or
// DLE 't'; in the middle they stay. Files written before held a DLE only where a name really had
// one, so they read as they always did; any other DLE stays as it is.
constexpr QChar Escape(u'\x10');

// The character that stands for c after the escape character, or none when c needs no escape.
QChar escapeCode(QChar c, bool atEdge)
{
    if (c == u'\r')
        return u'r';
    if (c == u'\n')
        return u'n';
    if (c == Escape)
        return Escape;
    if (atEdge && c == u' ')
        return u's';
    if (atEdge && c == u'\t')
        return u't';
    return {};
}

// The character an escape code at a text's edge or in its middle stands for, or none when the
// pair is no escape.
QChar escapedCharacter(QChar code, bool atEdge)
{
    if (code == u'r')
        return u'\r';
    if (code == u'n')
        return u'\n';
    if (code == Escape)
        return Escape;
    if (atEdge && code == u's')
        return u' ';
    if (atEdge && code == u't')
        return u'\t';
    return {};
}

bool needsEscape(const QString &text)
{
    const auto edge = [](QChar c) { return c == u' ' || c == u'\t'; };
    return !text.isEmpty() && (edge(text.front()) || edge(text.back()) ||
                               std::any_of(text.begin(), text.end(), [](QChar c) {
                                   return c == u'\r' || c == u'\n' || c == Escape;
                               }));
}

QString escaped(const QString &text)
{
    if (!needsEscape(text))
        return text;
    QString result;
    result.reserve(text.size() + 4);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar code = escapeCode(text[i], i == 0 || i == text.size() - 1);
        if (code.isNull())
            result.append(text[i]);
        else
            result.append(Escape).append(code);
    }
    return result;
}

QString unescaped(QStringView text)
{
    if (!text.contains(Escape))
        return text.toString();
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        const QChar original =
            text[i] == Escape ? escapedCharacter(next, i == 0 || i + 2 == text.size()) : QChar();
        if (original.isNull()) {
            result.append(text[i]);
        } else {
            result.append(original);
            ++i;
        }
    }
    return result;
}

} // namespace

QByteArray serializeTree(const QList<TreeLine> &preOrder)
{
    QByteArray bytes;
    for (const TreeLine &line : preOrder) {
        bytes.append(line.level, '\t');
        bytes.append(escaped(line.text).toUtf8());
        bytes.append("\r\n");
    }
    return bytes;
}

ParsedTree parseTree(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QString text =
        decodeText(nul < 0 ? bytes : bytes.first(nul), SingleByteFallback::Windows1252);

    ParsedTree tree;
    int previousLevel = -1;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        qsizetype textStart = start;
        while (textStart < end && (text[textStart] == u'\t' || text[textStart] == u' '))
            ++textStart;
        const int depth = int(textStart - start);
        const QString nodeText = unescaped(QStringView(text).sliced(textStart, end - textStart));
        // The first node is top-level whatever its indent; every later node may sit at most one
        // level below the one before.
        if (previousLevel >= 0 && depth > previousLevel + 1) {
            tree.error =
                u"Ungültige Ebene (%1) für Eintrag \"%2\""_s.arg(QString::number(depth), nodeText);
            return tree;
        }
        previousLevel = previousLevel < 0 ? 0 : depth;
        tree.lines.append({previousLevel, nodeText});

        if (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return tree;
}

void saveTreeFile(const QString &fileName, const QList<TreeLine> &preOrder)
{
    // The tree goes to a temporary file that replaces the old one only once all of it is stored,
    // so a full disk is reported instead of leaving a short file behind. commit() neither reports
    // a failed final flush nor a failed sync, hence both are checked first.
    const QByteArray bytes = serializeTree(preOrder);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        ::fsync(file.handle()) != 0 || !file.commit())
        throw AppError(u"Datei %1 kann nicht erstellt werden"_s.arg(fileName));
}

QByteArray readTreeFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(u"Datei %1 kann nicht geöffnet werden"_s.arg(fileName));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(u"Datei %1 kann nicht geöffnet werden"_s.arg(fileName));
    return bytes;
}
