#include "image/DiscImage.h"
#include "image/ImageError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

#include <udfread/udfread.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Every directory of an image by its path ("" for the root), with its names in order.
using Tree = QMap<QByteArray, QByteArrayList>;

constexpr qsizetype Sector = 2048;

Tree treeOf(DiscImage &image)
{
    Tree tree;
    const std::function<void(const QByteArray &)> walk = [&](const QByteArray &path) {
        QByteArrayList &names = tree[path];
        for (const ImageEntry &entry : image.readDirectory(path)) {
            names.append(entry.name);
            if (entry.isDirectory())
                walk(path.isEmpty() ? entry.name : path + '/' + entry.name);
        }
    };
    walk(QByteArray());
    return tree;
}

// isofs's default map of a plain ISO 9660 name.
QByteArray mappedIsoName(QByteArray name)
{
    name = name.toLower();
    if (name.endsWith(";1"))
        name.chop(2);
    if (name.endsWith('.'))
        name.chop(1);
    return name;
}

// The names in the order genisoimage recorded them, as isoinfo prints them: with the given
// option for Rock Ridge or Joliet names, or none for the plain ISO names.
Tree isoinfoTree(const QString &image, const QString &option)
{
    QProcess isoinfo;
    QStringList arguments = {u"-l"_s, u"-i"_s, image, u"-j"_s, u"iso8859-1"_s};
    if (!option.isEmpty())
        arguments.prepend(option);
    isoinfo.start(u"isoinfo"_s, arguments);
    if (!isoinfo.waitForFinished() || isoinfo.exitCode() != 0)
        return {};
    // isoinfo prints Rock Ridge names as recorded and Joliet names in the charset asked for.
    const auto shown = [&option](const QByteArray &name) {
        if (option.isEmpty())
            return mappedIsoName(name);
        return option == u"-J" ? QString::fromLatin1(name).toUtf8() : name;
    };
    static const QRegularExpression Heading(u"^Directory listing of /(.*)/?$"_s);
    static const QRegularExpression Row(u"^[d-].*\\]  (.*) $"_s);
    Tree tree;
    QByteArray current;
    for (const QByteArray &line : isoinfo.readAllStandardOutput().split('\n')) {
        const QString text = QString::fromLatin1(line);
        if (const auto heading = Heading.match(text); heading.hasMatch()) {
            QByteArrayList parts;
            for (const QString &part : heading.captured(1).split(u'/', Qt::SkipEmptyParts))
                parts.append(shown(part.toLatin1()));
            current = parts.join('/');
            tree[current];
        } else if (const auto row = Row.match(text); row.hasMatch()) {
            const QByteArray name = row.captured(1).toLatin1();
            if (name != "." && name != "..")
                tree[current].append(shown(name));
        }
    }
    return tree;
}

// The file identifiers as libudfread reads them, in recorded order.
Tree udfreadTree(const QString &image)
{
    Tree tree;
    const std::unique_ptr<udfread, void (*)(udfread *)> udf(udfread_init(), &udfread_close);
    if (udfread_open(udf.get(), QFile::encodeName(image).constData()) < 0)
        return tree;
    const std::function<void(const QByteArray &)> walk = [&](const QByteArray &path) {
        QByteArrayList &names = tree[path];
        UDFDIR *directory = udfread_opendir(udf.get(), ('/' + path).constData());
        udfread_dirent entry;
        QByteArrayList subdirectories;
        while (directory && udfread_readdir(directory, &entry)) {
            const QByteArray name = entry.d_name;
            if (name == "..")
                continue;
            names.append(name);
            if (entry.d_type == UDF_DT_DIR)
                subdirectories.append(path.isEmpty() ? name : path + '/' + name);
        }
        udfread_closedir(directory);
        for (const QByteArray &subdirectory : subdirectories)
            walk(subdirectory);
    };
    walk(QByteArray());
    return tree;
}

