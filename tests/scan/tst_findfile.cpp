#include "scan/FindFile.h"
#include "support/FakeDriveTable.h"

#include <QDirIterator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A temporary folder shown as drive d:, filled with native (byte) names.
struct Disc
{
    QTemporaryDir folder;
    FakeDriveTable drives;
    PathMapper paths{drives};

    Disc() { drives.addDrive(u'd', DriveType::CdRom, folder.path()); }

    QByteArray native(const QByteArray &relative) const
    {
        return folder.path().toUtf8() + '/' + relative;
    }
    // Creates the file and any folders on its way; "x/" makes only folders.
    void add(const QByteArray &relative, const QByteArray &content = {}) const
    {
        for (qsizetype slash = relative.indexOf('/'); slash >= 0;
             slash = relative.indexOf('/', slash + 1))
            ::mkdir(native(relative.first(slash)).constData(), 0755);
        if (relative.endsWith('/'))
            return;
        const int fd = ::open(native(relative).constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, content.constData(), size_t(content.size())), content.size());
        ::close(fd);
    }
    // Subfolder names in the file system's enumeration order, which the finder must keep.
    QStringList subfolders(const QString &relative) const
    {
        QStringList names;
        QDirIterator it(folder.filePath(relative), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext())
            names.append(it.nextFileInfo().fileName());
        return names;
    }
};

QStringList listing(TFindFile &finder)
{
    finder.Execute();
    return finder.files();
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QByteArray readNative(const QByteArray &path)
{
    QByteArray content(256, Qt::Uninitialized);
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return "(cannot open)";
    content.resize(::read(fd, content.data(), size_t(content.size())));
    ::close(fd);
    return content;
}

} // namespace

class TestFindFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsWithDocumentedDefaults();
    void listsBreadthFirst_data();
    void listsBreadthFirst();
    void emptyDirectoryOnlyNotifies();
    void matchesFilter_data();
    void matchesFilter();
    void selectsByAttributes_data();
    void selectsByAttributes();
    void handlesSymbolicLinks_data();
    void handlesSymbolicLinks();
    void abortFlagStopsAndSurvivesRuns();
    void skipsUnreadableDirectory();
    void missingStartListsNothing_data();
    void missingStartListsNothing();
    void namesLeadBackToNativeFiles_data();
    void namesLeadBackToNativeFiles();
};

void TestFindFile::startsWithDocumentedDefaults()
{
    FakeDriveTable drives;
    PathMapper paths(drives);
    TFindFile finder(paths);
    QCOMPARE(finder.filter(), u"*.*"_s);
    QCOMPARE(finder.attributes().toInt(), 39);
    QVERIFY(!finder.recurse());
    QVERIFY(finder.files().isEmpty());
}

void TestFindFile::listsBreadthFirst_data()
{
    QTest::addColumn<QByteArray>("base");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("recurse");
    QTest::newRow("root with separator") << QByteArray() << u"d:\\"_s << u"d:\\"_s << true;
    QTest::newRow("upper-case root") << QByteArray() << u"D:\\"_s << u"D:\\"_s << true;
    QTest::newRow("bare drive") << QByteArray() << u"d:"_s << u"d:\\"_s << true;
    QTest::newRow("folder without separator")
        << QByteArray("CD/") << u"D:\\CD"_s << u"D:\\CD\\"_s << true;
    QTest::newRow("folder with separator")
        << QByteArray("CD/") << u"d:\\CD\\"_s << u"d:\\CD\\"_s << true;
    QTest::newRow("no recursion") << QByteArray("CD/") << u"D:\\CD"_s << u"D:\\CD\\"_s << false;
}

