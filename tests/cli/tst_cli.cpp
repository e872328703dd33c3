// The command-line tool as a script runs it: the built executable on temporary catalogues, its
// output, messages and exit codes.

#include "catalogue/CatalogueConnection.h"
#include "catalogue/CatalogueFixture.h"
#include "catalogue/ScopedTransaction.h"
#include "catalogue/StagedTree.h"
#include "devices/DriveCaption.h"
#include "ExportReaders.h"
#include "platform/LinuxDriveTable.h"
#include "platform/LinuxLabelReader.h"
#include "platform/ProcMountSource.h"
#include "RunTool.h"
#include "vdrive/TreeText.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Stores tree text for the disc where the catalogue keeps its trees: a .vfs file beside a
// catalogue file, the catalogue's table on a server.
void storeTree(const CatalogueFixture &catalogue, const QString &disc, const QByteArray &text)
{
    const CatalogueConnection connection(catalogue.place(), CatalogueConnection::Access::ReadWrite);
    ScopedTransaction transaction(connection);
    const std::unique_ptr<StagedTree> staged = connection.storeTree(disc, text);
    transaction.commit();
    if (staged)
        staged->publish();
}

// The links of an HTML page's list at the top, and the heading each linked element holds.
struct PageLinks
{
    QList<std::pair<QString, QString>> links; // target, text
    QMap<QString, QString> headings;          // of each element with an id, its first h2
    QStringList ids;                          // every id on the page, repeated as often as given
};

PageLinks readLinks(const QByteArray &page)
{
    PageLinks result;
    QXmlStreamReader xml(page);
    QStringList openIds; // of the open elements, innermost last; empty for one without
    bool inNav = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            inNav = inNav && xml.name() != u"nav"_s;
            openIds.removeLast();
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString id = xml.attributes().value(u"id"_s).toString();
        if (!id.isEmpty())
            result.ids.append(id);
        openIds.append(id);
        inNav = inNav || xml.name() == u"nav"_s;
        if (xml.name() == u"a"_s && inNav) {
            const QString target = xml.attributes().value(u"href"_s).toString();
            result.links.append(
                {target, xml.readElementText(QXmlStreamReader::IncludeChildElements)});
            openIds.removeLast();
        } else if (xml.name() == u"h2"_s) {
            const QString heading = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            openIds.removeLast();
            const auto holder = std::find_if(openIds.crbegin(), openIds.crend(),
                                             [](const QString &open) { return !open.isEmpty(); });
            if (holder != openIds.crend() && !result.headings.contains(*holder))
                result.headings.insert(*holder, heading);
        }
    }
    return result;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void searchGivesTheWindowsRowsInItsOrder_data();
    void searchGivesTheWindowsRowsInItsOrder();
    void exportRoundTripsAwkwardValues_data();
    void exportRoundTripsAwkwardValues();
    void htmlExportLinksEveryDiscFromTheTop();
    void exportWritesIntoPipesAndStandardOutput();
    void discsAndTreesAsTheWindowShowsThem();
    void badInputEndsWithTwoInTheUsersLanguage_data();
    void badInputEndsWithTwoInTheUsersLanguage();
    void helpVersionAndDrives();
    void defaultCatalogueIsTheWindowsAndNeverCreated();
};