// A raw copy with 2352-byte sectors: sync pattern, address, mode, (subheader,) data, and
// zeros where EDC and ECC would be, which no reader of a copy checks.
QByteArray rawCopy(const QByteArray &plain, int mode)
{
    QByteArray raw;
    for (qsizetype sector = 0; sector * Sector < plain.size(); ++sector) {
        QByteArray frame(2352, '\0');
        frame.replace(1, 10, QByteArray(10, '\xff'));
        const int address = int(sector) + 150;
        const auto bcd = [](int value) { return char((value / 10) << 4 | value % 10); };
        frame[12] = bcd(address / 75 / 60);
        frame[13] = bcd(address / 75 % 60);
        frame[14] = bcd(address % 75);
        frame[15] = char(mode);
        frame.replace(mode == 1 ? 16 : 24, Sector, plain.sliced(sector * Sector, Sector));
        raw += frame;
    }
    return raw;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The offset of a directory's record named name (ISO form) inside the root directory.
qsizetype rootRecordOffset(const QByteArray &image, const QByteArray &name)
{
    const qsizetype root = qFromLittleEndian<quint32>(image.constData() + 16 * Sector + 158);
    for (qsizetype at = root * Sector; image[at] != 0; at += quint8(image[at])) {
        if (image.sliced(at + 33, quint8(image[at + 32])) == name)
            return at;
    }
    return -1;
}

void setBothEndian(QByteArray &image, qsizetype at, quint32 value)
{
    qToLittleEndian(value, image.data() + at);
    qToBigEndian(value, image.data() + at + 4);
}

// The file identifier descriptor of a UDF name (8-bit form) and the root's own block, taken from
// the parent entry that starts the directory holding it.
struct UdfIdentifier
{
    qsizetype offset = -1;
    quint32 parentBlock = 0;
};

UdfIdentifier udfIdentifier(const QByteArray &image, const QByteArray &name)
{
    const qsizetype nameAt = image.indexOf('\x08' + name);
    for (qsizetype at = nameAt - 38; at >= 0 && at > nameAt - 38 - 64; --at) {
        if (qFromLittleEndian<quint16>(image.constData() + at) == 257 &&
            quint8(image[at + 19]) == name.size() + 1) {
            const qsizetype directory = at / Sector * Sector;
            return {at, qFromLittleEndian<quint32>(image.constData() + directory + 24)};
        }
    }
    return {};
}

} // namespace

class TestDiscImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void rowsAreTheRecordedOnesWithTheMountedNames_data();
    void rowsAreTheRecordedOnesWithTheMountedNames();
    void labelIsTheVolumeIdentifier_data();
    void labelIsTheVolumeIdentifier();
    void filesReadWholeAndFromAnyPosition_data();
    void filesReadWholeAndFromAnyPosition();
    void rawSectorCopyReadsAsThePlainImage_data();
    void rawSectorCopyReadsAsThePlainImage();
    void sameNamedFoldersListAsTheFirst();
    void damagedImageFailsWholeWithItsReason_data();
    void damagedImageFailsWholeWithItsReason();

private:
    QString image(const QString &name) const { return m_dir.filePath(name); }
    QString makeImage(const QString &name, const QStringList &options);

    QTemporaryDir m_dir;
    QByteArray m_large;
};

QString TestDiscImage::makeImage(const QString &name, const QStringList &options)
{
    QProcess genisoimage;
    genisoimage.start(u"genisoimage"_s, QStringList{u"-quiet"_s, u"-input-charset"_s, u"utf-8"_s} +
                                            options +
                                            QStringList{u"-o"_s, image(name), image(u"tree"_s)});
    if (!genisoimage.waitForFinished() || genisoimage.exitCode() != 0)
        qWarning() << genisoimage.readAllStandardError();
    return image(name);
}

// Names chosen so that the ISO, Joliet and UDF trees record them in different orders: "_" sorts
// after upper-case letters but before lower-case ones.
void TestDiscImage::initTestCase()
{
    if (QStandardPaths::findExecutable(u"genisoimage"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"isoinfo"_s).isEmpty())
        QSKIP("genisoimage and isoinfo are needed (scripts/setup.sh installs them)");
    QVERIFY(m_dir.isValid());
    const QDir tree(image(u"tree"_s));
    QVERIFY(tree.mkpath(u"Sub Dir/Tiefer"_s) && tree.mkpath(u"zeta"_s) && tree.mkpath(u"zetb"_s));
    for (qsizetype i = 0; i < 3 * Sector + 100; ++i)
        m_large += char('a' + i % 23);
    const QList<std::pair<QString, QByteArray>> files = {
        {u"readme.txt"_s, "Hallo\n"},
        {u"Beta.TXT"_s, "b"},
        {u"_x"_s, "x"},
        {u"Sub Dir/Lange Datei mit Ümlaut.txt"_s, "lang"},
        {u"Sub Dir/Tiefer/groß.bin"_s, m_large},
        {u"zeta/a"_s, "z"},
        {u"zetb/b"_s, "z"},
    };
    for (const auto &[path, bytes] : files)
        QVERIFY(writeAll(tree.filePath(path), bytes));
    makeImage(u"rrj.iso"_s, {u"-R"_s, u"-J"_s, u"-V"_s, u"Ümlaut Disc"_s});
    makeImage(u"joliet.iso"_s, {u"-J"_s, u"-V"_s, u"A Rather Long Volume Name 2024"_s});
    makeImage(u"plain.iso"_s, {u"-V"_s, u"PLAIN"_s});
    makeImage(u"udf.iso"_s, {u"-udf"_s, u"-V"_s, u"Hybrid Disc"_s});
}

