#include "archive/ZipLst32.h"
#include "base/AppError.h"
#include "support/RecordingDialogService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Where a member's sizes are recorded.
enum class Sizing
{
    Local,          // in the local header
    Descriptor,     // 0 in the local header, real in a descriptor (with signature) behind the data
    BareDescriptor, // the same, the descriptor without its signature
    Zip64,          // escaped in the local header, 64-bit in its ZIP64 extra field
    Zip64Central,   // escaped in the local header, 64-bit only in the central directory
};

struct Member
{
    QByteArray name = {};
    QByteArray data = {};
    Sizing sizing = Sizing::Local;
    std::optional<quint64> uncompressed = {}; // by default the stored size
    quint64 hole = 0; // zero bytes behind the data, left as a hole in the file
    QByteArray extra = {};
    quint16 flags = 0;
    quint32 crc = 0x1d2c3b4a;
};

enum class Directory
{
    Full,
    WithoutEndRecord,
    None
};

struct Archive
{
    QList<Member> members = {};
    QByteArray prefix = {}; // a stub in front, as a self-extractor has
    Directory directory = Directory::Full;
    QByteArray trailer = {};
    qint64 cutTo = -1; // the file's length when it is cut short
};

constexpr quint32 Escaped = 0xFFFFFFFF;

template <typename T> void put(QByteArray &out, T value)
{
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&little), sizeof little);
}

quint32 narrow(quint64 value)
{
    return value >= Escaped ? Escaped : quint32(value);
}

bool hasDescriptor(Sizing sizing)
{
    return sizing == Sizing::Descriptor || sizing == Sizing::BareDescriptor;
}

QByteArray zip64Field(const QList<quint64> &values)
{
    QByteArray field;
    put<quint16>(field, 0x0001);
    put<quint16>(field, quint16(values.size() * 8));
    for (const quint64 value : values)
        put(field, value);
    return field;
}

struct Placed
{
    quint64 offset; // of the local header, from the start of the archive behind the prefix
    quint64 compressed;
    quint64 uncompressed;
};

QByteArray localHeader(const Member &member, const Placed &placed)
{
    const bool descriptor = hasDescriptor(member.sizing);
    const bool zip64 = member.sizing == Sizing::Zip64 || member.sizing == Sizing::Zip64Central;
    QByteArray extra = member.extra;
    if (member.sizing == Sizing::Zip64)
        extra.prepend(zip64Field({placed.uncompressed, placed.compressed}));
    QByteArray header;
    put<quint32>(header, 0x04034b50);
    put<quint16>(header, 20);
    put<quint16>(header, quint16(member.flags | (descriptor ? 0x0008 : 0)));
    put<quint16>(header, 0); // stored
    put<quint32>(header, 0); // time and date
    put<quint32>(header, member.crc);
    put<quint32>(header, descriptor ? 0 : zip64 ? Escaped : narrow(placed.compressed));
    put<quint32>(header, descriptor ? 0 : zip64 ? Escaped : narrow(placed.uncompressed));
    put<quint16>(header, quint16(member.name.size()));
    put<quint16>(header, quint16(extra.size()));
    return header + member.name + extra;
}

QByteArray descriptor(const Member &member, const Placed &placed)
{
    QByteArray bytes;
    if (member.sizing == Sizing::Descriptor)
        put<quint32>(bytes, 0x08074b50);
    if (hasDescriptor(member.sizing)) {
        put<quint32>(bytes, member.crc);
        put<quint32>(bytes, narrow(placed.compressed));
        put<quint32>(bytes, narrow(placed.uncompressed));
    }
    return bytes;
}

QByteArray centralHeader(const Member &member, const Placed &placed)
{
    const bool zip64 = member.sizing == Sizing::Zip64 || member.sizing == Sizing::Zip64Central;
    QList<quint64> block;
    const auto field = [&block](quint64 value, bool escape) {
        if (!escape && value < Escaped)
            return quint32(value);
        block.append(value);
        return Escaped;
    };
    const quint32 uncompressed = field(placed.uncompressed, zip64);
    const quint32 compressed = field(placed.compressed, zip64);
    const quint32 offset = field(placed.offset, false);
    QByteArray extra = member.extra;
    if (!block.isEmpty())
        extra.prepend(zip64Field(block));
    QByteArray header;
    put<quint32>(header, 0x02014b50);
    put<quint32>(header, 0x00140014); // made by and needed: version 2.0
    put<quint16>(header, quint16(member.flags | (hasDescriptor(member.sizing) ? 0x0008 : 0)));
    put<quint16>(header, 0);
    put<quint32>(header, 0);
    put<quint32>(header, member.crc);
    put<quint32>(header, compressed);
    put<quint32>(header, uncompressed);
    put<quint16>(header, quint16(member.name.size()));
    put<quint16>(header, quint16(extra.size()));
    put<quint64>(header, 0); // comment length, disk, internal and external attributes
    put<quint16>(header, 0);
    put<quint32>(header, offset);
    return header + member.name + extra;
}

