#include "catalogue/ImportRun.h"
#include "cli/Commands.h"
#include "cli/CommandScan.h"
#include "cli/CommonOptions.h"
#include "cli/TextSink.h"

int runScan(const Invocation &invocation, CommandContext &context)
{
    const OutputFormat format = chosenFormat(invocation, OutputFormat::Text, context.texts);
    CommandScan scan(invocation, context);
    scan.run();
    const QStringList &selection = scan.result().selection();
    if (format == OutputFormat::Text) {
        for (const QString &path : selection)
            context.out << path << u'\n';
        return 0;
    }
    // The records as an import would store them, without a disc name.
    const SelectionOptions &options = scan.choice().options;
    const ImportRun records(selection, scan.result().sideTexts(), options.captureDescriptions,
                            options.listZipMembers);
    const std::unique_ptr<RecordWriter> writer = makeRecordWriter(
        format, context.out, {Column::Path, Column::Info, Column::Contents}, context.texts);
    RecordRow row;
    for (qsizetype index = 0; index < selection.size(); ++index) {
        const CatalogueRecord record = records.record(index, QString());
        row.key = index + 1;
        std::copy(record.begin() + 1, record.end(), row.fields.begin());
        writer->write(row);
    }
    writer->end();
    return 0;
}
