#include "archive/ArchiveListing.h"
#include "platform/NativePath.h"
#include "scan/SideTextCapture.h"
#include "scan/SideTextStore.h"
#include "support/FakeDriveTable.h"
#include "support/RecordingDialogService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <locale.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Stands in the tool's arguments for the archive's full path.
const QString ArchiveArgument = u"ARCHIVE"_s;

QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 seed = 7;
    for (char &byte : bytes)
        byte = char((seed = seed * 1103515245 + 12345) >> 24);
    return bytes;
}

bool writeFile(const QString &fileName, const QByteArray &content)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QStringList sorted(QStringList lines)
{
    lines.sort();
    return lines;
}

// The members of the input tree as the lister shows them, whatever the order the tool chose.
const QString A = u"a.txt 0000005 Byte "_s;
const QString Sub = u"sub/ 0000000 Byte "_s;
const QString B = u"sub/b.bin 0001234 Byte "_s;
const QString Deep = u"sub/deep/ 0000000 Byte "_s;
const QString Empty = u"sub/deep/empty 0000000 Byte "_s;
const QString Umlaut = u"Bär.txt 0000001 Byte "_s;
const QStringList All{A, Sub, B, Deep, Empty, Umlaut};
const QStringList AllTreeArguments{u"a.txt"_s, u"sub"_s, u"Bär.txt"_s};

enum class Made
{
    ByTool,
    AsText,
    AsFolder,
    Nothing
};

} // namespace

Q_DECLARE_METATYPE(Made)

class TestArchiveListing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void choosesArchivesByName_data();
    void choosesArchivesByName();
    void listsArchivesOfTools_data();
    void listsArchivesOfTools();
    void readsBareByteNamesAsZipNamesAre();
    void reportsWhatCannotBeListed_data();
    void reportsWhatCannotBeListed();
    void attachesListingAsSideText();

private:
    // The archive the tool makes from the input tree, or an empty text when it failed.
    QString makeArchive(const QString &program, const QStringList &arguments, const QString &name);

    QTemporaryDir m_input;
    QTemporaryDir m_output;
};

void TestArchiveListing::initTestCase()
{
    // Names must not depend on the locale the program runs in; the C locale is the hardest.
    QVERIFY(::setlocale(LC_ALL, "C"));
    QVERIFY(m_input.isValid() && m_output.isValid());
    QVERIFY(QDir(m_input.path()).mkpath(u"sub/deep"_s));
    QVERIFY(writeFile(m_input.filePath(u"a.txt"_s), "hello"));
    QVERIFY(writeFile(m_input.filePath(u"sub/b.bin"_s), noise(1234)));
    QVERIFY(writeFile(m_input.filePath(u"sub/deep/empty"_s), {}));
    QVERIFY(writeFile(m_input.filePath(u"Bär.txt"_s), "x"));
    QVERIFY(writeFile(m_input.filePath(u"big.bin"_s), noise(200'000)));
}

QString TestArchiveListing::makeArchive(const QString &program, const QStringList &arguments,
                                        const QString &name)
{
    const QString archive = m_output.filePath(name);
    QFile::remove(archive);
    QStringList filled = arguments;
    filled.replace(filled.indexOf(ArchiveArgument), archive);
    QProcess process;
    process.setWorkingDirectory(m_input.path());
    process.start(program, filled);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << program << filled << process.readAllStandardError();
        return {};
    }
    return archive;
}

void TestArchiveListing::choosesArchivesByName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("listed");
    for (const QString &name : {u"X.7Z"_s, u"x.rar"_s, u"X.CAB"_s, u"X.LZH"_s, u"X.LHA"_s,
                                u"X.TAR"_s, u"X.TGZ"_s, u"X.TAR.GZ"_s, u"X.TBZ"_s, u"X.TBZ2"_s,
                                u"x.tar.bz2"_s, u"X.TXZ"_s, u"X.Tar.Xz"_s, u"X.CPIO"_s, u"X.ISO"_s})
        QTest::newRow(qPrintable(name)) << u"d:\\GAMES\\"_s + name << true;
    for (const QString &name : {u"X.ZIP"_s, u"X.GZ"_s, u"X.XZ"_s, u"X.BZ2"_s, u"X7Z"_s,
                                u"X.7Z\\README"_s, u"X.ISO.BAK"_s})
        QTest::newRow(qPrintable(name)) << u"d:\\GAMES\\"_s + name << false;
}

void TestArchiveListing::choosesArchivesByName()
{
    QFETCH(QString, path);
    QFETCH(bool, listed);
    QCOMPARE(isListedArchiveName(path), listed);
}

void TestArchiveListing::listsArchivesOfTools_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("7z") << u"7z"_s
                        << QStringList{u"a"_s, u"-bd"_s, u"-bso0"_s, ArchiveArgument} +
                               AllTreeArguments
                        << u"X.7Z"_s << All;
    QTest::newRow("tar") << u"bsdtar"_s << QStringList{u"-cf"_s, ArchiveArgument} + AllTreeArguments
                         << u"X.TAR"_s << All;
    QTest::newRow("tar.gz") << u"bsdtar"_s
                            << QStringList{u"-czf"_s, ArchiveArgument} + AllTreeArguments
                            << u"X.TAR.GZ"_s << All;
    QTest::newRow("tar.bz2") << u"bsdtar"_s
                             << QStringList{u"-cjf"_s, ArchiveArgument} + AllTreeArguments
                             << u"X.TBZ2"_s << All;
    QTest::newRow("tar.xz") << u"bsdtar"_s
                            << QStringList{u"-cJf"_s, ArchiveArgument} + AllTreeArguments
                            << u"X.TXZ"_s << All;
    QTest::newRow("cpio") << u"bsdtar"_s
                          << QStringList{u"--format=cpio"_s, u"-cf"_s, ArchiveArgument} +
                                 AllTreeArguments
                          << u"X.CPIO"_s << All;
    QTest::newRow("iso") << u"bsdtar"_s
                         << QStringList{u"--format=iso9660"_s, u"-cf"_s, ArchiveArgument} +
                                AllTreeArguments
                         << u"X.ISO"_s << All;
    QTest::newRow("lzh") << u"lha"_s << QStringList{u"aq"_s, ArchiveArgument, u"a.txt"_s, u"sub"_s}
                         << u"X.LZH"_s << QStringList{A, Sub, B, Deep, Empty};
    QTest::newRow("cab") << u"gcab"_s
                         << QStringList{u"-c"_s, ArchiveArgument, u"a.txt"_s, u"sub/b.bin"_s,
                                        u"Bär.txt"_s}
                         << u"X.CAB"_s << QStringList{A, B, Umlaut};
}