void TestCli::searchGivesTheWindowsRowsInItsOrder_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");
    // Found in key order: upper-cased as the window does ("straße" is "STRASSE"), "%" a
    // wildcard, a NULL path never found, a NULL disc shown empty.
    QTest::newRow("text") << QStringList{u"strasse"_s}
                          << QByteArray("A\td:\\GAMES\\stra\xc3\x9f"
                                        "e.EXE\nB\td:\\X\\STRASSE.ZIP\n\td:\\N\\strasse.bat\n"
                                        "A\td:\\100%\\STRASSE\\A.EXE\n");
    QTest::newRow("wildcard") << QStringList{u"100%a.exe"_s}
                              << QByteArray("A\td:\\100%\\STRASSE\\A.EXE\n");
    QTest::newRow("one disc") << QStringList{u"strasse"_s, u"--disc"_s, u"A"_s}
                              << QByteArray("A\td:\\GAMES\\stra\xc3\x9f"
                                            "e.EXE\nA\td:\\100%\\STRASSE\\A.EXE\n");
    QTest::newRow("csv") << QStringList{u"zip"_s, u"--csv"_s}
                         << QByteArray("Nr,CD,DATEI\r\n2,\"B\",\"d:\\X\\STRASSE.ZIP\"\r\n");
    QTest::newRow("json") << QStringList{u"bat"_s, u"--json"_s}
                          << QByteArray("[\n{\"Nr\":4,\"CD\":null,\"DATEI\":"
                                        "\"d:\\\\N\\\\strasse.bat\"}\n]\n");
    QTest::newRow("nothing found") << QStringList{u"none"_s, u"--json"_s} << QByteArray("[]\n");
}

void TestCli::searchGivesTheWindowsRowsInItsOrder()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, output);
    const CatalogueFixture catalogue;
    catalogue.add({{u"A"_s, u"d:\\GAMES\\straße.EXE"_s, {}, {}},
                   {u"B"_s, u"d:\\X\\STRASSE.ZIP"_s, {}, {}},
                   {u"B"_s, u"d:\\X\\README.TXT"_s, {}, {}},
                   {QVariant(), u"d:\\N\\strasse.bat"_s, {}, {}},
                   {u"A"_s, {}, u"strasse"_s, {}},
                   {u"A"_s, u"d:\\100%\\STRASSE\\A.EXE"_s, {}, {}}});
    const Outcome outcome = runTool(QStringList{u"search"_s} + arguments +
                                    QStringList{u"--catalogue"_s, catalogue.fileName()});
    QCOMPARE(outcome.err, QString());
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.out, output);
}

void TestCli::exportRoundTripsAwkwardValues_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("disc");
    QTest::newRow("csv") << u"--csv"_s << QString();
    QTest::newRow("json") << u"--json"_s << QString();
    QTest::newRow("html") << u"--html"_s << QString();
    QTest::newRow("csv of one disc") << u"--csv"_s << u"Spiele \"1\", <&>"_s;
    QTest::newRow("html of one disc") << u"--html"_s << u"Spiele \"1\", <&>"_s;
}

void TestCli::exportRoundTripsAwkwardValues()
{
    QFETCH(QString, format);
    QFETCH(QString, disc);
    const QString awkwardDisc = u"Spiele \"1\", <&>"_s;
    const CatalogueFixture catalogue;
    catalogue.add({{awkwardDisc,
                    u"d:\\Ä\\\"quoted\", comma.EXE"_s,
                    u"line one\r\nline \"two\"\r\n<b>&amp;</b> ' ümlaut ß €"_s,
                    {}},
                   {u"Other"_s, u"d:\\A.ZIP"_s, u""_s, u"a.txt\nb\tc.txt\n,,\"\"\n"_s},
                   {awkwardDisc, u"d:\\B.EXE"_s, {}, u""_s},
                   {QVariant(), u"d:\\no disc"_s, u"  leading and trailing  "_s, {}},
                   {u""_s, u"d:\\empty disc"_s, {}, {}}});
    const QString output = catalogue.directory() + u"out"_s;
    QStringList arguments{u"export"_s, format,           u"-o"_s,
                          output,      u"--catalogue"_s, catalogue.fileName()};
    if (!disc.isEmpty())
        arguments << u"--disc"_s << disc;
    const Outcome outcome = runTool(arguments);
    QCOMPARE(outcome.err, QString());
    QCOMPARE(outcome.exitCode, 0);
    QVERIFY(outcome.out.isEmpty());

    std::vector<CatalogueRecord> expected;
    for (const CatalogueRecord &record : catalogue.stored()) {
        if (disc.isEmpty() || record[1] == disc)
            expected.push_back(record);
    }
    const QByteArray bytes = readAll(output);
    ReadBack back;
    if (format == u"--csv"_s) {
        back = readCsv(bytes);
    } else if (format == u"--json"_s) {
        back = readJson(bytes);
    } else {
        back = readHtml(bytes);
        // A table per disc, the discs in the order of their first record; markup turns every
        // line break into LF.
        const QStringList headings =
            disc.isEmpty() ? QStringList{awkwardDisc, u"Other"_s, u"(no name)"_s, u"(no name)"_s}
                           : QStringList{awkwardDisc};
        QCOMPARE(back.discHeadings, headings);
        if (disc.isEmpty())
            std::swap(expected[1], expected[2]);
        for (CatalogueRecord &record : expected) {
            for (FieldValue &field : record) {
                if (field)
                    field->replace(u"\r\n"_s, u"\n"_s);
            }
        }
    }
    QCOMPARE(back.failure, QString());
    QCOMPARE(back.records, expected);
}

