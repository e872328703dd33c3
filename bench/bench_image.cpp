#include "BenchReport.h"
#include "TreeGenerator.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// Lines other than the root's own ".".
qsizetype listedEntries(const QByteArray &listing)
{
    return listing.count('\n') - (listing.startsWith(".\n") ? 1 : 0);
}

qsizetype entriesBelow(const QString &tree)
{
    qsizetype count = 0;
    QDirIterator entries(tree, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDirIterator::Subdirectories);
    for (; entries.hasNext(); entries.next())
        ++count;
    return count;
}

QStringList scanArguments(const QString &target)
{
    return {u"scan"_s, target, u"--exe"_s, u"--com"_s, u"--bat"_s, u"--zip"_s, u"--pas"_s};
}

struct ImageKind
{
    QString suffix;
    QStringList options;
    // Lists every entry of the image, one a line.
    QString lister;
    QStringList listerOptions;
};

// The image of the tree, made once by genisoimage and reused while its marker is there. An image
// missing an entry of the tree, or whose scan keeps other files than the tree's, is refused.
QString imageOf(const QString &tree, const ImageKind &kind)
{
    const QString image = tree + kind.suffix;
    const QString marker = image + u".complete"_s;
    if (QFile::exists(marker) && QFile::exists(image))
        return image;
    QFile::remove(marker);
    runProgram(u"genisoimage"_s, kind.options + QStringList{u"-quiet"_s, u"-o"_s, image, tree});
    const qsizetype listed =
        listedEntries(programOutput(kind.lister, kind.listerOptions + QStringList{image}));
    if (listed != entriesBelow(tree))
        qFatal("%s holds %lld entries instead of the tree's %lld", qPrintable(image),
               qint64(listed), qint64(entriesBelow(tree)));
    const auto keptFiles = [](const QString &target) {
        return programOutput(QStringLiteral(TRALBO_CLI), scanArguments(target)).count('\n');
    };
    if (keptFiles(image) != keptFiles(tree))
        qFatal("a scan of %s keeps other files than one of the tree", qPrintable(image));
    if (QFile done(marker); !done.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(marker));
    return image;
}

// A scan of the image keeping every file the five extension boxes keep, against the reference
// listing all entries of the same image; both write to nowhere.
void benchImageScan(const QString &id, const QString &image, const QString &referenceName,
                    const ImageKind &kind)
{
    const Comparison times = compareWithProgram(
        3, [&] { runProgram(QStringLiteral(TRALBO_CLI), scanArguments(image)); }, kind.lister,
        kind.listerOptions + QStringList{image});
    printBench(id, times.seconds, u"s"_s, {Goal::ratioAtMost(1.2)}, referenceName,
               times.referenceSeconds);
}

} // namespace

// tralbo-cli scanning disc images of the generated tree, against bsdtar listing the ISO image and,
// since mounting needs a kernel with UDF, libudfread's walk of the UDF image.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    const bool wantsIso = arguments.wants(u"iso_scan_200k");
    const bool wantsUdf = arguments.wants(u"udf_scan_200k");
    if (!wantsIso && !wantsUdf)
        return 0;
    const QString tree = generateTree(arguments.dataFolder(), TreeShape());
    if (wantsIso) {
        const ImageKind iso{u".iso"_s, {u"-R"_s, u"-J"_s}, u"bsdtar"_s, {u"-tf"_s}};
        benchImageScan(u"iso_scan_200k"_s, imageOf(tree, iso), u"bsdtar"_s, iso);
    }
    if (wantsUdf) {
        // A hybrid image, which the reader takes for UDF as Linux does.
        const ImageKind udf{
            u"-udf.iso"_s, {u"-udf"_s, u"-R"_s, u"-J"_s}, QStringLiteral(UDF_WALK), {}};
        benchImageScan(u"udf_scan_200k"_s, imageOf(tree, udf), u"libudfread"_s, udf);
    }
    return 0;
}
