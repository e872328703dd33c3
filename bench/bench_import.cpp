#include "app/Environment.h"
#include "app/Unit1.h"
#include "BenchReport.h"
#include "catalogue/BrowseQuery.h"
#include "catalogue/CatalogueSchema.h"
#include "catalogue/SearchIndex.h"
#include "devices/DriveComboBox.h"
#include "FolderDriveTable.h"
#include "IsolatedDesktop.h"
#include "platform/DialogService.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QPushButton>

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <set>
#include <string>

using namespace Qt::StringLiterals;

namespace {

const QString DiscName = u"SHAREWARE"_s;
constexpr int FilesPerFolder = 1'000;
constexpr int FoldersPerParent = 10;

// A disc of count empty ".EXE" files, a thousand to a folder two levels down, with 8.3 names: the
// ".EXE" test keeps every one, so a scan's selection holds exactly count files, and nothing on the
// disc costs more to create than its name. Made once below root and kept there.
QString generateSelection(const QString &root, int count)
{
    const QString tree = u"%1/selection-%2"_s.arg(root).arg(count);
    const QString marker = tree + u".complete"_s;
    if (QFile::exists(marker) && QDir(tree).exists())
        return tree;
    QFile::remove(marker);
    QDir(tree).removeRecursively();
    std::mt19937 random(count);
    const auto name = [&](int longest) {
        static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
        std::string text(1, Letters[random() % 26]);
        for (std::size_t length = 2 + random() % (longest - 1); text.size() < length;)
            text.push_back(Letters[random() % (sizeof Letters - 1)]);
        return text;
    };
    for (int folder = 0; folder * FilesPerFolder < count; ++folder) {
        const QString path = u"%1/D%2/%3"_s.arg(tree)
                                 .arg(folder / FoldersPerParent, 3, 10, QChar(u'0'))
                                 .arg(QString::fromStdString(name(8)));
        if (!QDir().mkpath(path))
            qFatal("cannot create %s", qPrintable(path));
        const std::string prefix = QFile::encodeName(path).toStdString() + '/';
        std::set<std::string> names;
        while (int(names.size()) < std::min(FilesPerFolder, count - folder * FilesPerFolder)) {
            const std::string file = name(8) + ".EXE";
            if (!names.insert(file).second)
                continue;
            const int fd = ::open((prefix + file).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
            if (fd < 0)
                qFatal("cannot create %s%s", prefix.c_str(), file.c_str());
            ::close(fd);
        }
    }
    if (QFile done(marker); !done.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(marker));
    return tree;
}

// Names every disc at once and ends the benchmark on any other box.
class NamingDialogService final : public DialogService
{
public:
    void warning(const QString &message) override { fail(message); }
    void errorReport(const QString &message) override { fail(message); }
    void plainMessage(const QString &message) override { fail(message); }
    std::optional<QString> askDiscName(const QString &) override { return DiscName; }
    bool confirmDelete() override { return false; }

private:
    static void fail(const QString &message) { qFatal("a box was shown: %s", qPrintable(message)); }
};

// An empty catalogue, and an index for it as a search leaves it, which imports keep current.
struct EmptyCatalogue
{
    explicit EmptyCatalogue(const QString &folder)
        : file(folder + u"/empty.db"_s), index(SearchIndex::forCatalogue(file).fileName())
    {
        QFile::remove(file);
        createEmptyCatalogue(file);
        SearchIndex::forCatalogue(file).rebuild();
    }
    // Replaces the catalogue at fileName with an empty one. Its index is made anew: an index
    // matches its catalogue's inode and time, which a copy does not keep.
    void copyTo(const QString &fileName) const
    {
        QFile::remove(fileName);
        if (!QFile::copy(file, fileName))
            qFatal("cannot copy the empty catalogue to %s", qPrintable(fileName));
        SearchIndex::forCatalogue(fileName).rebuild();
    }

    QString file;
    QString index;
};

// The records an import stored, as CSV lines the sqlite3 shell imports as they are.
void dumpRows(const QString &catalogue, const QString &csv)
{
    runProgram(u"sqlite3"_s,
               {u"-csv"_s, catalogue, u"SELECT Nr, CD, DATEI, INFO, INHALT FROM CD"_s}, csv);
}

void checkImported(const QString &catalogue, int count)
{
    BrowseQuery query(CataloguePlace::file(catalogue));
    query.setRequest({BrowseRequest::Kind::AllDiscs, {}});
    query.open();
    if (query.resultRowCount() != count)
        qFatal("%s holds %d records, not %d", qPrintable(catalogue), int(query.resultRowCount()),
               count);
    if (!SearchIndex::forCatalogue(catalogue).isFresh())
        qFatal("the import left the search index of %s stale", qPrintable(catalogue));
}

// The sqlite3 shell's import of the rows into a fresh copy of the empty catalogue, as a shell
// command line that more can be put before.
QString shellImport(const QString &reference, const QString &empty, const QString &csv)
{
    return u"rm -f '%1' && cp '%2' '%1' && sqlite3 '%1' '.import --csv %3 CD'"_s.arg(reference,
                                                                                     empty, csv);
}

// The window with its catalogue in folder/window, the generated disc as drive D: and only the
// ".EXE" test on, scanned once; the import handler is timed from the click on its button until
// it has committed and shown the browse view again.
void benchWindow(const QString &data, int count, const QString &id)
{
    const QString folder = data + u"/import_%1"_s.arg(count);
    QDir().mkpath(folder + u"/window"_s);
    const EmptyCatalogue empty(folder);
    const QString ours = folder + u"/window/CD.db"_s;
    empty.copyTo(ours);

    FolderDriveTable drives(u'd', generateSelection(data, count));
    NamingDialogService dialogs;
    Environment environment;
    environment.drives = &drives;
    environment.dialogs = &dialogs;
    environment.catalogue = CataloguePlace::inFolder(folder + u"/window/"_s);
    IsolatedDesktop isolated;
    isolated.serve(environment);

    TForm1 form(environment);
    form.show();
    form.findChild<DriveComboBox *>(u"DriveComboBox1"_s)->setDrive(u'd');
    for (const QString &name : {u"cb1"_s, u"cb2"_s, u"cb3"_s, u"cb4"_s, u"cb8"_s, u"cb9"_s,
                                u"cb10"_s, u"cb5"_s, u"cb7"_s, u"cb20"_s})
        form.findChild<QCheckBox *>(name)->setChecked(name == u"cb1"_s);
    form.jep1Click();
    // The list hands out its rows as it is scrolled; all of them count here.
    QAbstractItemModel *kept = form.findChild<QListView *>(u"ListBox2"_s)->model();
    while (kept->canFetchMore({}))
        kept->fetchMore({});
    if (kept->rowCount() != count)
        qFatal("the scan did not keep %d files", count);

    auto *importButton = form.findChild<QPushButton *>(u"db1"_s);
    const auto import = [&] {
        // The handler ends with the import button off, as after every import: the next one
        // needs a scan, whose selection is still there.
        importButton->setEnabled(true);
        empty.copyTo(ours);
        importButton->click();
    };
    import();
    checkImported(ours, count);
    const QString csv = folder + u"/rows.csv"_s;
    dumpRows(ours, csv);
    const Comparison times = compareWithProgram(
        3, import, u"sh"_s, {u"-c"_s, shellImport(folder + u"/reference.db"_s, empty.file, csv)});
    checkImported(ours, count);
    printBench(id, times.seconds, u"s"_s, {Goal::ratioAtMost(1.2)}, u"sqlite3"_s,
               times.referenceSeconds);
}

// "tralbo-cli import" of the generated disc (the ".EXE" test on) into a fresh copy of the empty
// catalogue, which scans the disc, stores its records and brings the search index up to date.
// The reference does the same work with the sqlite3 shell in the engine's import, leaving out
// nothing the tool does: the tool's own scan of the disc (its selection list to nowhere), the
// shell's import of the rows the tool stored, and the engine filling the same FTS5 trigram
// table from the stored paths.
void benchCli(const QString &data, int count, const QString &id)
{
    const QString folder = data + u"/import_%1"_s.arg(count);
    QDir().mkpath(folder + u"/cli"_s);
    const EmptyCatalogue empty(folder);
    const QString ours = folder + u"/cli/CD.db"_s;
    const QString tree = generateSelection(data, count);
    const QString tool = QStringLiteral(TRALBO_CLI);
    const auto import = [&] {
        empty.copyTo(ours);
        runProgram(tool,
                   {u"import"_s, tree, u"--exe"_s, u"--name"_s, DiscName, u"--catalogue"_s, ours});
    };
    import();
    checkImported(ours, count);
    const QString csv = folder + u"/rows.csv"_s;
    dumpRows(ours, csv);
    const QString reference = folder + u"/reference.db"_s;
    const QString referenceIndex = SearchIndex::forCatalogue(reference).fileName();
    const QString script =
        u"'%1' scan '%2' --exe > /dev/null && %3 && rm -f '%4' && cp '%5' '%4' && "
        u"sqlite3 '%6' \"ATTACH '%4' AS idx\" "
        u"'INSERT INTO idx.trigrams (rowid, name) SELECT rowid, upper(DATEI) FROM main.CD'"_s.arg(
            tool, tree, shellImport(reference, empty.file, csv), referenceIndex, empty.index,
            reference);
    const Comparison times = compareWithProgram(3, import, u"sh"_s, {u"-c"_s, script});
    checkImported(ours, count);
    printBench(id, times.seconds, u"s"_s, {Goal::ratioAtMost(1.2)}, u"sqlite3"_s,
               times.referenceSeconds);
}

} // namespace

// Imports of a generated disc whose every file is kept, of 100,000 and of a million files, through
// the window's import button and through "tralbo-cli import", against the sqlite3 shell's .import
// of the same rows.
int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    const QString data = arguments.dataFolder();
    for (const auto &[count, size] : {std::pair{100'000, u"100k"_s}, {1'000'000, u"1m"_s}}) {
        if (const QString id = u"import_%1_window"_s.arg(size); arguments.wants(id))
            benchWindow(data, count, id);
        if (const QString id = u"import_%1_cli"_s.arg(size); arguments.wants(id))
            benchCli(data, count, id);
    }
    return 0;
}
