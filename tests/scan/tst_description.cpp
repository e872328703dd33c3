#include "base/AppError.h"
#include "platform/NativePath.h"
#include "scan/DescriptionFinder.h"
#include "scan/DescriptionText.h"
#include "support/FakeDriveTable.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Test trees hold names that are not UTF-8, so they are made with the native byte paths.
bool writeNative(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && written;
}

// "A/B/" makes directories only; "A/B/C" also the file C, holding its own relative path.
bool makeEntry(const QByteArray &root, const QByteArray &relative)
{
    const QList<QByteArray> parts = relative.split('/');
    QByteArray path = root;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        path += '/' + parts[i];
        if (::mkdir(path.constData(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return parts.last().isEmpty() || writeNative(path + '/' + parts.last(), relative);
}

QString failureOf(const QByteArray &nativePath, const QString &programPath)
{
    try {
        loadDescription(nativePath, programPath, false);
    } catch (const AppError &error) {
        return error.message();
    }
    return QString();
}

} // namespace

class TestDescription : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void candidates_data();
    void candidates();
    void linksCountByTheirTarget();
    void listingIsKeptUntilClear();
    void loadsText_data();
    void loadsText();
    void sizeLimit_data();
    void sizeLimit();
    void unopenable_data();
    void unopenable();
};

void TestDescription::candidates_data()
{
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("native");
    QTest::addColumn<bool>("fileIdDiz");

    using Entries = QList<QByteArray>;
    const QString setup = u"d:\\GAMES\\SETUP.EXE"_s;
    QTest::newRow("FILE_ID.DIZ first")
        << Entries{"GAMES/FILE_ID.DIZ", "GAMES/README.TXT", "GAMES/SETUP.INF", "GAMES/SETUP.TXT",
                   "GAMES/SETUP.EXE"}
        << setup << u"d:\\GAMES\\FILE_ID.DIZ"_s << QByteArray("GAMES/FILE_ID.DIZ") << true;
    QTest::newRow("Readme before B.inf")
        << Entries{"GAMES/README.TXT", "GAMES/SETUP.INF", "GAMES/SETUP.TXT"} << setup
        << u"d:\\GAMES\\README.TXT"_s << QByteArray("GAMES/README.TXT") << false;
    QTest::newRow("B.inf before B.txt")
        << Entries{"GAMES/SETUP.INF", "GAMES/SETUP.TXT"} << setup << u"d:\\GAMES\\SETUP.INF"_s
        << QByteArray("GAMES/SETUP.INF") << false;
    QTest::newRow("B.txt last") << Entries{"GAMES/SETUP.TXT", "GAMES/OTHER.INF"} << setup
                                << u"d:\\GAMES\\SETUP.TXT"_s << QByteArray("GAMES/SETUP.TXT")
                                << false;
    QTest::newRow("none") << Entries{"GAMES/SETUP.EXE", "GAMES/OTHER.TXT"} << setup << QString()
                          << QByteArray() << false;
    QTest::newRow("lower-case FILE_ID.DIZ")
        << Entries{"GAMES/file_id.diz", "GAMES/README.TXT"} << setup << u"d:\\GAMES\\file_id.diz"_s
        << QByteArray("GAMES/file_id.diz") << true;
    QTest::newRow("mixed-case Readme")
        << Entries{"GAMES/Readme.TXT"} << setup << u"d:\\GAMES\\Readme.TXT"_s
        << QByteArray("GAMES/Readme.TXT") << false;
    QTest::newRow("exact spelling wins")
        << Entries{"GAMES/README.TXT", "GAMES/Readme.txt", "GAMES/readme.txt"} << setup
        << u"d:\\GAMES\\Readme.txt"_s << QByteArray("GAMES/Readme.txt") << false;
    QTest::newRow("else the first by bytes")
        << Entries{"GAMES/readme.TXT", "GAMES/README.txt"} << setup << u"d:\\GAMES\\README.txt"_s
        << QByteArray("GAMES/README.txt") << false;
    QTest::newRow("directory is no candidate")
        << Entries{"GAMES/README.TXT/", "GAMES/SETUP.TXT"} << setup << u"d:\\GAMES\\SETUP.TXT"_s
        << QByteArray("GAMES/SETUP.TXT") << false;
    QTest::newRow("file beside a directory of the exact name")
        << Entries{"GAMES/FILE_ID.DIZ/", "GAMES/file_id.diz"} << setup
        << u"d:\\GAMES\\file_id.diz"_s << QByteArray("GAMES/file_id.diz") << true;
    QTest::newRow("three-character name takes .txt")
        << Entries{"GAMES/A.TXT", "GAMES/.txt"} << u"d:\\GAMES\\A.B"_s << u"d:\\GAMES\\.txt"_s
        << QByteArray("GAMES/.txt") << false;
    QTest::newRow("three-character name ignores A.txt")
        << Entries{"GAMES/A.TXT", "GAMES/A.INF"} << u"d:\\GAMES\\A.B"_s << QString() << QByteArray()
        << false;
    QTest::newRow("four characters leave no base")
        << Entries{"GAMES/A.INF", "GAMES/.INF"} << u"d:\\GAMES\\ABCD"_s << u"d:\\GAMES\\.INF"_s
        << QByteArray("GAMES/.INF") << false;
    QTest::newRow("five characters leave one")
        << Entries{"GAMES/A.INF", "GAMES/.INF"} << u"d:\\GAMES\\ABCDE"_s << u"d:\\GAMES\\A.INF"_s
        << QByteArray("GAMES/A.INF") << false;
    QTest::newRow("kept README.TXT is its own description")
        << Entries{"GAMES/README.TXT"} << u"d:\\GAMES\\README.TXT"_s << u"d:\\GAMES\\README.TXT"_s
        << QByteArray("GAMES/README.TXT") << false;
    QTest::newRow("only the file's own directory")
        << Entries{"FILE_ID.DIZ", "GAMES/SUB/README.TXT", "GAMES/SETUP.EXE"} << setup << QString()
        << QByteArray() << false;
    QTest::newRow("drive root") << Entries{"FILE_ID.DIZ"} << u"d:\\SETUP.EXE"_s
                                << u"d:\\FILE_ID.DIZ"_s << QByteArray("FILE_ID.DIZ") << true;
    QTest::newRow("drive without medium")
        << Entries{"FILE_ID.DIZ"} << u"x:\\SETUP.EXE"_s << QString() << QByteArray() << false;
    QTest::newRow("utf-8 names fold")
        << Entries{"GAMES/\xc3\x84NDERN.TXT"} << u"d:\\GAMES\\ändern.exe"_s
        << u"d:\\GAMES\\ÄNDERN.TXT"_s << QByteArray("GAMES/\xc3\x84NDERN.TXT") << false;
    QTest::newRow("latin-1 names keep their bytes")
        << Entries{"GAMES/\xe4rger.INF"} << u"d:\\GAMES\\\xdce4rger.exe"_s
        << u"d:\\GAMES\\\xdce4rger.INF"_s << QByteArray("GAMES/\xe4rger.INF") << false;
}

void TestDescription::candidates()
{
    QFETCH(QList<QByteArray>, entries);
    QFETCH(QString, kept);
    QFETCH(QString, program);
    QFETCH(QByteArray, native);
    QFETCH(bool, fileIdDiz);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QByteArray rootPath = root.path().toUtf8();
    // QTemporaryDir removes by decoded names and misses files whose names are not UTF-8.
    const auto removeFiles = qScopeGuard([&] {
        for (const QByteArray &entry : entries)
            ::unlink((rootPath + '/' + entry).constData());
    });
    for (const QByteArray &entry : entries)
        QVERIFY2(makeEntry(rootPath, entry), entry.constData());
    FakeDriveTable drives;
    drives.addDrive(u'd', DriveType::CdRom, root.path());
    const PathMapper paths(drives);

    // The finder reads the directory itself, or takes the names from the scan's file list.
    QStringList scanList;
    for (const QByteArray &entry : entries) {
        if (!entry.endsWith('/'))
            scanList.append(u"d:\\"_s + decodeFileName(entry).replace(u'/', u'\\'));
    }
    for (const bool listed : {false, true}) {
        DescriptionFinder finder(paths);
        if (listed)
            finder.takeListing(
                std::make_shared<const PathListing>(PathListing::fromPaths(scanList)));
        const std::optional<DescriptionCandidate> found = finder.find(kept);
        if (program.isEmpty()) {
            QVERIFY(!found);
            continue;
        }
        QVERIFY(found);
        QCOMPARE(found->programPath, program);
        QCOMPARE(found->nativePath, rootPath + '/' + native);
        QCOMPARE(found->isFileIdDiz, fileIdDiz);
    }
}

void TestDescription::linksCountByTheirTarget()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QByteArray rootPath = root.path().toUtf8();
    QVERIFY(makeEntry(rootPath, "real/notes.txt"));
    QVERIFY(makeEntry(rootPath, "GAMES/"));
    QCOMPARE(::symlink("../real", (rootPath + "/GAMES/FILE_ID.DIZ").constData()), 0);
    QCOMPARE(::symlink("gone.txt", (rootPath + "/GAMES/README.TXT").constData()), 0);
    QCOMPARE(::symlink("../real/notes.txt", (rootPath + "/GAMES/SETUP.INF").constData()), 0);
    FakeDriveTable drives;
    drives.addDrive(u'd', DriveType::CdRom, root.path());
    const PathMapper paths(drives);

    DescriptionFinder finder(paths);
    const std::optional<DescriptionCandidate> found = finder.find(u"d:\\GAMES\\SETUP.EXE"_s);
    QVERIFY(found);
    QCOMPARE(found->programPath, u"d:\\GAMES\\SETUP.INF"_s);
    QCOMPARE(loadDescription(found->nativePath, found->programPath, false), u"real/notes.txt"_s);
}

