#include "cli/CatalogueLocation.h"
#include "cli/CatalogueRecords.h"
#include "cli/Commands.h"
#include "cli/CommonOptions.h"
#include "cli/OutputTarget.h"

int runExport(const Invocation &invocation, CommandContext &context)
{
    const OutputFormat format = chosenFormat(invocation, std::nullopt, context.texts);
    const CataloguePlace catalogue = verifiedCatalogueOf(invocation, context.texts);
    const std::optional<QString> disc = chosenDisc(invocation, catalogue, context.texts);
    OutputTarget target(context.out, invocation.value(CommonOptions::Output), context.texts);
    const std::unique_ptr<RecordWriter> writer = makeRecordWriter(
        format, target.sink(),
        {Column::Key, Column::Disc, Column::Path, Column::Info, Column::Contents}, context.texts);
    // The page's tables are per disc, so there a disc's records come together.
    const RecordOrder order =
        format == OutputFormat::Html ? RecordOrder::DiscsTogether : RecordOrder::ByKey;
    forEachRecord(catalogue, disc, order, [&](const RecordRow &row) { writer->write(row); });
    writer->end();
    target.finish();
    return 0;
}
