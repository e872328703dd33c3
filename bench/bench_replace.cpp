#include "BenchReport.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/ImportRun.h"
#include "catalogue/SearchIndex.h"
#include "CatalogueGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr int DiscFiles = 100'000;
constexpr int ChangedEvery = 100; // 1 %
constexpr int FilesPerFolder = 1'000;
const QString ReplacedDisc = u"WECHSEL"_s;
const QString ComparedDisc = u"ORDNER"_s;

// A scan's selection and side texts: the generator's next 100,000 records, as an import turns
// them back into the same records. The second version changes the description of 1 %.
struct ScannedDisc
{
    QStringList selection;
    SideTextStore sideTexts;
};

void fill(ScannedDisc &disc, bool changed)
{
    RecordGenerator generator;
    for (int index = 0; index < DiscFiles; ++index) {
        const CatalogueRecord record = generator.next();
        disc.selection.append(record[2].value_or(QString()));
        QString info = record[3].value_or(QString());
        if (changed && index % ChangedEvery == 0)
            info += u" (neu)"_s;
        if (!info.isEmpty())
            disc.sideTexts.create(SideTextStore::Kind::Description, index + 1).text = info;
        if (record[4])
            disc.sideTexts.create(SideTextStore::Kind::Listing, index + 1).text = *record[4];
    }
}

void expectDone(const ImportOutcome &outcome, const char *what)
{
    if (outcome.result != ImportOutcome::Result::Done || outcome.stored != DiscFiles)
        qFatal("the %s stored %d records: %s", what, int(outcome.stored),
               qPrintable(outcome.message));
}

// Best times of two pieces of work, run in alternation so that a change of machine load
// affects both alike.
std::pair<double, double> bestOfBoth(int runs, const std::function<void()> &work,
                                     const std::function<void()> &reference)
{
    double best = std::numeric_limits<double>::max();
    double bestReference = best;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        timer.start();
        reference();
        bestReference = std::min(bestReference, timer.nsecsElapsed() / 1e9);
    }
    return {best, bestReference};
}

// The million-record catalogue with the disc of 100,000 records added, and a current search
// index, as after a search: a copy made once per run in folder.
QString catalogueWithDisc(const QString &data, const QString &folder, const ScannedDisc &disc)
{
    const QString fileName = folder + u"/CD.db"_s;
    QDir().mkpath(folder);
    QFile::remove(fileName);
    if (!QFile::copy(largeCatalogue(data + u"/catalogue_1m"_s), fileName))
        qFatal("cannot copy the large catalogue to %s", qPrintable(fileName));
    expectDone(ImportRun(disc.selection, disc.sideTexts, true, true)
                   .into(CataloguePlace::file(fileName), ReplacedDisc),
               "first import");
    SearchIndex::forCatalogue(fileName).rebuild();
    return fileName;
}

// Replacing the disc in the catalogue of a million records, 1 % of it changed each time,
// against an import of the same disc into an empty catalogue with a current search index.
void benchReplace(const QString &folder, const QString &catalogue, const ScannedDisc &before)
{
    ScannedDisc after;
    fill(after, true);
    const QString empty = folder + u"/empty.db"_s;
    const QString imported = folder + u"/import/CD.db"_s;
    QFile::remove(empty);
    createEmptyCatalogue(empty);
    QDir().mkpath(folder + u"/import"_s);

    bool changed = false;
    const auto replace = [&] {
        changed = !changed;
        const ScannedDisc &disc = changed ? after : before;
        const ImportOutcome outcome = ImportRun(disc.selection, disc.sideTexts, true, true)
                                          .replacing(CataloguePlace::file(catalogue), ReplacedDisc);
        expectDone(outcome, "replace");
        if (outcome.changes.changed() != DiscFiles / ChangedEvery || outcome.changes.added() != 0)
            qFatal("the replace found %d changed and %d new files", int(outcome.changes.changed()),
                   int(outcome.changes.added()));
    };
    const auto import = [&] {
        QFile::remove(imported);
        QFile::copy(empty, imported);
        SearchIndex::forCatalogue(imported).rebuild();
        expectDone(ImportRun(after.selection, after.sideTexts, true, true)
                       .into(CataloguePlace::file(imported), ReplacedDisc),
                   "import");
    };
    const auto [seconds, importSeconds] = bestOfBoth(3, replace, import);
    if (SearchIndex::forCatalogue(catalogue).condition() == SearchIndex::Condition::Stale)
        qFatal("the replace left the search index stale");
    printBench(u"replace_100k"_s, seconds, u"s"_s, {Goal::ratioAtMost(2)}, u"import_100k"_s,
               importSeconds);
}