void TestCli::htmlExportLinksEveryDiscFromTheTop()
{
    // Names that an id made of the name would merge: blanks, punctuation and case, and NULL
    // beside the empty name; one disc of more records than one table holds.
    std::vector<Fields> records{
        {u"Spiele 1"_s, u"d:\\A.EXE"_s, {}, {}},     {u"Spiele_1"_s, u"d:\\B.EXE"_s, {}, {}},
        {u"spiele-1"_s, u"d:\\C.EXE"_s, u"x"_s, {}}, {u"A&B \"#1\""_s, u"d:\\D.EXE"_s, {}, {}},
        {QVariant(), u"d:\\E.EXE"_s, {}, {}},        {u""_s, u"d:\\F.EXE"_s, {}, {}}};
    for (int i = 0; i < 2100; ++i)
        records.push_back({u"Bä"_s, u"d:\\G\\%1.ZIP"_s.arg(i), {}, u"a.txt\nb.txt"_s});
    const CatalogueFixture catalogue;
    catalogue.add(records);
    const QString output = catalogue.directory() + u"page.html"_s;
    const Outcome outcome = runTool(
        {u"export"_s, u"--html"_s, u"-o"_s, output, u"--catalogue"_s, catalogue.fileName()});
    QCOMPARE(outcome.err, QString());
    QCOMPARE(outcome.exitCode, 0);

    const QByteArray page = readAll(output);
    const ReadBack back = readHtml(page);
    QCOMPARE(back.failure, QString());
    QCOMPARE(back.records, catalogue.stored());
    const PageLinks links = readLinks(page);
    // Each link leads to a section of its own, which has the link's text as its heading, and
    // every section is linked.
    QStringList linkTexts;
    QSet<QString> targets;
    for (const auto &[target, text] : links.links) {
        QVERIFY2(target.startsWith(u'#'), qPrintable(target));
        QCOMPARE(links.headings.value(target.sliced(1)), text);
        linkTexts.append(text);
        targets.insert(target);
    }
    QCOMPARE(targets.size(), links.links.size());
    QCOMPARE(QSet<QString>(links.ids.cbegin(), links.ids.cend()).size(), links.ids.size());
    QCOMPARE(linkTexts, back.discHeadings);
    QCOMPARE(linkTexts, (QStringList{u"Spiele 1"_s, u"Spiele_1"_s, u"spiele-1"_s, u"A&B \"#1\""_s,
                                     u"(no name)"_s, u"(no name)"_s, u"Bä"_s}));
}

