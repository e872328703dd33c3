// Renders the three pages of the main window for the README after the sample disc has been
// scanned, imported with its virtual drive and browsed, then the naming dialog, the warning box and
// the error report. Run by scripts/screenshots.sh in a real X server, so the pictures come from the
// X server's window contents.
// Usage: tralbo_screenshots OUTPUT_FOLDER [NAME_SUFFIX]

#include "DiscMount.h"
#include "ModalBoxes.h"
#include "SampleDisc.h"
#include "SampleSystem.h"

#include "app/QtDialogService.h"
#include "app/Unit1.h"
#include "catalogue/ApplicationDirectory.h"
#include "devices/DriveComboBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

void check(const QString &error)
{
    if (!error.isEmpty())
        qFatal("%s", qPrintable(error));
}

template <typename T> T *control(const QWidget &form, const QString &name)
{
    T *found = form.findChild<T *>(name);
    if (!found)
        qFatal("control %s missing", qPrintable(name));
    return found;
}

void selectItem(QListWidget *list, const QString &text)
{
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        qFatal("no item %s", qPrintable(text));
    list->clearSelection();
    found.first()->setSelected(true);
}

// What the X server shows of the window, frame excluded; other platforms render the widget.
QPixmap picture(QWidget &form)
{
    QTest::qWait(300);
    if (QGuiApplication::platformName() == u"xcb"_s)
        return form.screen()->grabWindow(form.winId());
    return form.grab();
}

void save(const QPixmap &picture, const QString &file)
{
    if (picture.isNull() || !picture.save(file))
        qFatal("cannot save %s", qPrintable(file));
}

// Opens a modal box through the dialog service, takes its picture and closes it.
QPixmap pictureOfModal(const std::function<void()> &open)
{
    QPixmap taken;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&poll, &taken] {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!modal)
            return;
        poll.stop();
        taken = picture(*modal);
        modal->reject();
    });
    poll.start(50);
    open();
    return taken;
}

// The message the program gives when its data folder cannot be made: a file stands in its way.
QString dataFolderProblem()
{
    QTemporaryDir folder;
    QFile blocker(folder.filePath(u"data"_s));
    if (!folder.isValid() || !blocker.open(QIODevice::WriteOnly))
        qFatal("cannot prepare the data folder's obstacle");
    return prepareApplicationDirectory(folder.filePath(u"bin"_s),
                                       folder.filePath(u"data/Olvane/Tralbo"_s))
        .problem;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool realMount = enterPrivateMountNamespace() && canMountImagesInUserSpace();
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3)
        qFatal("usage: tralbo_screenshots OUTPUT_FOLDER [NAME_SUFFIX]");
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString suffix = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    const auto file = [&output, &suffix](const QString &name) {
        return output + u'/' + name + suffix + u".png"_s;
    };
    QDir().mkpath(output);

    SampleSystem system(realMount);
    check(system.prepare());
    check(system.insertDisc());
    QtDialogService dialogs;
    TForm1 form(system.environment(dialogs));
    dialogs.setParentWindow(&form);
    dialogs.setNamingDialog(new TForm2(&form));
    std::optional<ModalBoxes> boxes(std::in_place);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        qFatal("the window is not shown");

    auto *driveBox = control<DriveComboBox>(form, u"DriveComboBox1"_s);
    const int disc =
        driveBox->findText(u"[%1]"_s.arg(SampleDisc::Label.toLower()), Qt::MatchEndsWith);
    if (disc < 0)
        qFatal("the disc is not in the drive box");
    driveBox->setDrive(driveBox->itemText(disc).at(0));
    for (const QString &name : {u"cb1"_s, u"cb2"_s, u"cb3"_s, u"cb5"_s, u"cb7"_s, u"cb20"_s})
        control<QCheckBox>(form, name)->setChecked(true);
    form.jep1Click();
    boxes->acceptNamingDialog();
    form.db1Click();
    if (!boxes->seen().isEmpty())
        qFatal("unexpected box: %s", qPrintable(boxes->seen().join(u"; "_s)));
    boxes.reset();
    auto *selection = control<QListView>(form, u"ListBox2"_s);
    selection->setCurrentIndex(selection->model()->index(1, 0));
    form.ListBox2Click();

    const QString discName = SampleDisc::Label.toUpper();
    auto *pages = control<QTabWidget>(form, u"PageControl1"_s);
    const QStringList names{u"cd-import"_s, u"datenansicht"_s, u"virtual-drive"_s};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        if (page == 1) {
            selectItem(control<QListWidget>(form, u"TL1"_s), discName);
            control<QTableView>(form, u"RxDBGrid1"_s)->selectRow(1);
        } else if (page == 2) {
            selectItem(control<QListWidget>(form, u"TL2"_s), discName);
            control<QTreeWidget>(form, u"TreeView1"_s)->expandToDepth(1);
        }
        save(picture(form), file(names[page]));
    }

    TForm2 naming(&form);
    naming.edit()->setText(discName);
    naming.show();
    if (!QTest::qWaitForWindowExposed(&naming))
        qFatal("the naming dialog is not shown");
    save(picture(naming), file(u"naming-dialog"_s));
    naming.hide();
    save(pictureOfModal([&dialogs] {
             dialogs.warning(
                 u"Datenbank \"CD.DB\" nicht gefunden, oder die BDE ist nicht installiert"_s);
         }),
         file(u"warning"_s));
    save(pictureOfModal([&dialogs] { dialogs.errorReport(dataFolderProblem()); }),
         file(u"error-report"_s));
    return 0;
}
