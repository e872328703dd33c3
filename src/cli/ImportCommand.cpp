#include "app/DiscNameList.h"
#include "base/AppError.h"
#include "catalogue/ImportRun.h"
#include "catalogue/SearchIndex.h"
#include "catalogue/ServerLocation.h"
#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/CommandScan.h"
#include "cli/TextSink.h"
#include "cli/UsageError.h"
#include "platform/DriveTable.h"
#include "vdrive/DiscTrees.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

const QString Name = u"--name"_s;
const QString Tree = u"--tree"_s;

void failWith(const ImportOutcome &outcome, const Texts &texts)
{
    switch (outcome.result) {
    case ImportOutcome::Result::Done:
        return;
    case ImportOutcome::Result::CatalogueMissing:
        throw AppError(texts(u"Konnte Datenbank CD.DB nicht öffnen. (oder finden?)"_s,
                             u"Could not open the catalogue"_s));
    case ImportOutcome::Result::NotWritable:
    case ImportOutcome::Result::ConnectionLost:
        throw AppError(outcome.message);
    case ImportOutcome::Result::RecordRejected:
        throw AppError(texts(u"Datensatz %1 wurde abgewiesen; die %2 davor sind gespeichert"_s,
                             u"Record %1 was rejected; the %2 before it are stored"_s)
                           .arg(outcome.stored + 1)
                           .arg(outcome.stored) +
                       (outcome.message.isEmpty() ? QString() : u": "_s + outcome.message));
    }
}

// The window lists a disc it imported in its disc list and writes the list when it closes.
void listDisc(const QString &directory, const QString &name)
{
    const QString listFile = directory + u"Quilo.lst"_s;
    QStringList names = QFileInfo(listFile).isFile() ? DiscNameList::load(listFile)
                                                     : QStringList{DiscNameList::AllDiscs};
    names.append(name);
    DiscNameList::save(listFile, names);
}

} // namespace

QList<OptionSpec> importOptionSpecs()
{
    return {{Name,
             {},
             u"NAME"_s,
             u"Unter diesem CD-Namen aufnehmen"_s,
             u"Import under this disc name"_s},
            {Tree,
             {},
             {},
             u"Das virtuelle Laufwerk (NAME.vfs, beim Server im Katalog) mit speichern"_s,
             u"Also store the virtual drive (NAME.vfs, in the catalogue on a server)"_s}};
}

int runImport(const Invocation &invocation, CommandContext &context)
{
    const Texts &texts = context.texts;
    const QString name = invocation.value(Name);
    if (name.isEmpty())
        throw UsageError(texts(u"import braucht --name NAME"_s, u"import needs --name NAME"_s));
    const QString catalogue = verifiedCatalogueOf(invocation, texts);
    const QString directory = dataDirectory(invocation);
    const DiscTrees trees(directory, catalogue);
    if (invocation.has(Tree) && !trees.canKeep(name))
        throw UsageError(texts(u"Aus dem CD-Namen %1 lässt sich kein Dateiname für --tree bilden"_s,
                               u"The disc name %1 cannot name a file for --tree"_s)
                             .arg(name));

    CommandScan scan(invocation, context);
    scan.run();
    const SelectionOptions &options = scan.choice().options;
    const ImportRun import(scan.result().selection(), scan.result().sideTexts(),
                           options.captureDescriptions, options.listZipMembers);
    const ImportOutcome outcome = import.into(catalogue, name);
    failWith(outcome, texts);
    listDisc(directory, name);
    // Searches from the terminal find the new records through the index at once. The index only
    // speeds searches up, so a failure to update it fails nothing. A server keeps its own.
    try {
        if (!ServerLocation::isServer(catalogue))
            SearchIndex::forCatalogue(catalogue).update();
    } catch (const AppError &) {
    }
    if (invocation.has(Tree)) {
        const DriveSnapshot drives({scan.target().drive});
        trees.store(name, drives, scan.target().root, scan.target().caption);
    }
    context.out << texts(u"%1 Datensätze als %2 aufgenommen\n"_s, u"%1 records imported as %2\n"_s)
                       .arg(outcome.stored)
                       .arg(name);
    return 0;
}