void TestCli::exportWritesIntoPipesAndStandardOutput()
{
    const CatalogueFixture catalogue;
    catalogue.add({{u"A"_s, u"d:\\A.EXE"_s, {}, {}}});
    const QByteArray csv = "Nr,CD,DATEI,INFO,INHALT\r\n1,\"A\",\"d:\\A.EXE\",,\r\n";
    const QString fifo = catalogue.directory() + u"fifo"_s;
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess reader;
    reader.start(u"cat"_s, {fifo});
    QVERIFY(reader.waitForStarted());
    const Outcome intoFifo =
        runTool({u"export"_s, u"--csv"_s, u"-o"_s, fifo, u"--catalogue"_s, catalogue.fileName()});
    QCOMPARE(intoFifo.err, QString());
    QCOMPARE(intoFifo.exitCode, 0);
    QVERIFY(reader.waitForFinished(10000));
    QCOMPARE(reader.readAllStandardOutput(), csv);
    QVERIFY(!QFileInfo(fifo).isFile());

    const Outcome intoStandardOutput = runTool({u"export"_s, u"--csv"_s, u"-o"_s, u"/dev/stdout"_s,
                                                u"--catalogue"_s, catalogue.fileName()});
    QCOMPARE(intoStandardOutput.err, QString());
    QCOMPARE(intoStandardOutput.exitCode, 0);
    QCOMPARE(intoStandardOutput.out, csv);
}

void TestCli::discsAndTreesAsTheWindowShowsThem()
{
    const CatalogueFixture catalogue;
    catalogue.add({{u"A"_s, u"1"_s, {}, {}},
                   {u"A"_s, u"2"_s, {}, {}},
                   {u"Bä"_s, u"3"_s, {}, {}},
                   {QVariant(), u"4"_s, {}, {}},
                   {u""_s, u"5"_s, {}, {}},
                   {u"A"_s, u"6"_s, {}, {}}});
    const Outcome discs = runTool({u"discs"_s, u"--catalogue"_s, catalogue.fileName()});
    QCOMPARE(discs.exitCode, 0);
    // A name repeating the one before is left out; NULL and the empty name look alike.
    QCOMPARE(discs.out, QByteArray("A\nB\xc3\xa4\n\nA\n"));

    storeTree(catalogue, u"Bä"_s,
              serializeTree({{0, u"d: [bä]"_s}, {1, u"GAMES"_s}, {2, u"DOOM"_s}, {1, u"TOOLS"_s}}));
    const Outcome tree = runTool({u"tree"_s, u"Bä"_s, u"--catalogue"_s, catalogue.fileName()});
    QCOMPARE(tree.err, QString());
    QCOMPARE(tree.exitCode, 0);
    QCOMPARE(tree.out, QByteArray("d: [b\xc3\xa4]\n  GAMES\n    DOOM\n  TOOLS\n"));

    // A level jump: the lines before it are shown, then the damage is reported.
    storeTree(catalogue, u"A"_s, "root\r\n\tfolder\r\n\t\t\tdeep\r\n");
    const Outcome partial = runTool({u"tree"_s, u"A"_s, u"--catalogue"_s, catalogue.fileName()});
    QCOMPARE(partial.exitCode, 1);
    QCOMPARE(partial.out, QByteArray("root\n  folder\n"));
    QVERIFY(partial.err.startsWith(u"tralbo-cli: "_s));
}

