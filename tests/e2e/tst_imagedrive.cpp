// A disc image given to tralbo-cli is read as the disc it holds: the sample disc's image gives the
// same rows, stored records and folder tree as the same image mounted (or, where nothing can be
// mounted, as its files in a folder), and a damaged image is refused whole.

#include "DiscMount.h"
#include "RunTool.h"
#include "SampleDisc.h"
#include "support/CatalogueRows.h"

#include "catalogue/CatalogueSchema.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList ScanOptions{u"--exe"_s, u"--com"_s,          u"--zip"_s,          u"--filter1"_s,
                              u"tgz"_s,   u"--descriptions"_s, u"--zip-contents"_s, u"--json"_s};

QString run(const QString &program, const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return program + u" failed: "_s + QString::fromLocal8Bit(process.readAllStandardError());
    return {};
}

QByteArray fileBytes(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The JSON rows, one a line, sorted when the order cannot be compared.
QStringList rowLines(const QByteArray &json, bool sorted)
{
    QStringList lines = QString::fromUtf8(json).split(u'\n', Qt::SkipEmptyParts);
    for (QString &line : lines) {
        if (line.endsWith(u','))
            line.chop(1);
    }
    if (sorted)
        lines.sort();
    return lines;
}

} // namespace

class TestImageDrive : public QObject
{
    Q_OBJECT

public:
    explicit TestImageDrive(bool realMount) : m_realMount(realMount) {}

private Q_SLOTS:
    void initTestCase();
    void isoImageScansAsTheMountedDisc();
    void isoImageImportsAsTheMountedDisc();
    void udfImageScansAsTheMountedDisc();
    void damagedImageIsRefusedWhole_data();
    void damagedImageIsRefusedWhole();

private:
    QString path(const QString &relative) const { return m_folder.filePath(relative); }
    QString makeImage(const QStringList &options, const QString &name);
    Outcome import(const QString &operand, const QString &catalogueFolder);

    const bool m_realMount;
    bool m_mounted = false;
    QTemporaryDir m_folder;
    DiscMount m_mount;
    // What the image is compared with: the mounted image, or else its files in a folder.
    QString m_disc;
    QString m_iso;
};

QString TestImageDrive::makeImage(const QStringList &options, const QString &name)
{
    const QString image = path(name);
    const QString error =
        run(u"genisoimage"_s,
            options + QStringList{u"-quiet"_s, u"-input-charset"_s, u"utf-8"_s, u"-V"_s,
                                  SampleDisc::Label, u"-o"_s, image, path(u"files"_s)},
            path(QString()));
    return error.isEmpty() ? image : error;
}

void TestImageDrive::initTestCase()
{
    QVERIFY(m_folder.isValid());
    const QString files = path(u"files"_s);
    QCOMPARE(SampleDisc::writeFiles(files), QString());
    // A tar archive beside the ZIPs, whose members are listed from inside the image as well.
    QCOMPARE(run(u"bsdtar"_s, {u"-czf"_s, u"TOOLS/QUELLEN.TGZ"_s, u"INSTALL.BAT"_s}, files),
             QString());
    m_iso = makeImage({u"-R"_s, u"-J"_s}, u"disc.iso"_s);
    QVERIFY2(QFile::exists(m_iso), qPrintable(m_iso));
    // Named after the label, so that both drives show the same caption.
    m_disc = path(SampleDisc::Label);
    QVERIFY(QDir().mkpath(m_disc));
    const QString error = m_realMount ? m_mount.mount(m_iso, m_disc) : u"no FUSE here"_s;
    m_mounted = error.isEmpty();
    if (m_mounted)
        return;
    qInfo("The image cannot be mounted (%s): it is compared with its files in a folder, whose "
          "order is the file system's, so rows are compared sorted.",
          qPrintable(error));
    m_disc = path(u"folder/"_s + SampleDisc::Label);
    QVERIFY(QDir().mkpath(m_disc));
    QCOMPARE(run(u"cp"_s, {u"-a"_s, files + u"/."_s, m_disc}, path(QString())), QString());
}

void TestImageDrive::isoImageScansAsTheMountedDisc()
{
    const Outcome mounted = runTool(QStringList{u"scan"_s, m_disc} + ScanOptions);
    const Outcome image = runTool(QStringList{u"scan"_s, m_iso} + ScanOptions);
    QCOMPARE(mounted.err, QString());
    QCOMPARE(image.err, QString());
    QCOMPARE(image.exitCode, 0);
    const QStringList rows = rowLines(image.out, !m_mounted);
    QVERIFY2(rows.join(u'\n').contains(u"\"INHALT\":\"INSTALL.BAT 0000011 Byte \\r\\n\""_s),
             image.out.constData());
    QVERIFY(rows.join(u'\n').contains(u"Text mit Ümläuten\\\\SCHREIB.EXE"_s));
    QCOMPARE(rows, rowLines(mounted.out, !m_mounted));
}