void TestArchiveListing::listsArchivesOfTools()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, name);
    QFETCH(QStringList, expected);
    const QString executable = QStandardPaths::findExecutable(program);
    if (executable.isEmpty())
        QSKIP(qPrintable(program + u" is not installed"_s));
    const QString archive = makeArchive(executable, arguments, name);
    QVERIFY(!archive.isEmpty());

    QStringList lines{u"earlier"_s};
    RecordingDialogService dialogs;
    const int count =
        ListArchiveMembers(u"d:\\"_s + name, QFile::encodeName(archive), lines, dialogs);
    QCOMPARE(lines.takeFirst(), u"earlier"_s);
    QCOMPARE(sorted(lines), sorted(expected));
    QCOMPARE(count, int(expected.size()));
    QCOMPARE(dialogs.total(), 0);
}

// Tar keeps names as the bytes they were made of: those that are no UTF-8 are taken in CP437.
// The root entry "./" of a tar made from its own folder is no member.
void TestArchiveListing::readsBareByteNamesAsZipNamesAre()
{
    const QString bsdtar = QStandardPaths::findExecutable(u"bsdtar"_s);
    if (bsdtar.isEmpty())
        QSKIP("bsdtar is not installed");
    QTemporaryDir folder;
    const QByteArray rawName = folder.path().toUtf8() + "/B\x8eR.TXT";
    const int fd = ::open(rawName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "abc", 3), 3);
    QCOMPARE(::close(fd), 0);

    const QString archive = m_output.filePath(u"RAW.TAR"_s);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C"_s);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder.path());
    process.start(bsdtar, {u"--format=ustar"_s, u"-cf"_s, archive, u"."_s});
    const bool made = process.waitForFinished(60000) && process.exitCode() == 0;
    ::unlink(rawName.constData());
    QVERIFY(made);

    QStringList lines;
    RecordingDialogService dialogs;
    QCOMPARE(ListArchiveMembers(u"d:\\RAW.TAR"_s, QFile::encodeName(archive), lines, dialogs), 1);
    QCOMPARE(lines, QStringList{u"./BÄR.TXT 0000003 Byte "_s});
    QCOMPARE(dialogs.total(), 0);
}

