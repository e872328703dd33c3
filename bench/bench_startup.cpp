#include "app/Environment.h"
#include "app/Unit1.h"
#include "BenchReport.h"
#include "FailingDialogService.h"
#include "FolderDriveTable.h"
#include "IsolatedDesktop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTableView>

using namespace Qt::StringLiterals;

// Start-up with a catalogue of a million records: from creating the main window until it has
// opened the catalogue, loaded its lists and drawn itself.
int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    if (!arguments.wants(u"startup_1m"))
        return 0;

    // The catalogue benchmark generates the large catalogue; it is reused when present.
    const QString folder = arguments.dataFolder() + u"/catalogue_1m/"_s;
    if (!QFile::exists(folder + u"CD.db"_s)) {
        const QString generator = QCoreApplication::applicationDirPath() + u"/bench_catalogue"_s;
        if (QProcess::execute(generator, {u"--data"_s, arguments.dataFolder(), u"rebuild_1m"_s}) !=
            0)
            qFatal("cannot generate the catalogue");
    }

    IsolatedDesktop isolated;
    FolderDriveTable drives(u'd', isolated.path());
    FailingDialogService dialogs;
    Environment environment;
    environment.catalogue = CataloguePlace::inFolder(folder);
    environment.drives = &drives;
    environment.dialogs = &dialogs;
    isolated.serve(environment);

    const double seconds = bestSeconds(3, [&] {
        TForm1 form(environment);
        form.show();
        QCoreApplication::processEvents();
        if (form.findChild<QTableView *>(u"RxDBGrid1"_s)->model()->rowCount() == 0)
            qFatal("the catalogue shows no rows");
    });
    printBench(u"startup_1m"_s, seconds * 1000, u"ms"_s, {Goal::valueBelow(500)});
    return 0;
}