void TestDescription::listingIsKeptUntilClear()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QByteArray rootPath = root.path().toUtf8();
    QVERIFY(makeEntry(rootPath, "GAMES/SETUP.TXT"));
    QVERIFY(makeEntry(rootPath, "GAMES/INSTALL.TXT"));
    FakeDriveTable drives;
    drives.addDrive(u'd', DriveType::CdRom, root.path());
    const PathMapper paths(drives);
    DescriptionFinder finder(paths);

    QCOMPARE(finder.find(u"d:\\GAMES\\SETUP.EXE"_s)->programPath, u"d:\\GAMES\\SETUP.TXT"_s);
    // A FILE_ID.DIZ that appears mid-scan is not seen: the directory was read once.
    QVERIFY(makeEntry(rootPath, "GAMES/FILE_ID.DIZ"));
    QCOMPARE(finder.find(u"d:\\GAMES\\INSTALL.EXE"_s)->programPath, u"d:\\GAMES\\INSTALL.TXT"_s);

    finder.clear();
    QCOMPARE(finder.find(u"d:\\GAMES\\INSTALL.EXE"_s)->programPath, u"d:\\GAMES\\FILE_ID.DIZ"_s);
}

void TestDescription::loadsText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("fileIdDiz");
    QTest::addColumn<QString>("text");

    QTest::newRow("CR LF kept") << QByteArray("Hallo\r\nWelt\r\n") << false
                                << u"Hallo\r\nWelt\r\n"_s;
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << false << u"a\r\nb\r\n"_s;
    QTest::newRow("lone CR") << QByteArray("a\rb") << false << u"a\r\nb"_s;
    QTest::newRow("mixed breaks") << QByteArray("a\r\n\nb\r\rc\n\r") << false
                                  << u"a\r\n\r\nb\r\n\r\nc\r\n\r\n"_s;
    QTest::newRow("NUL ends the text") << QByteArray("vorher\0nachher", 14) << false << u"vorher"_s;
    QTest::newRow("NUL first") << QByteArray("\0abc", 4) << false << QString();
    QTest::newRow("NUL after a lone LF") << QByteArray("a\n\0b\n", 5) << false << u"a\r\n"_s;
    QTest::newRow("empty file") << QByteArray() << true << QString();
    QTest::newRow("utf-8 in FILE_ID.DIZ") << QByteArray("Gr\xc3\xbc\xc3\x9f") << true << u"Grüß"_s;
    QTest::newRow("utf-8 in a Readme") << QByteArray("Gr\xc3\xbc\xc3\x9f") << false << u"Grüß"_s;
    QTest::newRow("CP437 box drawing")
        << QByteArray("\xda\xc4\xc4\xbf\n\xb3\x81\xb3") << true << u"┌──┐\r\n│ü│"_s;
    QTest::newRow("Windows-1252") << QByteArray("\x80 5, \x84Gr\xfc\xdf\x93") << false
                                  << u"€ 5, „Grüß“"_s;
    QTest::newRow("same byte, CP437 in FILE_ID.DIZ") << QByteArray("\x84") << true << u"ä"_s;
    QTest::newRow("broken utf-8 falls back") << QByteArray("\xc3\xa4\xc4") << false << u"Ã¤Ä"_s;
}