// Root holds A and B (and an empty folder), A holds A1, B holds B1, each holds one file: the
// root's file, then A's and B's, then A1's and B1's, level by level, parents in enumeration order.
void TestFindFile::listsBreadthFirst()
{
    QFETCH(QByteArray, base);
    QFETCH(QString, directory);
    QFETCH(QString, prefix);
    QFETCH(bool, recurse);
    Disc disc;
    for (const char *file : {"ROOT.TXT", "A/A.TXT", "B/B.TXT", "A/A1/A1.TXT", "B/B1/B1.TXT"})
        disc.add(base + file);
    disc.add(base + "EMPTY/");

    QStringList expected{prefix + u"ROOT.TXT"_s};
    if (recurse) {
        QStringList firstLevel = disc.subfolders(QString::fromUtf8(base));
        firstLevel.removeOne(u"EMPTY"_s);
        for (const QString &name : firstLevel)
            expected.append(prefix + name + u'\\' + name + u".TXT"_s);
        for (const QString &name : firstLevel)
            expected.append(prefix + name + u'\\' + name + u"1\\"_s + name + u"1.TXT"_s);
    }

    TFindFile finder(disc.paths);
    finder.setRecurse(recurse);
    finder.setDirectory(directory);
    QCOMPARE(listing(finder), expected);
}

void TestFindFile::emptyDirectoryOnlyNotifies()
{
    Disc disc;
    disc.add("ROOT.TXT");
    TFindFile finder(disc.paths);
    finder.setRecurse(true);
    finder.setFiles({u"d:\\STALE.TXT"_s});
    QStringList events;
    connect(&finder, &TFindFile::BeforeExecute, this, [&](TFindFile *sender) {
        QCOMPARE(sender, &finder);
        events.append(u"before %1"_s.arg(sender->files().size()));
    });
    connect(&finder, &TFindFile::AfterExecute, this,
            [&](TFindFile *sender) { events.append(u"after %1"_s.arg(sender->files().size())); });
    finder.setOnNewPath([&](TFindFile &, const QString &path, bool &) { events.append(path); });

    finder.Execute();
    QCOMPARE(events, QStringList({u"before 0"_s, u"after 0"_s}));
    QVERIFY(finder.files().isEmpty());
}

void TestFindFile::matchesFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    const QStringList all{u"AB.TXT"_s,    u"A.TXT"_s,        u"MUSIC.WAVE"_s, u"README"_s,
                          u"SETUP.EXE"_s, u"notes.tar.gz"_s, u"sound.Wav"_s,  u"ÄRGER.DOC"_s};
    QTest::newRow("*.* takes names without dot") << u"*.*"_s << all;
    QTest::newRow("star") << u"*"_s << all;
    QTest::newRow("extension ignores case") << u"*.wav"_s << QStringList{u"sound.Wav"_s};
    QTest::newRow("question mark is one character") << u"?.txt"_s << QStringList{u"A.TXT"_s};
    QTest::newRow("optional extension") << u"readme.*"_s << QStringList{u"README"_s};
    QTest::newRow("last extension") << u"*.GZ"_s << QStringList{u"notes.tar.gz"_s};
    QTest::newRow("umlaut ignores case") << u"ärger.doc"_s << QStringList{u"ÄRGER.DOC"_s};
    QTest::newRow("star backtracks") << u"*e*e"_s << QStringList{u"README"_s, u"SETUP.EXE"_s};
    QTest::newRow("no match") << u"*.ZIP"_s << QStringList();
}

void TestFindFile::matchesFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    Disc disc;
    const QStringList names{u"README"_s, u"SETUP.EXE"_s, u"sound.Wav"_s,    u"MUSIC.WAVE"_s,
                            u"A.TXT"_s,  u"AB.TXT"_s,    u"notes.tar.gz"_s, u"ÄRGER.DOC"_s};
    for (const QString &name : names)
        disc.add(name.toUtf8());
    disc.add("SUB.WAV/INNER.WAV");

    TFindFile finder(disc.paths);
    finder.setDirectory(u"d:\\"_s);
    finder.setFilter(filter);
    QStringList found;
    for (const QString &path : listing(finder))
        found.append(path.sliced(3));
    QCOMPARE(sorted(found), sorted(expected));
}

