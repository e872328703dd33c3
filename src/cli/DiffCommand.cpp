#include "catalogue/DiscChanges.h"
#include "catalogue/ImportRun.h"
#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/CommandScan.h"
#include "cli/CommonOptions.h"
#include "cli/JsonWriter.h"
#include "cli/TextSink.h"

#include <future>

using namespace Qt::StringLiterals;

namespace {

// Exit code when a replace would change something, so that scripts can tell without reading.
constexpr int SomethingWouldChange = 3;

void writeJson(TextSink &out, const DiscChanges &changes)
{
    QString line;
    bool first = true;
    for (const DiscChanges::Change &change : changes.changes()) {
        line = first ? u"[\n{\"change\":"_s : u",\n{\"change\":"_s;
        first = false;
        appendJsonString(line, DiscChanges::sign(change.kind));
        line += u",\"DATEI\":"_s;
        appendJsonString(line, change.path);
        line += u'}';
        out << line;
    }
    out << (first ? u"[]\n"_s : u"\n]\n"_s);
}

} // namespace

int runDiff(const Invocation &invocation, CommandContext &context)
{
    const OutputFormat format = chosenFormat(invocation, OutputFormat::Text, context.texts);
    const QString name = invocation.operands.front();
    const CataloguePlace catalogue = verifiedCatalogueOf(invocation, context.texts);
    // The stored records are read while the disc is scanned, which takes about as long.
    std::future<QList<DiscFile>> stored =
        std::async(std::launch::async, [&] { return storedFilesOf(catalogue, name); });
    // The scan reads its drive from its first operand.
    Invocation scanned = invocation;
    scanned.operands.removeFirst();
    CommandScan scan(scanned, context);
    scan.run();
    const SelectionOptions &options = scan.choice().options;
    const ImportRun records(scan.result().selection(), scan.result().sideTexts(),
                            options.captureDescriptions, options.listZipMembers);
    const DiscChanges changes = DiscChanges::between(stored.get(), records.files());
    if (format == OutputFormat::Json) {
        writeJson(context.out, changes);
    } else {
        for (const DiscChanges::Change &change : changes.changes())
            context.out << DiscChanges::sign(change.kind) << u' ' << change.path << u'\n';
    }
    return changes.isEmpty() ? 0 : SomethingWouldChange;
}
