#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/CommonOptions.h"
#include "cli/FoundRows.h"

int runSearch(const Invocation &invocation, CommandContext &context)
{
    const QString catalogue = verifiedCatalogueOf(invocation, context.texts);
    const std::optional<QString> disc = chosenDisc(invocation, catalogue, context.texts);
    const OutputFormat format = chosenFormat(invocation, OutputFormat::Text, context.texts);
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