void TestFindFile::selectsByAttributes_data()
{
    using F = TFindFile;
    QTest::addColumn<F::TAttrOptions>("attributes");
    QTest::addColumn<QStringList>("expected");
    const QStringList files{u"d:\\.cache\\INSIDE.TXT"_s, u"d:\\PLAIN.TXT"_s, u"d:\\SUB\\SUB.TXT"_s};
    QTest::newRow("default lists hidden files")
        << F::TAttrOptions(F::ffReadOnly | F::ffHidden | F::ffSystem | F::ffArchive)
        << files + QStringList{u"d:\\.hidden"_s};
    QTest::newRow("without hidden") << F::TAttrOptions(F::ffReadOnly | F::ffArchive) << files;
    QTest::newRow("empty set still lists plain files") << F::TAttrOptions() << files;
    QTest::newRow("directories") << F::TAttrOptions(F::ffHidden | F::ffDirectory)
                                 << files + QStringList{u"d:\\.hidden"_s, u"d:\\.cache"_s,
                                                        u"d:\\SUB"_s};
    QTest::newRow("directories without hidden")
        << F::TAttrOptions(F::ffDirectory) << files + QStringList{u"d:\\SUB"_s};
}

// Hidden folders are walked whatever the set; the set only decides what is listed.
void TestFindFile::selectsByAttributes()
{
    QFETCH(TFindFile::TAttrOptions, attributes);
    QFETCH(QStringList, expected);
    Disc disc;
    for (const char *file : {"PLAIN.TXT", ".hidden", ".cache/INSIDE.TXT", "SUB/SUB.TXT"})
        disc.add(file);

    TFindFile finder(disc.paths);
    finder.setRecurse(true);
    finder.setDirectory(u"d:\\"_s);
    finder.setAttributes(attributes);
    QCOMPARE(sorted(listing(finder)), sorted(expected));
}

void TestFindFile::handlesSymbolicLinks_data()
{
    QTest::addColumn<bool>("withDirectories");
    QTest::addColumn<QStringList>("expected");
    const QStringList files{u"d:\\DEAD"_s, u"d:\\LINK.TXT"_s, u"d:\\REAL\\FILE.TXT"_s};
    QTest::newRow("files") << false << files;
    QTest::newRow("with directories")
        << true << files + QStringList{u"d:\\LINKDIR"_s, u"d:\\REAL"_s, u"d:\\REAL\\LOOP"_s};
}

// A link to a directory is listed like one but never entered, so a loop ends the walk normally.
void TestFindFile::handlesSymbolicLinks()
{
    QFETCH(bool, withDirectories);
    QFETCH(QStringList, expected);
    Disc disc;
    disc.add("REAL/FILE.TXT");
    const QList<std::pair<const char *, const char *>> links{
        {"..", "REAL/LOOP"}, {"REAL", "LINKDIR"}, {"REAL/FILE.TXT", "LINK.TXT"}, {"gone", "DEAD"}};
    for (const auto &[target, link] : links)
        QCOMPARE(::symlink(target, disc.native(link).constData()), 0);

    TFindFile finder(disc.paths);
    finder.setRecurse(true);
    finder.setDirectory(u"d:\\"_s);
    if (withDirectories)
        finder.setAttributes(finder.attributes() | TFindFile::ffDirectory);
    QCOMPARE(sorted(listing(finder)), sorted(expected));
}

void TestFindFile::abortFlagStopsAndSurvivesRuns()
{
    Disc disc;
    for (const char *file : {"ROOT.TXT", "A/A.TXT", "B/B.TXT"})
        disc.add(file);
    TFindFile finder(disc.paths);
    finder.setRecurse(true);
    finder.setDirectory(u"d:"_s);
    QStringList paths;
    QList<bool> received;
    const auto handlerSetting = [&](std::optional<bool> wanted, qsizetype atCall) {
        paths.clear();
        received.clear();
        finder.setOnNewPath([&, wanted, atCall](TFindFile &, const QString &path, bool &abort) {
            paths.append(path);
            received.append(abort);
            if (wanted && paths.size() == atCall)
                abort = *wanted;
        });
    };

    handlerSetting(true, 2);
    QCOMPARE(listing(finder), QStringList{u"d:\\ROOT.TXT"_s});
    QCOMPARE(paths.size(), 2);
    QCOMPARE(paths.first(), u"d:\\"_s);
    QVERIFY(paths.last() == u"d:\\A\\"_s || paths.last() == u"d:\\B\\"_s);

    handlerSetting(std::nullopt, 0);
    QVERIFY(listing(finder).isEmpty());
    QCOMPARE(received, QList<bool>{true});

    handlerSetting(false, 1);
    QCOMPARE(listing(finder).size(), 3);
    QCOMPARE(received, (QList<bool>{true, false, false}));
}

