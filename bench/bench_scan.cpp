#include "app/Environment.h"
#include "app/Unit1.h"
#include "BenchReport.h"
#include "catalogue/CatalogueSchema.h"
#include "devices/DriveComboBox.h"
#include "FailingDialogService.h"
#include "FolderDriveTable.h"
#include "IsolatedDesktop.h"
#include "TreeGenerator.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QListView>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Peak resident memory since the last reset, in bytes.
qint64 peakResidentBytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return 0;
}

void resetPeakResident()
{
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace

// The whole "Scan Drive" handler over the generated 200,000-file disc with all seven extension
// tests on, first without and then with descriptions and ZIP listings, against find(1) on the
// same tree; then without them over a million files with present-day names.
int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    if (!arguments.wants(u"scan_200k") && !arguments.wants(u"scan_desc_200k") &&
        !arguments.wants(u"scan_1m_window"))
        return 0;

    const TreeShape shape;
    const QString tree = generateTree(arguments.dataFolder(), shape);
    FolderDriveTable drives(u'd', tree);
    FailingDialogService dialogs;
    Environment environment;
    environment.drives = &drives;
    environment.dialogs = &dialogs;

    // Settings, the desktop's autorun switch and the program's folder stay in a throw-away place.
    // The window warns at its first showing when its folder holds no catalogue, so it gets an
    // empty one.
    IsolatedDesktop isolated;
    createEmptyCatalogue(isolated.filePath(u"CD.db"_s));
    environment.catalogue = CataloguePlace::inFolder(isolated.path() + u'/');
    isolated.serve(environment);

    TForm1 form(environment);
    form.show();
    form.findChild<DriveComboBox *>(u"DriveComboBox1"_s)->setDrive(u'd');
    for (const QString &name :
         {u"cb1"_s, u"cb2"_s, u"cb3"_s, u"cb4"_s, u"cb8"_s, u"cb9"_s, u"cb10"_s})
        form.findChild<QCheckBox *>(name)->setChecked(true);

    const auto scan = [&] {
        form.jep1Click();
        if (form.findChild<QListView *>(u"ListBox2"_s)->model()->rowCount() == 0)
            qFatal("the scan kept no files");
    };
    QStringList findArguments{tree, u"-type"_s, u"f"_s};

    if (arguments.wants(u"scan_200k")) {
        resetPeakResident();
        const Comparison times = compareWithProgram(3, scan, u"find"_s, findArguments);
        const qint64 peak = peakResidentBytes();
        printBench(u"scan_200k"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(1.5)}, u"find"_s,
                   times.referenceSeconds);
        if (arguments.wants(u"scan_200k_rss"))
            printBench(u"scan_200k_rss"_s, double(peak) / (1024 * 1024), u"MB"_s,
                       {Goal::valueBelow(150)});
    }

    if (arguments.wants(u"scan_desc_200k")) {
        for (const QString &name : {u"cb5"_s, u"cb7"_s})
            form.findChild<QCheckBox *>(name)->setChecked(true);
        const Comparison times = compareWithProgram(3, scan, u"find"_s, findArguments);
        printBench(u"scan_desc_200k"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(2.5)}, u"find"_s,
                   times.referenceSeconds);
        // find(1) alone reads no file, while this scan reads every description and archive
        // beside a kept file: the fairer reference lists the tree and reads those files too.
        const Comparison reading = compareWithProgram(
            3, scan, u"sh"_s,
            {u"-c"_s,
             u"find \"$1\" -type f > /dev/null && find \"$1\" -type f \\( -name FILE_ID.DIZ "
             "-o -name README.TXT -o -name '*.ZIP' \\) -exec cat {} + > /dev/null"_s,
             u"sh"_s, tree});
        printBench(u"scan_desc_200k_read"_s, reading.seconds, u"s"_s, {Goal::ratioAtMost(1.0)},
                   u"find+cat"_s, reading.referenceSeconds);
        for (const QString &name : {u"cb5"_s, u"cb7"_s})
            form.findChild<QCheckBox *>(name)->setChecked(false);
    }

    // Last, so that the smaller scans' memory, handed back or not, is below this peak.
    if (arguments.wants(u"scan_1m_window")) {
        const QString million = generateTree(arguments.dataFolder(), millionFileShape());
        drives.setFolder(million);
        findArguments.first() = million;
        resetPeakResident();
        const Comparison times = compareWithProgram(3, scan, u"find"_s, findArguments);
        const qint64 peak = peakResidentBytes();
        printBench(u"scan_1m_window"_s, times.seconds, u"s"_s, {Goal::ratioAtMost(1.2)}, u"find"_s,
                   times.referenceSeconds);
        if (arguments.wants(u"scan_1m_window_rss"))
            printBench(u"scan_1m_window_rss"_s, double(peak) / (1024 * 1024), u"MB"_s,
                       {{Goal::Of::Value, Goal::Bound::AtMost, 150}});
    }
    return 0;
}