void TestCli::badInputEndsWithTwoInTheUsersLanguage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("locale");
    QTest::addColumn<QString>("message");
    const QStringList german{u"LANG=de_DE.UTF-8"_s};
    const QStringList english{u"LANG=en_GB.UTF-8"_s};
    QTest::newRow("unknown command, German")
        << QStringList{u"frobnicate"_s} << german << u"Unbekannter Befehl frobnicate"_s;
    QTest::newRow("LC_ALL before LANG")
        << QStringList{u"frobnicate"_s} << QStringList{u"LC_ALL=C"_s, u"LANG=de_DE.UTF-8"_s}
        << u"Unknown command frobnicate"_s;
    QTest::newRow("LC_MESSAGES before LANG")
        << QStringList{u"search"_s, u"x"_s, u"--frob"_s}
        << QStringList{u"LC_MESSAGES=de_AT.UTF-8"_s, u"LANG=en_US.UTF-8"_s}
        << u"Unbekannte Option --frob"_s;
    QTest::newRow("missing value") << QStringList{u"export"_s, u"--csv"_s, u"--disc"_s} << english
                                   << u"Option --disc needs a value"_s;
    QTest::newRow("missing operand")
        << QStringList{u"tree"_s} << german << u"Falsche Zahl von Argumenten, erwartet: NAME"_s;
    QTest::newRow("no format") << QStringList{u"export"_s} << english
                               << u"Give a format: --csv, --json or --html"_s;
    QTest::newRow("missing catalogue")
        << QStringList{u"discs"_s, u"--catalogue"_s, u"/nonexistent/CD.db"_s} << english
        << u"Catalogue /nonexistent/CD.db not found"_s;
    QTest::newRow("not a catalogue, German")
        << QStringList{u"discs"_s, u"--catalogue"_s, u"@text"_s} << german
        << u"ist kein Tralbo-Katalog"_s;
    QTest::newRow("not a catalogue, English")
        << QStringList{u"search"_s, u"x"_s, u"--catalogue"_s, u"@text"_s} << english
        << u"is not a Tralbo catalogue"_s;
    QTest::newRow("unknown disc for export")
        << QStringList{u"export"_s, u"--json"_s,      u"--disc"_s,
                       u"Z"_s,      u"--catalogue"_s, u"@catalogue"_s}
        << german << u"Der Katalog enthält keine CD namens \"Z\""_s;
    QTest::newRow("unknown disc for tree")
        << QStringList{u"tree"_s, u"A"_s, u"--catalogue"_s, u"@catalogue"_s} << english
        << u"No directory tree is stored for disc \"A\""_s;
}

void TestCli::badInputEndsWithTwoInTheUsersLanguage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, locale);
    QFETCH(QString, message);
    const CatalogueFixture catalogue;
    catalogue.add({{u"A"_s, u"d:\\A.EXE"_s, {}, {}}});
    QFile text(catalogue.directory() + u"notes.txt"_s);
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a catalogue\n");
    text.close();
    arguments.replaceInStrings(u"@catalogue"_s, catalogue.fileName());
    arguments.replaceInStrings(u"@text"_s, text.fileName());

    const Outcome outcome = runTool(arguments, locale);
    QCOMPARE(outcome.exitCode, 2);
    QVERIFY(outcome.out.isEmpty());
    QVERIFY2(outcome.err.startsWith(u"tralbo-cli: "_s) && outcome.err.contains(message),
             qPrintable(outcome.err));
}

void TestCli::helpVersionAndDrives()
{
    if (CatalogueFixture::backEnd() == BackEnd::Server)
        QSKIP("No catalogue of the fixture's: run once, on the file");
    const Outcome english = runTool({u"--help"_s});
    QCOMPARE(english.exitCode, 0);
    for (const char *command :
         {"\n  drives ", "\n  discs ", "\n  search TEXT ", "\n  tree NAME ", "\n  export "})
        QVERIFY2(english.out.contains(command), command);
    QVERIFY(english.out.startsWith("Usage: tralbo-cli COMMAND"));
    const Outcome german = runTool({u"export"_s, u"--help"_s}, {u"LANG=de_DE.UTF-8"_s});
    QCOMPARE(german.exitCode, 0);
    QVERIFY(german.out.startsWith("Aufruf: tralbo-cli export"));
    QVERIFY(german.out.contains("\n  -o, --output FILE "));
    QCOMPARE(runTool({u"--version"_s}).out, QByteArray("tralbo-cli (Tralbo) 1.0\n"));

    // The lines of the window's drive selector, from the same table.
    const ProcMountSource mounts;
    const LinuxLabelReader labels;
    const LinuxDriveTable table(mounts, labels);
    QByteArray captions;
    for (const Drive &drive : table.drives()) {
        if (drive.type != DriveType::Unknown && drive.type != DriveType::NoRootDir)
            captions += driveCaption(drive).toUtf8() + '\n';
    }
    const Outcome drives = runTool({u"drives"_s});
    QCOMPARE(drives.exitCode, 0);
    QVERIFY(drives.out.startsWith("c:"));
    QCOMPARE(drives.out, captions);
}