QByteArray endRecords(quint64 count, quint64 start, quint64 size)
{
    QByteArray records;
    if (start >= Escaped || size >= Escaped) {
        put<quint32>(records, 0x06064b50);
        put<quint64>(records, 44);
        put<quint32>(records, 0x002d002d);
        put<quint64>(records, 0); // both disk numbers
        put<quint64>(records, count);
        put<quint64>(records, count);
        put<quint64>(records, size);
        put<quint64>(records, start);
        put<quint32>(records, 0x07064b50);
        put<quint32>(records, 0);
        put<quint64>(records, start + size);
        put<quint32>(records, 1);
    }
    put<quint32>(records, 0x06054b50);
    put<quint32>(records, 0);
    put<quint16>(records, quint16(count));
    put<quint16>(records, quint16(count));
    put<quint32>(records, narrow(size));
    put<quint32>(records, narrow(start));
    put<quint16>(records, 0);
    return records;
}

bool writeArchive(const QString &fileName, const Archive &archive)
{
    QFile file(fileName);
    bool ok = file.open(QIODevice::WriteOnly);
    const auto write = [&](const QByteArray &bytes) {
        ok = ok && file.write(bytes) == bytes.size();
    };
    const auto archiveOffset = [&] { return quint64(file.pos() - archive.prefix.size()); };

    write(archive.prefix);
    QByteArray directory;
    for (const Member &member : archive.members) {
        const quint64 compressed = quint64(member.data.size()) + member.hole;
        const Placed placed{archiveOffset(), compressed, member.uncompressed.value_or(compressed)};
        write(localHeader(member, placed));
        write(member.data);
        ok = ok && file.seek(file.pos() + qint64(member.hole));
        write(descriptor(member, placed));
        directory += centralHeader(member, placed);
    }
    const quint64 directoryStart = archiveOffset();
    if (archive.directory != Directory::None)
        write(directory);
    if (archive.directory == Directory::Full)
        write(
            endRecords(quint64(archive.members.size()), directoryStart, quint64(directory.size())));
    write(archive.trailer);
    return ok && file.resize(archive.cutTo >= 0 ? archive.cutTo : file.pos());
}

Member stored(const QByteArray &name, const QByteArray &data, Sizing sizing = Sizing::Local)
{
    return Member{.name = name, .data = data, .sizing = sizing};
}

const QString ProgramPath = u"d:\\GAMES\\X.ZIP"_s;
const QByteArray EightByteStub("MZ\x90\0STUB", 8);

} // namespace

Q_DECLARE_METATYPE(Archive)

class TestZipLst32 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsLocalHeaders_data();
    void listsLocalHeaders();
    void listsRealSizes_data();
    void listsRealSizes();
    void skipsDataBeyond4GiB();
    void listsArchivesOfZipTool_data();
    void listsArchivesOfZipTool();
    void reportsMissingFile_data();
    void reportsMissingFile();
    void throwsWhenFileCannotBeOpened();

private:
    void checkListing(const Archive &archive, const QStringList &expected);

    QTemporaryDir m_dir;
};

void TestZipLst32::checkListing(const Archive &archive, const QStringList &expected)
{
    const QString fileName = m_dir.filePath(u"X.ZIP"_s);
    QVERIFY(writeArchive(fileName, archive));
    QStringList lines{u"earlier"_s};
    RecordingDialogService dialogs;
    const int count = ListZipMembers(ProgramPath, QFile::encodeName(fileName), lines, dialogs);
    QCOMPARE(lines, QStringList{u"earlier"_s} + expected);
    QCOMPARE(count, int(expected.size()));
    QCOMPARE(dialogs.total(), 0);
}

