#include "catalogue/TrigramQuery.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// A few trigrams select as well as all of them; each one more is another list to intersect.
constexpr qsizetype MostTrigrams = 12;

bool isWildcard(QChar character)
{
    return character == u'%' || character == u'_';
}

// Where each character of the run starts, as the tokenizer counts characters (a surrogate pair
// is one), and its end last.
QList<qsizetype> characterStarts(QStringView run)
{
    QList<qsizetype> starts;
    for (qsizetype i = 0; i < run.size(); ++i) {
        starts.append(i);
        if (run[i].isHighSurrogate())
            ++i;
    }
    starts.append(run.size());
    return starts;
}

QString phrase(QStringView trigram)
{
    return u'"' + trigram.toString().replace(u'"', u"\"\""_s) + u'"';
}

} // namespace

QString trigramQuery(const QString &pattern)
{
    // Broken UTF-16 reaches SQLite's upper() as broken UTF-8, which it reads differently from
    // QString::toUpper().
    if (!pattern.isValidUtf16() || pattern.contains(QChar(0)))
        return {};
    const QString upperPattern = pattern.toUpper();
    QStringList phrases;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= upperPattern.size() && phrases.size() < MostTrigrams; ++i) {
        if (i < upperPattern.size() && !isWildcard(upperPattern[i]))
            continue;
        const QStringView run = QStringView(upperPattern).sliced(runStart, i - runStart);
        const QList<qsizetype> starts = characterStarts(run);
        for (qsizetype first = 0; first + 3 < starts.size(); ++first) {
            const QString trigram =
                phrase(run.sliced(starts[first], starts[first + 3] - starts[first]));
            if (!phrases.contains(trigram))
                phrases.append(trigram);
        }
        runStart = i + 1;
    }
    return phrases.mid(0, MostTrigrams).join(u" AND "_s);
}
