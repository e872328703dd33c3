#include "catalogue/CatalogueBackend.h"
#include "catalogue/SearchIndex.h"
#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/CommonOptions.h"
#include "cli/FoundRows.h"
#include "cli/TextSink.h"

#include <QDir>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The tool never updates the index itself while searching, as it ends at once; someone at a
// terminal is told how to make the next searches fast. Scripts see nothing of it.
void noticeUnusableIndex(const CataloguePlace &catalogue, CommandContext &context)
{
    const std::optional<SearchIndex> found = catalogue.backend().searchIndex(catalogue);
    if (isatty(STDERR_FILENO) != 1 || !found)
        return;
    const SearchIndex &index = *found;
    const SearchIndex::Condition condition = index.condition();
    if (condition != SearchIndex::Condition::Missing && condition != SearchIndex::Condition::Stale)
        return;
    const QString notice =
        condition == SearchIndex::Condition::Missing
            ? context.texts(u"Es gibt keinen Suchindex %1; \"tralbo-cli index\" legt ihn an"_s,
                            u"There is no search index %1; \"tralbo-cli index\" builds it"_s)
            : context.texts(u"Der Suchindex %1 ist veraltet; \"tralbo-cli index\" bringt ihn auf "
                            u"den neuesten Stand"_s,
                            u"The search index %1 is stale; \"tralbo-cli index\" brings it up "
                            u"to date"_s);
    context.err << u"tralbo-cli: "_s << notice.arg(QDir::toNativeSeparators(index.fileName()))
                << u'\n';
    context.err.flush();
}

} // namespace

int runSearch(const Invocation &invocation, CommandContext &context)
{
    const CataloguePlace catalogue = verifiedCatalogueOf(invocation, context.texts);
    const std::optional<QString> disc = chosenDisc(invocation, catalogue, context.texts);
    const OutputFormat format = chosenFormat(invocation, OutputFormat::Text, context.texts);
    noticeUnusableIndex(catalogue, context);
    // Lines for people carry disc and path; the formats for programs add the record's key.
    const QList<Column> columns = format == OutputFormat::Text
                                      ? QList<Column>{Column::Disc, Column::Path}
                                      : QList<Column>{Column::Key, Column::Disc, Column::Path};
    const std::unique_ptr<RecordWriter> writer =
        makeRecordWriter(format, context.out, columns, context.texts);
    forEachFoundRow(catalogue, invocation.operands.front(), disc,
                    [&](const RecordRow &row) { writer->write(row); });
    writer->end();
    return 0;
}