void TestDiscImage::rowsAreTheRecordedOnesWithTheMountedNames_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Tree>("recorded");
    QTest::newRow("rock ridge over joliet")
        << u"rrj.iso"_s << isoinfoTree(image(u"rrj.iso"_s), u"-R"_s);
    QTest::newRow("joliet tree") << u"joliet.iso"_s << isoinfoTree(image(u"joliet.iso"_s), u"-J"_s);
    QTest::newRow("iso names") << u"plain.iso"_s << isoinfoTree(image(u"plain.iso"_s), QString());
    QTest::newRow("udf over iso") << u"udf.iso"_s << udfreadTree(image(u"udf.iso"_s));
}

void TestDiscImage::rowsAreTheRecordedOnesWithTheMountedNames()
{
    QFETCH(QString, file);
    QFETCH(Tree, recorded);
    QCOMPARE(recorded.size(), 5);
    const std::unique_ptr<DiscImage> disc = DiscImage::open(QFile::encodeName(image(file)));
    QCOMPARE(treeOf(*disc), recorded);

    const QList<ImageEntry> root = disc->readDirectory("/");
    const auto subDirectory = std::find_if(root.begin(), root.end(), [](const ImageEntry &entry) {
        return entry.name == "Sub Dir" || entry.name == "sub_dir";
    });
    QVERIFY(subDirectory != root.end() && subDirectory->isDirectory());
    const auto readme = std::find_if(root.begin(), root.end(), [](const ImageEntry &entry) {
        return entry.name == "readme.txt";
    });
    QVERIFY(readme != root.end());
    QCOMPARE(readme->size, quint64(6));
    QCOMPARE(readme->kind, ImageEntry::Kind::File);
    QVERIFY(qAbs(readme->modified.secsTo(QFileInfo(image(u"tree/readme.txt"_s)).lastModified())) <=
            2);
}

void TestDiscImage::labelIsTheVolumeIdentifier_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("label");
    QTest::newRow("rock ridge, joliet as long") << u"rrj.iso"_s << u"Ümlaut Disc"_s;
    QTest::newRow("primary longer than joliet's 16 characters")
        << u"joliet.iso"_s << u"A Rather Long Volume Name 2024"_s;
    QTest::newRow("plain") << u"plain.iso"_s << u"PLAIN"_s;
    QTest::newRow("udf") << u"udf.iso"_s << u"Hybrid Disc"_s;
}

void TestDiscImage::labelIsTheVolumeIdentifier()
{
    QFETCH(QString, file);
    QFETCH(QString, label);
    QCOMPARE(DiscImage::open(QFile::encodeName(image(file)))->label(), label);
}

void TestDiscImage::filesReadWholeAndFromAnyPosition_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("folder");
    QTest::newRow("iso 9660") << u"rrj.iso"_s << QByteArray("Sub Dir/Tiefer");
    QTest::newRow("udf") << u"udf.iso"_s << QByteArray("Sub Dir/Tiefer");
    QTest::newRow("iso names") << u"plain.iso"_s << QByteArray("sub_dir/tiefer");
}

void TestDiscImage::filesReadWholeAndFromAnyPosition()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, folder);
    const std::unique_ptr<DiscImage> disc = DiscImage::open(QFile::encodeName(image(file)));
    const QByteArray name = disc->readDirectory(folder).value(0).name;
    QCOMPARE(disc->readFile(folder + '/' + name, 1 << 20), m_large);
    QCOMPARE(disc->readFile(folder + '/' + name, 10), m_large.first(10));

    const std::unique_ptr<QIODevice> device = disc->openFile("/" + folder + '/' + name);
    QCOMPARE(device->size(), qint64(m_large.size()));
    QVERIFY(device->seek(Sector - 5));
    QCOMPARE(device->read(Sector + 10), m_large.sliced(Sector - 5, Sector + 10));
    QVERIFY(device->seek(m_large.size() - 3));
    QCOMPARE(device->readAll(), m_large.last(3));

    QVERIFY_THROWS_EXCEPTION(ImageError, disc->readFile(folder, 10));
    QVERIFY_THROWS_EXCEPTION(ImageError, disc->readDirectory(folder + '/' + name));
}

void TestDiscImage::rawSectorCopyReadsAsThePlainImage_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("mode");
    QTest::newRow("mode 1, rock ridge") << u"rrj.iso"_s << 1;
    QTest::newRow("mode 2 form 1, udf") << u"udf.iso"_s << 2;
}

void TestDiscImage::rawSectorCopyReadsAsThePlainImage()
{
    QFETCH(QString, file);
    QFETCH(int, mode);
    const QString raw = image(file + u".bin"_s);
    QVERIFY(writeAll(raw, rawCopy(readAll(image(file)), mode)));
    const std::unique_ptr<DiscImage> plain = DiscImage::open(QFile::encodeName(image(file)));
    const std::unique_ptr<DiscImage> copy = DiscImage::open(QFile::encodeName(raw));
    QCOMPARE(copy->label(), plain->label());
    QCOMPARE(treeOf(*copy), treeOf(*plain));
    QCOMPARE(copy->readFile("Sub Dir/Tiefer/groß.bin", 1 << 20), m_large);
}