void TestArchiveListing::reportsWhatCannotBeListed_data()
{
    QTest::addColumn<Made>("made");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("keptShare");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("notice");

    const QStringList sevenZip{u"a"_s, u"-bd"_s, u"-bso0"_s};
    QTest::newRow("7z cut short") << Made::ByTool << u"7z"_s
                                  << sevenZip + QStringList{ArchiveArgument} + AllTreeArguments
                                  << u"CUT.7Z"_s << 0.6 << QStringList{}
                                  << u"Datei d:\\CUT.7Z nicht lesbar"_s;
    // The first two members' headers come before the cut, which falls inside big.bin's data.
    QTest::newRow("tar.gz cut in a member's data")
        << Made::ByTool << u"bsdtar"_s
        << QStringList{u"-czf"_s, ArchiveArgument, u"a.txt"_s, u"big.bin"_s, u"Bär.txt"_s}
        << u"CUT.TGZ"_s << 0.5 << QStringList{A, u"big.bin 0200000 Byte "_s}
        << u"Datei d:\\CUT.TGZ nicht lesbar"_s;
    QTest::newRow("7z of encrypted data, names readable")
        << Made::ByTool << u"7z"_s
        << sevenZip + QStringList{u"-pgeheim"_s, ArchiveArgument} + AllTreeArguments
        << u"LOCKED.7Z"_s << 1.0 << All << u"Datei d:\\LOCKED.7Z verschlüsselt"_s;
    QTest::newRow("7z of encrypted names")
        << Made::ByTool << u"7z"_s
        << sevenZip + QStringList{u"-pgeheim"_s, u"-mhe=on"_s, ArchiveArgument} + AllTreeArguments
        << u"HIDDEN.7Z"_s << 1.0 << QStringList{} << u"Datei d:\\HIDDEN.7Z verschlüsselt"_s;
    QTest::newRow("no archive at all")
        << Made::AsText << QString() << QStringList{} << u"SETUP.CAB"_s << 1.0 << QStringList{}
        << u"Datei d:\\SETUP.CAB nicht lesbar"_s;
    QTest::newRow("no such file") << Made::Nothing << QString() << QStringList{} << u"NOPE.RAR"_s
                                  << 1.0 << QStringList{}
                                  << u"Datei d:\\NOPE.RAR nicht vorhanden"_s;
    QTest::newRow("a folder") << Made::AsFolder << QString() << QStringList{} << u"DIR.ISO"_s << 1.0
                              << QStringList{} << u"Datei d:\\DIR.ISO nicht vorhanden"_s;
}

void TestArchiveListing::reportsWhatCannotBeListed()
{
    QFETCH(Made, made);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, name);
    QFETCH(double, keptShare);
    QFETCH(QStringList, expected);
    QFETCH(QString, notice);

    const QString archive = m_output.filePath(name);
    if (made == Made::ByTool) {
        const QString executable = QStandardPaths::findExecutable(program);
        if (executable.isEmpty())
            QSKIP(qPrintable(program + u" is not installed"_s));
        QCOMPARE(makeArchive(executable, arguments, name), archive);
        QFile file(archive);
        QVERIFY(file.resize(qint64(double(file.size()) * keptShare)));
    } else if (made == Made::AsText) {
        QVERIFY(writeFile(archive, QByteArray("Kein Archiv, nur Text.\r\n").repeated(40)));
    } else if (made == Made::AsFolder) {
        QVERIFY(QDir(m_output.path()).mkpath(name));
    }

    QStringList lines;
    RecordingDialogService dialogs;
    const int count =
        ListArchiveMembers(u"d:\\"_s + name, QFile::encodeName(archive), lines, dialogs);
    QCOMPARE(sorted(lines), sorted(expected));
    QCOMPARE(count, int(expected.size()));
    QCOMPARE(dialogs.plainMessages, QStringList{notice});
    QCOMPARE(dialogs.total(), 1);
}

// The scan keeps a listing as the side text of its selection position, with CR LF after each
// line, also an empty one for an archive that could not be read.
void TestArchiveListing::attachesListingAsSideText()
{
    const QString bsdtar = QStandardPaths::findExecutable(u"bsdtar"_s);
    if (bsdtar.isEmpty())
        QSKIP("bsdtar is not installed");
    QVERIFY(
        !makeArchive(bsdtar, {u"-cf"_s, ArchiveArgument, u"a.txt"_s, u"sub/b.bin"_s}, u"GOOD.TAR"_s)
             .isEmpty());
    QVERIFY(writeFile(m_output.filePath(u"BAD.TAR"_s), "no tar"));
    FakeDriveTable drives;
    drives.addDrive(u'd', DriveType::CdRom, m_output.path());
    const PathMapper paths(drives);
    SideTextStore store;
    RecordingDialogService notices;
    SideTextCapture capture(paths, store, notices);

    QStringList shown{u"earlier listing"_s};
    capture.attachArchiveListing(u"d:\\GOOD.TAR"_s, 3, shown);
    QCOMPARE(shown, (QStringList{A, B}));
    const SideTextStore::SideText *good = store.find(u"zip3"_s);
    QVERIFY(good);
    QCOMPARE(good->text, A + u"\r\n"_s + B + u"\r\n"_s);

    capture.attachArchiveListing(u"d:\\BAD.TAR"_s, 4, shown);
    QCOMPARE(shown, QStringList{});
    const SideTextStore::SideText *bad = store.find(u"zip4"_s);
    QVERIFY(bad);
    QCOMPARE(bad->text, QString());
    QCOMPARE(notices.plainMessages, QStringList{u"Datei d:\\BAD.TAR nicht lesbar"_s});
}

QTEST_GUILESS_MAIN(TestArchiveListing)
#include "tst_archivelisting.moc"
