#include "base/AppError.h"
#include "catalogue/CatalogueBackend.h"
#include "catalogue/DiscChanges.h"
#include "catalogue/DiscNameList.h"
#include "catalogue/ImportRun.h"
#include "catalogue/SearchIndex.h"
#include "cli/CatalogueLocation.h"
#include "cli/Commands.h"
#include "cli/CommandScan.h"
#include "cli/TextSink.h"
#include "cli/UsageError.h"
#include "platform/DriveTable.h"
#include "vdrive/DiscTrees.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString Name = u"--name"_s;
const QString Replace = u"--replace"_s;
const QString Tree = u"--tree"_s;
const QString Wait = u"--wait"_s;
constexpr int DefaultWaitSeconds = 60;

void failWith(const ImportOutcome &outcome, bool replacing, const Texts &texts)
{
    if (replacing && outcome.result == ImportOutcome::Result::RecordRejected) {
        const QString refused =
            outcome.rejected
                ? texts(u"Datensatz %1 wurde abgewiesen"_s, u"Record %1 was rejected"_s)
                      .arg(*outcome.rejected)
                : texts(u"Der Katalog hat die Datensätze abgewiesen"_s,
                        u"The catalogue rejected the records"_s);
        throw AppError(refused +
                       texts(u"; die CD ist unverändert"_s, u"; the disc is unchanged"_s) +
                       (outcome.message.isEmpty() ? QString() : u": "_s + outcome.message));
    }
    switch (outcome.result) {
    case ImportOutcome::Result::Done:
        return;
    case ImportOutcome::Result::CatalogueMissing:
        throw AppError(texts(u"Konnte Datenbank CD.DB nicht öffnen. (oder finden?)"_s,
                             u"Could not open the catalogue"_s));
    case ImportOutcome::Result::NotWritable:
    case ImportOutcome::Result::ConnectionLost:
    case ImportOutcome::Result::Locked:
        throw AppError(outcome.message);
    case ImportOutcome::Result::TreeFailed:
        throw AppError(texts(u"Nichts wurde gespeichert: %1"_s, u"Nothing was stored: %1"_s)
                           .arg(outcome.message));
    case ImportOutcome::Result::RecordRejected:
        throw AppError(texts(u"Datensatz %1 wurde abgewiesen; die %2 davor sind gespeichert"_s,
                             u"Record %1 was rejected; the %2 before it are stored"_s)
                           .arg(outcome.rejected.value_or(outcome.stored + 1))
                           .arg(outcome.stored) +
                       (outcome.message.isEmpty() ? QString() : u": "_s + outcome.message));
    }
}

// The disc list must take the name once the records are committed; a list that cannot be written
// stops the import before anything is stored.
void checkListWritable(const QString &listFile, const Texts &texts)
{
    const QFileInfo list(listFile);
    if (list.exists() ? list.isWritable() : QFileInfo(list.absolutePath()).isWritable())
        return;
    throw AppError(
        texts(u"Die CD-Liste %1 kann nicht geschrieben werden; nichts wurde gespeichert"_s,
              u"The disc list %1 cannot be written; nothing was stored"_s)
            .arg(QDir::toNativeSeparators(listFile)));
}

// The window lists a disc it imported in its disc list and writes the list when it closes.
// A replaced disc that the list names already keeps its one place there.
void listDisc(const QString &listFile, const QString &name, bool replacing)
{
    QStringList names = QFileInfo(listFile).isFile() ? DiscNameList::load(listFile)
                                                     : QStringList{DiscNameList::AllDiscs};
    if (replacing && names.contains(name))
        return;
    names.append(name);
    DiscNameList::save(listFile, names);
}

// Whether the import adds to a disc the catalogue holds already; a catalogue that cannot be read
// is the import's to report.
bool holdsDisc(const CataloguePlace &catalogue, const QString &name)
{
    try {
        return catalogueHoldsDisc(catalogue, name);
    } catch (const AppError &) {
        return false;
    }
}

int waitSeconds(const Invocation &invocation, const Texts &texts)
{
    if (!invocation.has(Wait))
        return DefaultWaitSeconds;
    bool valid = false;
    const int seconds = invocation.value(Wait).toInt(&valid);
    if (!valid || seconds < 0)
        throw UsageError(texts(u"--wait braucht eine Zahl von Sekunden"_s,
                               u"--wait needs a number of seconds"_s));
    return seconds;
}