void TestDescription::loadsText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, fileIdDiz);
    QFETCH(QString, text);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QByteArray path = root.path().toUtf8() + "/FILE_ID.DIZ";
    QVERIFY(writeNative(path, bytes));
    QCOMPARE(loadDescription(path, u"d:\\FILE_ID.DIZ"_s, fileIdDiz), text);
}

void TestDescription::sizeLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("failure");
    QTest::newRow("at the limit") << DescriptionSizeLimit << QString();
    QTest::newRow("one byte over")
        << DescriptionSizeLimit + 1 << u"Text überschreitet Memo-Kapazität"_s;
}

void TestDescription::sizeLimit()
{
    QFETCH(qint64, size);
    QFETCH(QString, failure);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QFile file(root.filePath(u"README.TXT"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write("Inhalt"), 6);
    QVERIFY(file.resize(size));
    file.close();

    const QByteArray path = QFile::encodeName(file.fileName());
    QCOMPARE(failureOf(path, u"d:\\README.TXT"_s), failure);
    if (failure.isEmpty())
        QCOMPARE(loadDescription(path, u"d:\\README.TXT"_s, false), u"Inhalt"_s);
}

void TestDescription::unopenable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << u"missing"_s;
    QTest::newRow("directory") << u"directory"_s;
    QTest::newRow("fifo") << u"fifo"_s;
    QTest::newRow("no read permission") << u"unreadable"_s;
}

void TestDescription::unopenable()
{
    QFETCH(QString, kind);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QByteArray path = root.path().toUtf8() + "/README.TXT";
    if (kind == u"directory") {
        QCOMPARE(::mkdir(path.constData(), 0755), 0);
    } else if (kind == u"fifo") {
        QCOMPARE(::mkfifo(path.constData(), 0644), 0);
    } else if (kind == u"unreadable") {
        if (::geteuid() == 0)
            QSKIP("root reads files without read permission");
        QVERIFY(writeNative(path, "geheim"));
        QCOMPARE(::chmod(path.constData(), 0), 0);
    }
    QCOMPARE(failureOf(path, u"d:\\SPIELE\\README.TXT"_s),
             u"Datei d:\\SPIELE\\README.TXT kann nicht geöffnet werden"_s);
}

QTEST_GUILESS_MAIN(TestDescription)
#include "tst_description.moc"