void TestFindFile::skipsUnreadableDirectory()
{
    if (::geteuid() == 0)
        QSKIP("root reads every directory");
    Disc disc;
    for (const char *file : {"LOCKED/SECRET.TXT", "LOCKED/DEEP/X.TXT", "OPEN/OPEN.TXT"})
        disc.add(file);
    QCOMPARE(::chmod(disc.native("LOCKED").constData(), 0), 0);
    const auto unlock = qScopeGuard([&] { ::chmod(disc.native("LOCKED").constData(), 0755); });

    TFindFile finder(disc.paths);
    finder.setRecurse(true);
    finder.setDirectory(u"d:\\"_s);
    QCOMPARE(listing(finder), QStringList{u"d:\\OPEN\\OPEN.TXT"_s});
}

void TestFindFile::missingStartListsNothing_data()
{
    QTest::addColumn<QString>("directory");
    QTest::newRow("missing folder") << u"d:\\NOPE"_s;
    QTest::newRow("start is a file") << u"d:\\ROOT.TXT"_s;
    QTest::newRow("drive without medium") << u"e:\\"_s;
    QTest::newRow("unknown letter") << u"x:\\"_s;
    QTest::newRow("no drive letter") << u"ROOT.TXT"_s;
}

void TestFindFile::missingStartListsNothing()
{
    QFETCH(QString, directory);
    Disc disc;
    disc.add("ROOT.TXT");
    disc.drives.addDrive(u'e', DriveType::CdRom, QString());
    TFindFile finder(disc.paths);
    finder.setRecurse(true);
    finder.setDirectory(directory);
    QVERIFY(listing(finder).isEmpty());
}

void TestFindFile::namesLeadBackToNativeFiles_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("blanks") << QByteArray("MY FILE.TXT");
    QTest::newRow("utf-8 umlauts") << QByteArray("M\xc3\xbcller \xc3\x84rger.txt");
    QTest::newRow("latin-1 byte") << QByteArray("M\xfcller.txt");
    QTest::newRow("non-utf-8 folder") << QByteArray("D\xe9MOS/INTRO.EXE");
    QTest::newRow("both") << QByteArray("\xc3\x84LTER/\xff\xfe.BIN");
}

// A listed path maps back to the very file it names, whatever bytes its name holds.
void TestFindFile::namesLeadBackToNativeFiles()
{
    QFETCH(QByteArray, name);
    Disc disc;
    disc.add(name, name);
    // The temporary folder's own clean-up cannot delete names that are not UTF-8.
    const auto removeNative = qScopeGuard([&] {
        ::unlink(disc.native(name).constData());
        if (const qsizetype slash = name.indexOf('/'); slash > 0)
            ::rmdir(disc.native(name.first(slash)).constData());
    });
    TFindFile finder(disc.paths);
    finder.setRecurse(true);
    finder.setDirectory(u"d:\\"_s);
    const QStringList files = listing(finder);
    QCOMPARE(files.size(), 1);
    QCOMPARE(files.first(), u"d:\\"_s + decodeFileName(name).replace(u'/', u'\\'));
    QCOMPARE(readNative(disc.paths.toNative(files.first()).value_or(QByteArray())), name);
}

QTEST_GUILESS_MAIN(TestFindFile)
#include "tst_findfile.moc"
