#include "catalogue/CatalogueBackend.h"
#include "catalogue/SearchIndex.h"
#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/TextSink.h"

#include <QDir>
#include <QElapsedTimer>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 IntervalMs = 100;

// How far the build has come, as one line on standard error rewritten a few times a second when
// standard error is a terminal, and cleared at the end; silent otherwise, as for a scan.
class IndexProgressLine final
{
public:
    IndexProgressLine(TextSink &err, const Texts &texts)
        : m_err(err), m_texts(texts), m_shown(isatty(STDERR_FILENO) == 1)
    {}
    ~IndexProgressLine()
    {
        if (m_width > 0)
            show(QString());
    }
    Q_DISABLE_COPY_MOVE(IndexProgressLine)

    void reached(int percent)
    {
        if (m_sinceShown.isValid() && m_sinceShown.elapsed() < IntervalMs && percent < 100)
            return;
        show(m_texts(u"Baue den Suchindex auf: %1 %"_s, u"Building the search index: %1 %"_s)
                 .arg(percent));
    }

private:
    void show(const QString &text)
    {
        if (!m_shown)
            return;
        m_err << u'\r' << text.leftJustified(m_width) << (text.isEmpty() ? u"\r"_s : QString());
        m_width = text.size();
        m_err.flush();
        m_sinceShown.start();
    }

    TextSink &m_err;
    Texts m_texts;
    bool m_shown;
    QElapsedTimer m_sinceShown;
    qsizetype m_width = 0;
};

QString whatWasDone(SearchIndex::Condition before, const Texts &texts)
{
    switch (before) {
    case SearchIndex::Condition::Missing:
        return texts(u"Suchindex %1 angelegt\n"_s, u"Search index %1 built\n"_s);
    case SearchIndex::Condition::Stale:
        return texts(u"Suchindex %1 neu aufgebaut\n"_s, u"Search index %1 rebuilt\n"_s);
    case SearchIndex::Condition::Behind:
        return texts(u"Suchindex %1 um die neuen Datensätze ergänzt\n"_s,
                     u"Search index %1 extended by the new records\n"_s);
    case SearchIndex::Condition::Current:
        break;
    }
    return texts(u"Suchindex %1 ist auf dem neuesten Stand\n"_s,
                 u"Search index %1 is up to date\n"_s);
}

} // namespace

int runIndex(const Invocation &invocation, CommandContext &context)
{
    const Texts &texts = context.texts;
    const CataloguePlace catalogue = verifiedCatalogueOf(invocation, texts);
    const std::optional<SearchIndex> found = catalogue.backend().searchIndex(catalogue);
    if (!found) {
        context.out << texts(u"Ein Katalog auf einem Server führt seinen Suchindex selbst\n"_s,
                             u"A catalogue on a server keeps its own search index\n"_s);
        return 0;
    }
    const SearchIndex &index = *found;
    const SearchIndex::Condition before = index.condition();
    if (before != SearchIndex::Condition::Current) {
        IndexProgressLine line(context.err, texts);
        index.update([&](int percent) { line.reached(percent); });
    }
    context.out << whatWasDone(before, texts).arg(QDir::toNativeSeparators(index.fileName()));
    return 0;
}