void TestCli::defaultCatalogueIsTheWindowsAndNeverCreated()
{
    if (CatalogueFixture::backEnd() == BackEnd::Server)
        QSKIP("No catalogue of the fixture's: run once, on the file");
    QTemporaryDir folder;
    const QString home = folder.filePath(u"home"_s);
    const QString program = folder.filePath(u"bin/tralbo-cli"_s);
    QVERIFY(QDir().mkpath(folder.filePath(u"bin"_s)));
    QVERIFY(QFile::copy(QStringLiteral(TRALBO_CLI), program));
    const QString perUser = home + u"/data/Olvane/Tralbo/"_s;

    const Outcome none = runTool({u"discs"_s}, {u"LC_ALL=C"_s}, home, program);
    QCOMPARE(none.exitCode, 2);
    QVERIFY2(none.err.contains(perUser + u"CD.db not found"_s), qPrintable(none.err));
    QVERIFY(!QFileInfo::exists(perUser));

    const auto catalogueWithDisc = [](const QString &fileName, const QString &disc) {
        QDir().mkpath(QFileInfo(fileName).path());
        createEmptyCatalogue(fileName);
        QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"setup"_s);
        database.setDatabaseName(fileName);
        database.open();
        database.exec(u"INSERT INTO CD (CD) VALUES ('%1')"_s.arg(disc));
        database.close();
        database = {};
        QSqlDatabase::removeDatabase(u"setup"_s);
    };
    catalogueWithDisc(perUser + u"CD.db"_s, u"PER USER"_s);
    QCOMPARE(runTool({u"discs"_s}, {u"LC_ALL=C"_s}, home, program).out, QByteArray("PER USER\n"));
    // One beside the program, in any letter case, wins, as it does for the window.
    catalogueWithDisc(folder.filePath(u"bin/cd.DB"_s), u"BESIDE"_s);
    QCOMPARE(runTool({u"discs"_s}, {u"LC_ALL=C"_s}, home, program).out, QByteArray("BESIDE\n"));

    // A chosen catalogue comes before both: the settings file's, then the environment's, then
    // the option's.
    catalogueWithDisc(folder.filePath(u"chosen/settings.db"_s), u"SETTINGS"_s);
    catalogueWithDisc(folder.filePath(u"chosen/environment.db"_s), u"ENVIRONMENT"_s);
    catalogueWithDisc(folder.filePath(u"chosen/option.db"_s), u"OPTION"_s);
    QFile settings(home + u"/config/Olvane/Skivra.conf"_s);
    QVERIFY(QDir().mkpath(QFileInfo(settings).path()));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[Settings]\ncb1_Checked=True\n[Catalogue]\nUrl=" +
                   folder.filePath(u"chosen/settings.db"_s).toUtf8() + '\n');
    settings.close();
    QCOMPARE(runTool({u"discs"_s}, {u"LC_ALL=C"_s}, home, program).out, QByteArray("SETTINGS\n"));
    const QStringList environment{u"LC_ALL=C"_s, u"TRALBO_CATALOGUE="_s +
                                                     folder.filePath(u"chosen/environment.db"_s)};
    QCOMPARE(runTool({u"discs"_s}, environment, home, program).out, QByteArray("ENVIRONMENT\n"));
    QCOMPARE(runTool({u"discs"_s, u"--catalogue"_s, folder.filePath(u"chosen/option.db"_s)},
                     environment, home, program)
                 .out,
             QByteArray("OPTION\n"));
}

TRALBO_TEST_ON_EACH_BACKEND(TestCli)
#include "tst_cli.moc"
