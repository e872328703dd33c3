#include "BenchReport.h"
#include "catalogue/CatalogueSchema.h"
#include "TreeGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <random>

using namespace Qt::StringLiterals;

namespace {

constexpr int RecordCount = 1'000'000;
constexpr int DiscRecords = 2'000;
const QString Columns = u"Nr, CD, DATEI, INFO, INHALT"_s;

// Catalogue-like records, the same on every run: short paths, a 1 KB description with quotes,
// umlauts and CR LF for 20% of them, a 2 KB archive listing for 5%.
class RecordGenerator final
{
public:
    QVariantList next(int index)
    {
        const int kind = int(m_random() % 100);
        return {u"SHAREWARE %1"_s.arg(index / DiscRecords + 1),
                u"d:\\GAMES\\%1\\%2.EXE"_s.arg(word(), word()),
                kind < 20 ? QVariant(text(1024, u"Das \"beste\" Spiel für DOS, mit Sound "_s))
                          : QVariant(),
                kind >= 95 ? QVariant(text(2048, u"  12345  04-01-96 12:00  README.TXT"_s))
                           : QVariant()};
    }

private:
    QString word()
    {
        QString result;
        for (int length = 3 + int(m_random() % 6); length > 0; --length)
            result += QChar(u'A' + int(m_random() % 26));
        return result;
    }

    QString text(int size, const QString &line)
    {
        QString result;
        while (result.size() < size)
            result += line + word() + u"\r\n"_s;
        return result;
    }

    std::mt19937 m_random{19'960'401};
};

// The catalogue of a million records, made once and kept in the data folder.
QString largeCatalogue(const QString &folder)
{
    const QString fileName = folder + u"/CD.db"_s;
    if (QFile::exists(fileName))
        return fileName;
    QDir().mkpath(folder);
    const QString building = folder + u"/building.db"_s;
    QFile::remove(building);
    createEmptyCatalogue(building);
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"bench"_s);
        database.setDatabaseName(building);
        if (!database.open())
            qFatal("cannot open %s", qPrintable(building));
        QSqlQuery insert(database);
        insert.exec(u"BEGIN"_s);
        insert.prepare(u"INSERT INTO CD (CD, DATEI, INFO, INHALT) VALUES (?, ?, ?, ?)"_s);
        RecordGenerator records;
        for (int index = 0; index < RecordCount; ++index) {
            const QVariantList fields = records.next(index);
            for (int i = 0; i < int(fields.size()); ++i)
                insert.bindValue(i, fields[i]);
            if (!insert.exec())
                qFatal("insert failed: %s", qPrintable(insert.lastError().text()));
        }
        insert.exec(u"COMMIT"_s);
    }
    QSqlDatabase::removeDatabase(u"bench"_s);
    if (!QFile::rename(building, fileName))
        qFatal("cannot rename %s", qPrintable(building));
    return fileName;
}

void run(const QString &program, const QStringList &arguments, bool keepOutput = true)
{
    QProcess process;
    if (!keepOutput)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
}

// The whole catalogue as CSV into a file, against the sqlite3 shell writing the same columns as
// CSV into a file of its own.
void benchExportCsv(const QString &folder)
{
    const QString catalogue = largeCatalogue(folder);
    const QString ours = folder + u"/export.csv"_s;
    const QString reference = folder + u"/reference.csv"_s;
    const Comparison times = compareWithProgram(
        3,
        [&] {
            run(QStringLiteral(TRALBO_CLI),
                {u"export"_s, u"--csv"_s, u"--catalogue"_s, catalogue, u"-o"_s, ours});
        },
        u"sqlite3"_s,
        {u"-csv"_s, u"-header"_s, u"-cmd"_s, u".output "_s + reference, catalogue,
         u"SELECT %1 FROM CD"_s.arg(Columns)});
    // Both hold the header and the same records; ours quotes every text, the shell only some.
    if (QFile(ours).size() < QFile(reference).size())
        qFatal("the export is shorter than the shell's");
    QFile::remove(ours);
    QFile::remove(reference);
    printBench(u"export_1m_csv"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(1.5)}, u"sqlite3"_s,
               times.referenceSeconds);
}

// A scan of the generated disc keeping every file the five extension boxes keep, against find(1)
// listing all of its files; both write to nowhere.
void benchCliScan(const QString &dataFolder)
{
    const QString tree = generateTree(dataFolder, TreeShape());
    const Comparison times = compareWithProgram(
        3,
        [&] {
            run(QStringLiteral(TRALBO_CLI),
                {u"scan"_s, tree, u"--exe"_s, u"--com"_s, u"--bat"_s, u"--zip"_s, u"--pas"_s},
                false);
        },
        u"find"_s, {tree, u"-type"_s, u"f"_s});
    printBench(u"cli_scan_200k"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(1.2)}, u"find"_s,
               times.referenceSeconds);
}

} // namespace

// The command-line tool's export and scan over generated data, against the sqlite3 shell and find.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    if (arguments.wants(u"export_1m_csv"))
        benchExportCsv(arguments.dataFolder() + u"/cli_export_1m"_s);
    if (arguments.wants(u"cli_scan_200k"))
        benchCliScan(arguments.dataFolder());
    return 0;
}