// Of two folders of one name, a path reaches the first only: a walk lists that one for both, as a
// scan of the mounted disc would.
void TestDiscImage::sameNamedFoldersListAsTheFirst()
{
    QByteArray udf = readAll(image(u"udf.iso"_s));
    const qsizetype second = udf.indexOf("\x08zetb");
    QVERIFY(second > 0);
    udf[second + 4] = 'a';
    const QString path = image(u"twins.iso"_s);
    QVERIFY(writeAll(path, udf));
    const std::unique_ptr<DiscImage> disc = DiscImage::open(QFile::encodeName(path));
    QList<QByteArrayList> zetaListings;
    for (const DiscImage::WalkedDirectory &directory : disc->walk()) {
        QVERIFY(!directory.path.startsWith("zetb"));
        if (directory.path != "zeta")
            continue;
        QByteArrayList names;
        for (qsizetype index = 0; index < directory.entries.size(); ++index)
            names.append(directory.entries.name(index).toByteArray());
        zetaListings.append(names);
    }
    QCOMPARE(zetaListings, QList<QByteArrayList>(2, {"a"}));
    QCOMPARE(disc->readDirectory("zeta").size(), 1);
    QCOMPARE(disc->readDirectory("zeta").constFirst().name, QByteArray("a"));
}

void TestDiscImage::damagedImageFailsWholeWithItsReason_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<QString>("message");
    const QByteArray iso = readAll(image(u"rrj.iso"_s));
    const QByteArray udf = readAll(image(u"udf.iso"_s));
    QVERIFY(!iso.isEmpty() && !udf.isEmpty());
    const QString damaged = u"Die Abbilddatei ist beschädigt: "_s;
    const QString pastEnd = damaged + u"ein Verweis zeigt hinter ihr Ende"_s;
    const QString loop = damaged + u"ein Ordner kommt mehrfach im Ordnerbaum vor (Schleife)"_s;
    const QString slash = damaged + u"ein Name enthält \"/\" oder ein Nullzeichen"_s;

    // Cut behind the root directory, before the files' data.
    const qsizetype root = qFromLittleEndian<quint32>(iso.constData() + 16 * Sector + 158);
    QTest::newRow("truncated") << u"iso"_s << iso.first((root + 1) * Sector) << pastEnd;

    QByteArray pastTheEnd = iso;
    setBothEndian(pastTheEnd, rootRecordOffset(iso, "BETA.TXT;1") + 2, 0x00ffffff);
    QTest::newRow("record past the end") << u"iso"_s << pastTheEnd << pastEnd;

    QByteArray looping = iso;
    setBothEndian(looping, rootRecordOffset(iso, "ZETA") + 2, quint32(root));
    QTest::newRow("folder holding the root") << u"iso"_s << looping << loop;

    QByteArray slashed = iso;
    slashed.replace(slashed.indexOf("Beta.TXT"), 8, "Be/a.TXT");
    QTest::newRow("rock ridge name with slash") << u"iso"_s << slashed << slash;

    QByteArray nul = iso;
    nul.replace(nul.indexOf("Beta.TXT"), 8, QByteArray("Be\0a.TXT", 8));
    QTest::newRow("rock ridge name with nul") << u"iso"_s << nul << slash;

    const UdfIdentifier zeta = udfIdentifier(udf, "zeta");
    QVERIFY(zeta.offset > 0);
    QByteArray udfLooping = udf;
    qToLittleEndian(zeta.parentBlock, udfLooping.data() + zeta.offset + 24);
    QTest::newRow("udf folder holding the root") << u"udf"_s << udfLooping << loop;

    QByteArray udfSlashed = udf;
    udfSlashed.replace(udf.indexOf("\x08zeta"), 5, "\x08ze/a");
    QTest::newRow("udf name with slash") << u"udf"_s << udfSlashed << slash;
}

// Every walk of a damaged image ends in the same error; none hands out a partial tree.
void TestDiscImage::damagedImageFailsWholeWithItsReason()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, damaged);
    QFETCH(QString, message);
    const QString path = image(u"damaged."_s + file);
    QVERIFY(writeAll(path, damaged));
    try {
        const std::unique_ptr<DiscImage> disc = DiscImage::open(QFile::encodeName(path));
        treeOf(*disc);
        QFAIL("the damaged image was read");
    } catch (const ImageError &error) {
        QCOMPARE(error.message(), message);
    }
}

QTEST_GUILESS_MAIN(TestDiscImage)
#include "tst_discimage.moc"