Outcome TestImageDrive::import(const QString &operand, const QString &catalogueFolder)
{
    QDir().mkpath(catalogueFolder);
    createEmptyCatalogue(catalogueFolder + u"/CD.db"_s);
    QStringList arguments{u"import"_s,
                          operand,
                          u"--name"_s,
                          u"SHAREWARE"_s,
                          u"--tree"_s,
                          u"--catalogue"_s,
                          catalogueFolder + u"/CD.db"_s};
    arguments += ScanOptions;
    arguments.removeAll(u"--json"_s);
    return runTool(arguments);
}

void TestImageDrive::isoImageImportsAsTheMountedDisc()
{
    const QString fromDisc = path(u"catalogue-disc"_s);
    const QString fromImage = path(u"catalogue-image"_s);
    const Outcome disc = import(m_disc, fromDisc);
    const Outcome image = import(m_iso, fromImage);
    QCOMPARE(disc.err, QString());
    QCOMPARE(image.err, QString());
    QCOMPARE(image.exitCode, 0);
    QStringList imageRows = catalogueRowTexts(fromImage + u"/CD.db"_s);
    QStringList discRows = catalogueRowTexts(fromDisc + u"/CD.db"_s);
    QCOMPARE(imageRows.size(), 7);
    if (!m_mounted) {
        imageRows.sort();
        discRows.sort();
    }
    QCOMPARE(imageRows, discRows);
    const QByteArray tree = fileBytes(fromImage + u"/SHAREWARE.vfs"_s);
    QVERIFY2(tree.contains("\t\tText mit"), tree.constData());
    QCOMPARE(tree, fileBytes(fromDisc + u"/SHAREWARE.vfs"_s));
}

// genisoimage's UDF tree sits beside the ISO 9660 one; such an image is read as UDF, as Linux
// mounts it, and its files and order are those of the disc.
void TestImageDrive::udfImageScansAsTheMountedDisc()
{
    const QString udf = makeImage({u"-udf"_s, u"-R"_s, u"-J"_s}, u"disc-udf.iso"_s);
    QVERIFY2(QFile::exists(udf), qPrintable(udf));
    const Outcome mounted = runTool(QStringList{u"scan"_s, m_disc} + ScanOptions);
    const Outcome image = runTool(QStringList{u"scan"_s, udf} + ScanOptions);
    QCOMPARE(image.err, QString());
    QCOMPARE(rowLines(image.out, !m_mounted), rowLines(mounted.out, !m_mounted));
}

void TestImageDrive::damagedImageIsRefusedWhole_data()
{
    QTest::addColumn<QStringList>("options");
    // A name replaced by a damaged one; when none is given, the image is cut short.
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("damagedName");
    QTest::newRow("iso 9660 cut short")
        << QStringList{u"-R"_s, u"-J"_s} << QByteArray() << QByteArray();
    QTest::newRow("udf cut short")
        << QStringList{u"-udf"_s, u"-R"_s, u"-J"_s} << QByteArray() << QByteArray();
    // Found by the walk only after the folders above it have been listed.
    QTest::newRow("udf name deep in the tree")
        << QStringList{u"-udf"_s, u"-R"_s, u"-J"_s} << QByteArray("\x08TETRIS.COM")
        << QByteArray("\x08TETR/S.COM");
}

void TestImageDrive::damagedImageIsRefusedWhole()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, damagedName);
    QByteArray bytes = fileBytes(makeImage(options, u"whole.iso"_s));
    if (name.isEmpty()) {
        // Cut off inside a file's contents, before the padding that follows them.
        const qsizetype contents = bytes.indexOf("Shareware-Sammlung 1996");
        QVERIFY(contents > 0);
        bytes.truncate(contents);
    } else {
        QCOMPARE(bytes.count(name), 1);
        bytes.replace(name, damagedName);
    }
    const QString damaged = path(u"damaged.iso"_s);
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    const QString catalogue =
        path(u"catalogue-damaged-"_s + QString::fromUtf8(QTest::currentDataTag()));
    const Outcome outcome = import(damaged, catalogue);
    QVERIFY2(outcome.exitCode == 1, outcome.out.constData());
    QVERIFY2(outcome.err.startsWith(u"tralbo-cli: The image file is damaged: "_s),
             qPrintable(outcome.err));
    QCOMPARE(catalogueRowTexts(catalogue + u"/CD.db"_s), QStringList());
    const Outcome scan = runTool(QStringList{u"scan"_s, damaged} + ScanOptions);
    QCOMPARE(scan.exitCode, 1);
    QCOMPARE(scan.out, QByteArray());
}

int main(int argc, char *argv[])
{
    // Before any thread exists: a namespace cannot be entered by a threaded process.
    const bool realMount = enterPrivateMountNamespace() && canMountImagesInUserSpace();
    QCoreApplication application(argc, argv);
    TestImageDrive test(realMount);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_imagedrive.moc"