void TestZipLst32::listsLocalHeaders_data()
{
    QTest::addColumn<Archive>("archive");
    QTest::addColumn<QStringList>("expected");

    const Member a = stored("A.TXT", "0123456789");
    const Member b = stored("B.TXT", "abcdefghij");
    const QStringList ab{u"A.TXT 0000010 Byte "_s, u"B.TXT 0000010 Byte "_s};
    const Member timestamped{
        .name = "T.TXT", .data = "abc", .extra = QByteArray("UT\x05\0\1\2\3\4\5", 9)};

    QTest::newRow("stored, with a directory")
        << Archive{.members = {stored("A.TXT", "abc"), stored("DOCS/", ""),
                               stored("DOCS/B.TXT", QByteArray(1234, 'x'))}}
        << QStringList{u"A.TXT 0000003 Byte "_s, u"DOCS/ 0000000 Byte "_s,
                       u"DOCS/B.TXT 0001234 Byte "_s};
    QTest::newRow("extra field of odd length")
        << Archive{.members = {timestamped, a}} << QStringList{u"T.TXT 0000003 Byte "_s, ab[0]};
    QTest::newRow("only an end record") << Archive{} << QStringList{};
    QTest::newRow("stub of 8 bytes") << Archive{.members = {a, b}, .prefix = EightByteStub} << ab;
    QTest::newRow("stub of 6 bytes")
        << Archive{.members = {a, b}, .prefix = "MZSTUB"} << QStringList{};
    QTest::newRow("central signature in a stub")
        << Archive{.members = {a, b}, .prefix = "STUBPK\x01\x02"} << QStringList{};
    QTest::newRow("not a zip") << Archive{.prefix = "Plain text, not an archive.\n",
                                          .directory = Directory::None}
                               << QStringList{};
    QTest::newRow("sizes of eight digits and more")
        << Archive{.members = {Member{.name = "BIG", .data = "z", .uncompressed = 3'000'000'000},
                               Member{.name = "MID", .data = "z", .uncompressed = 12'345'678}}}
        << QStringList{u"BIG 3000000000 Byte "_s, u"MID 12345678 Byte "_s};

    QTest::newRow("22 bytes behind the last data")
        << Archive{.members = {a, b}, .directory = Directory::None, .trailer = QByteArray(22, '\0')}
        << ab;
    QTest::newRow("21 bytes behind the last data")
        << Archive{.members = {a, b}, .directory = Directory::None, .trailer = QByteArray(21, '\0')}
        << ab.first(1);
    const Member c = stored("C.TXT", QByteArray(100, 'c'));
    // A ends at 45, B at 90, C's data runs from 125 to 225.
    QTest::newRow("cut in the last data") << Archive{.members = {a, b, c}, .cutTo = 150} << ab;
    QTest::newRow("cut in the last header, 10 bytes behind B's data")
        << Archive{.members = {a, b, c}, .cutTo = 100} << ab.first(1);

    QTest::newRow("name cut at a zero byte")
        << Archive{.members = {stored(QByteArray("ABC\0DEF", 7), "")}}
        << QStringList{u"ABC 0000000 Byte "_s};
    QTest::newRow("name of 300 bytes")
        << Archive{.members = {stored(QByteArray(300, 'N'), "x"), a}}
        << QStringList{QString(300, u'N') + u" 0000001 Byte "_s, ab[0]};
    QTest::newRow("CP437 name") << Archive{.members = {stored("B\x8eR.TXT", "")}}
                                << QStringList{u"BÄR.TXT 0000000 Byte "_s};
    QTest::newRow("UTF-8 name, not flagged") << Archive{.members = {stored("B\xc3\x84R.TXT", "")}}
                                             << QStringList{u"BÄR.TXT 0000000 Byte "_s};
    QTest::newRow("flagged UTF-8 name with a stray byte")
        << Archive{.members = {Member{.name = "B\x8eR", .flags = 0x0800}}}
        << QStringList{u"B\uFFFDR 0000000 Byte "_s};

    // Without a central directory to take sizes from, the 4-byte search runs through the data.
    QTest::newRow("descriptor, no end record, data off the 4-byte grid")
        << Archive{.members = {stored("A.TXT", "abcde", Sizing::Descriptor), b},
                   .directory = Directory::WithoutEndRecord}
        << QStringList{u"A.TXT 0000000 Byte "_s};
    QTest::newRow("descriptor, no end record, data on the 4-byte grid")
        << Archive{.members = {stored("A.TX", "abcdefgh", Sizing::Descriptor), b},
                   .directory = Directory::WithoutEndRecord}
        << QStringList{u"A.TX 0000000 Byte "_s, ab[1]};
}

void TestZipLst32::listsLocalHeaders()
{
    QFETCH(Archive, archive);
    QFETCH(QStringList, expected);
    checkListing(archive, expected);
}

void TestZipLst32::listsRealSizes_data()
{
    QTest::addColumn<Archive>("archive");
    QTest::addColumn<QStringList>("expected");

    const Member b = stored("B.TXT", "xyz");
    const QStringList hello{u"A.TXT 0000005 Byte "_s, u"B.TXT 0000003 Byte "_s};
    QTest::newRow("descriptors") << Archive{.members = {stored("A.TXT", "hello",
                                                               Sizing::Descriptor),
                                                        stored("B.TXT", "xyz", Sizing::Descriptor)}}
                                 << hello;
    QTest::newRow("descriptors without signature")
        << Archive{.members = {stored("A.TXT", "hello", Sizing::BareDescriptor),
                               stored("B.TXT", "xyz", Sizing::BareDescriptor)}}
        << hello;
    QTest::newRow("descriptor behind a stub of 8 bytes")
        << Archive{.members = {stored("A.TXT", "hello", Sizing::Descriptor), b},
                   .prefix = EightByteStub}
        << hello;
    for (const quint32 crc : {0x04034b50u, 0x02014b50u}) {
        Member a = stored("A.TXT", "hello", Sizing::BareDescriptor);
        a.crc = crc;
        QTest::addRow("descriptor whose CRC reads as signature %08x", crc)
            << Archive{.members = {a, b}} << hello;
    }
    const QStringList big{u"A.BIN 5000000000 Byte "_s, u"B.TXT 0000003 Byte "_s};
    const auto zip64 = [](Sizing sizing) {
        return Member{
            .name = "A.BIN", .data = "0123456789", .sizing = sizing, .uncompressed = 5'000'000'000};
    };
    QTest::newRow("ZIP64 sizes in the local header")
        << Archive{.members = {zip64(Sizing::Zip64), b}, .directory = Directory::WithoutEndRecord}
        << big;
    QTest::newRow("ZIP64 sizes in the central directory")
        << Archive{.members = {zip64(Sizing::Zip64Central), b}} << big;
}

void TestZipLst32::listsRealSizes()
{
    QFETCH(Archive, archive);
    QFETCH(QStringList, expected);
    checkListing(archive, expected);
}

// Needs a file system with holes: the first member's 4.5 GiB of data are never written.
void TestZipLst32::skipsDataBeyond4GiB()
{
    const Member big{.name = "BIG.BIN", .sizing = Sizing::Zip64, .hole = 4'831'838'208};
    checkListing(
        Archive{.members = {big, stored("AFTER.TXT", "abc", Sizing::Descriptor),
                            stored("LAST.TXT", "xyz")}},
        {u"BIG.BIN 4831838208 Byte "_s, u"AFTER.TXT 0000003 Byte "_s, u"LAST.TXT 0000003 Byte "_s});
}

void TestZipLst32::listsArchivesOfZipTool_data()
{
    QTest::addColumn<bool>("streamed");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("written to a file") << false << QStringList{u"-q"_s};
    QTest::newRow("streamed, with descriptors") << true << QStringList{u"-q"_s};
    // Escapes the directory offset in the end record without writing the ZIP64 records.
    QTest::newRow("streamed, forced ZIP64") << true << QStringList{u"-q"_s, u"-fz"_s};
}

// A real archiver's output: deflated members whose data ends anywhere, not on the 4-byte grid.
void TestZipLst32::listsArchivesOfZipTool()
{
    QFETCH(bool, streamed);
    QFETCH(QStringList, options);
    const QString zip = QStandardPaths::findExecutable(u"zip"_s);
    if (zip.isEmpty())
        QSKIP("zip is not installed");

    QTemporaryDir input;
    QVERIFY(QDir(input.path()).mkdir(u"sub"_s));
    QByteArray noise(1000, Qt::Uninitialized);
    quint32 seed = 7;
    for (char &byte : noise)
        byte = char((seed = seed * 1103515245 + 12345) >> 24);
    const QList<std::pair<QString, QByteArray>> files{
        {u"a.txt"_s, QByteArray("Zeile\n").repeated(100)},
        {u"sub/b.bin"_s, noise},
        {u"c.txt"_s, "xyz"}};
    QStringList arguments = options;
    arguments.append(streamed ? u"-"_s : m_dir.filePath(u"X.ZIP"_s));
    for (const auto &[name, content] : files) {
        QFile file(input.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        arguments.append(name);
    }
    QFile::remove(m_dir.filePath(u"X.ZIP"_s));
    QProcess process;
    process.setWorkingDirectory(input.path());
    process.start(zip, arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QFile archive(m_dir.filePath(u"X.ZIP"_s));
    if (streamed) {
        const QByteArray bytes = process.readAllStandardOutput();
        QVERIFY(bytes.size() > 6 && (bytes[6] & 0x08));
        QVERIFY(archive.open(QIODevice::WriteOnly) && archive.write(bytes) == bytes.size());
        archive.close();
    }

    QStringList lines;
    RecordingDialogService dialogs;
    QCOMPARE(ListZipMembers(ProgramPath, QFile::encodeName(archive.fileName()), lines, dialogs), 3);
    QCOMPARE(lines, (QStringList{u"a.txt 0000600 Byte "_s, u"sub/b.bin 0001000 Byte "_s,
                                 u"c.txt 0000003 Byte "_s}));
}

void TestZipLst32::reportsMissingFile_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("no such file") << u"NOPE.ZIP"_s;
    QTest::newRow("a directory") << u"DIR.ZIP"_s;
    QTest::newRow("below a file") << u"FILE/X.ZIP"_s;
}

void TestZipLst32::reportsMissingFile()
{
    QFETCH(QString, relativePath);
    QVERIFY(QDir(m_dir.path()).mkpath(u"DIR.ZIP"_s));
    QVERIFY(writeArchive(m_dir.filePath(u"FILE"_s), Archive{.members = {stored("A", "a")}}));

    QStringList lines{u"earlier"_s};
    RecordingDialogService dialogs;
    const QByteArray nativePath = QFile::encodeName(m_dir.filePath(relativePath));
    QCOMPARE(ListZipMembers(ProgramPath, nativePath, lines, dialogs), 0);
    QCOMPARE(lines, QStringList{u"earlier"_s});
    QCOMPARE(dialogs.plainMessages, QStringList{u"Datei d:\\GAMES\\X.ZIP nicht vorhanden"_s});
    QCOMPARE(dialogs.total(), 1);
}

// Root opens any file while CAP_DAC_OVERRIDE or CAP_DAC_READ_SEARCH is effective. Capabilities
// belong to the thread, and the permitted set gives them back afterwards.
void TestZipLst32::throwsWhenFileCannotBeOpened()
{
    const QString fileName = m_dir.filePath(u"LOCKED.ZIP"_s);
    QVERIFY(writeArchive(fileName, Archive{.members = {stored("A", "a")}}));
    QVERIFY(QFile::setPermissions(fileName, {}));
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    std::array<__user_cap_data_struct, 2> saved{};
    QCOMPARE(::syscall(SYS_capget, &header, saved.data()), 0L);
    std::array<__user_cap_data_struct, 2> lowered = saved;
    for (const unsigned capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
        lowered[capability / 32].effective &= ~(1u << (capability % 32));
    QCOMPARE(::syscall(SYS_capset, &header, lowered.data()), 0L);
    const auto restore = qScopeGuard([&] { ::syscall(SYS_capset, &header, saved.data()); });

    QStringList lines{u"earlier"_s};
    RecordingDialogService dialogs;
    QString message;
    try {
        ListZipMembers(ProgramPath, QFile::encodeName(fileName), lines, dialogs);
    } catch (const AppError &error) {
        message = error.message();
    }
    QCOMPARE(message, u"Datei d:\\GAMES\\X.ZIP kann nicht geöffnet werden"_s);
    QCOMPARE(lines, QStringList{u"earlier"_s});
    QCOMPARE(dialogs.total(), 0);
}

QTEST_GUILESS_MAIN(TestZipLst32)
#include "tst_ziplst32.moc"