// A folder of 100,000 empty ".EXE" files, a thousand to a folder, made once and kept.
QString generateDisc(const QString &data)
{
    const QString root = data + u"/replace-disc-100000"_s;
    const QString marker = root + u".complete"_s;
    if (QFile::exists(marker))
        return root;
    QDir(root).removeRecursively();
    for (int index = 0; index < DiscFiles; ++index) {
        const QString folder =
            u"%1/F%2"_s.arg(root).arg(index / FilesPerFolder, 3, 10, QChar(u'0'));
        if (index % FilesPerFolder == 0 && !QDir().mkpath(folder))
            qFatal("cannot create %s", qPrintable(folder));
        QFile file(u"%1/P%2.EXE"_s.arg(folder).arg(index, 6, 10, QChar(u'0')));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(file.fileName()));
    }
    if (QFile done(marker); !done.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(marker));
    return root;
}

int runTool(const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral(TRALBO_CLI), arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        qFatal("tralbo-cli %s failed", qPrintable(arguments.join(u' ')));
    return process.exitCode();
}

// "tralbo-cli diff" of a folder of 100,000 files against its stored records in the catalogue of
// a million, with 1 % of them stored with another description, against "tralbo-cli scan" of the
// same folder: the scan alone.
void benchDiff(const QString &data, const QString &catalogue)
{
    const QString disc = generateDisc(data);
    if (runTool({u"import"_s, disc, u"--exe"_s, u"--name"_s, ComparedDisc, u"--catalogue"_s,
                 catalogue}) != 0)
        qFatal("the import of %s failed", qPrintable(disc));
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"change"_s);
        database.setDatabaseName(catalogue);
        QSqlQuery change(database);
        if (!database.open() ||
            !change.exec(
                u"UPDATE CD SET INFO = 'alt' WHERE CD = '%1' AND rowid % %2 = 0"_s.arg(ComparedDisc)
                    .arg(ChangedEvery)))
            qFatal("cannot change records: %s", qPrintable(change.lastError().text()));
    }
    QSqlDatabase::removeDatabase(u"change"_s);
    const auto diff = [&] {
        if (runTool({u"diff"_s, ComparedDisc, disc, u"--exe"_s, u"--catalogue"_s, catalogue}) != 3)
            qFatal("diff found no change");
    };
    const Comparison times =
        compareWithProgram(3, diff, QStringLiteral(TRALBO_CLI), {u"scan"_s, disc, u"--exe"_s});
    printBench(u"diff_100k"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(1.5)}, u"scan"_s,
               times.referenceSeconds);
}

} // namespace

// Bringing a catalogued disc of 100,000 files up to date: replacing it in a catalogue of a
// million records, and the diff that shows what a replace would change.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    const QString data = arguments.dataFolder();
    const bool replace = arguments.wants(u"replace_100k");
    const bool diff = arguments.wants(u"diff_100k");
    if (!replace && !diff)
        return 0;
    const QString folder = data + u"/replace_100k"_s;
    ScannedDisc before;
    fill(before, false);
    const QString catalogue = catalogueWithDisc(data, folder, before);
    if (replace)
        benchReplace(folder, catalogue, before);
    if (diff)
        benchDiff(data, catalogue);
    return 0;
}