// Says once that the import waits, then waits as long as --wait allows.
std::function<bool()> waitingFor(int seconds, CommandContext &context)
{
    return waitingUpTo(qint64(seconds) * 1000, [&context, said = false]() mutable {
        if (!std::exchange(said, true)) {
            context.err << context.texts(u"Warte auf die Datenbank, die ein anderer Import oder "
                                         u"ein anderes Programm gerade benutzt …\n"_s,
                                         u"Waiting for the catalogue, which another import or "
                                         u"program is using …\n"_s);
            context.err.flush();
        }
        return true;
    });
}

} // namespace

QList<OptionSpec> importOptionSpecs()
{
    return {
        {Name,
         {},
         u"NAME"_s,
         u"Unter diesem CD-Namen aufnehmen"_s,
         u"Import under this disc name"_s},
        {Replace,
         {},
         {},
         u"Die Datensätze und den Verzeichnisbaum einer CD dieses Namens ersetzen, alles oder "
         u"nichts"_s,
         u"Replace the records and the directory tree of a disc of this name, all or nothing"_s},
        {Tree,
         {},
         {},
         u"Das virtuelle Laufwerk (NAME.vfs, beim Server im Katalog) mit speichern"_s,
         u"Also store the virtual drive (NAME.vfs, in the catalogue on a server)"_s},
        {Wait,
         {},
         u"SEKUNDEN"_s,
         u"So lange auf einen Katalog warten, den ein anderes Programm benutzt (60)"_s,
         u"Wait this long for a catalogue that another program is using (60)"_s}};
}

int runImport(const Invocation &invocation, CommandContext &context)
{
    const Texts &texts = context.texts;
    const QString name = invocation.value(Name);
    if (name.isEmpty())
        throw UsageError(texts(u"import braucht --name NAME"_s, u"import needs --name NAME"_s));
    const int seconds = waitSeconds(invocation, texts);
    // What can fail is checked before anything is stored, so that a retry never stores the
    // disc twice.
    const CataloguePlace catalogue = preparedCatalogueOf(invocation, texts);
    const DiscTrees trees(catalogue);
    if (invocation.has(Tree) && !trees.canKeep(name))
        throw UsageError(texts(u"Aus dem CD-Namen %1 lässt sich kein Dateiname für --tree bilden"_s,
                               u"The disc name %1 cannot name a file for --tree"_s)
                             .arg(name));
    const QString listFile = catalogue.discListFile();
    checkListWritable(listFile, texts);
    const bool replacing = invocation.has(Replace);
    const bool addedToCatalogued = !replacing && holdsDisc(catalogue, name);

    CommandScan scan(invocation, context);
    scan.run();
    const SelectionOptions &options = scan.choice().options;
    const ImportRun import(scan.result().selection(), scan.result().sideTexts(),
                           options.captureDescriptions, options.listZipMembers);
    ImportSteps steps;
    steps.waiting = waitingFor(seconds, context);
    if (invocation.has(Tree)) {
        const ScanTarget &target = scan.target();
        steps.tree = [&] {
            return trees.treeText(name, DriveSnapshot({target.drive}), target.root, target.caption);
        };
    }
    const ImportOutcome outcome =
        replacing ? import.replacing(catalogue, name, steps) : import.into(catalogue, name, steps);
    failWith(outcome, replacing, texts);
    QString imported = texts(u"%1 Datensätze als %2 aufgenommen"_s, u"%1 records imported as %2"_s)
                           .arg(outcome.stored)
                           .arg(name);
    if (replacing)
        imported += texts(u" (ersetzt: %1 neu, %2 entfernt, %3 geändert)"_s,
                          u" (replaced: %1 new, %2 deleted, %3 changed)"_s)
                        .arg(outcome.changes.added())
                        .arg(outcome.changes.removed())
                        .arg(outcome.changes.changed());
    QString afterCommit = outcome.failureAfterCommit;
    try {
        listDisc(listFile, name, replacing);
    } catch (const AppError &error) {
        afterCommit = error.message();
    }
    if (!afterCommit.isEmpty())
        throw AppError(imported + texts(u", aber: %1 (nicht noch einmal aufnehmen)"_s,
                                        u", but: %1 (do not import it again)"_s)
                                      .arg(afterCommit));
    // Searches from the terminal find the new records through the index at once. The index only
    // speeds searches up, so a failure to update it fails nothing. A server keeps its own.
    try {
        if (const std::optional<SearchIndex> index = catalogue.backend().searchIndex(catalogue))
            index->update();
    } catch (const AppError &) {
    }
    if (addedToCatalogued) {
        context.err << texts(u"Die CD %1 war schon im Katalog; die Datensätze sind hinzugekommen "
                             u"(--replace ersetzt sie)\n"_s,
                             u"The disc %1 was in the catalogue already; the records were added "
                             u"(--replace replaces them)\n"_s)
                           .arg(name);
        context.err.flush();
    }
    context.out << imported << u'\n';
    return 0;
}
