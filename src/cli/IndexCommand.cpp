#include "catalogue/CatalogueBackend.h"
#include "catalogue/SearchIndex.h"
#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/ProgressLine.h"
#include "cli/TextSink.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

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
        // How far the build has come, as a scan shows it.
        ProgressLine line(context.err);
        index.update([&](int percent) {
            if (line.due(percent >= 100))
                line.show(
                    texts(u"Baue den Suchindex auf: %1 %"_s, u"Building the search index: %1 %"_s)
                        .arg(percent));
        });
    }
    context.out << whatWasDone(before, texts).arg(QDir::toNativeSeparators(index.fileName()));
    return 0;
}
