// The whole program as a user meets it: a disc image appears as a drive, is scanned, imported
// with its virtual drive, browsed, searched and looked at without the disc, and everything is
// still there after a restart.

#include "DiscMount.h"
#include "ModalBoxes.h"
#include "SampleDisc.h"
#include "SampleSystem.h"

#include "app/QtDialogService.h"
#include "app/Unit1.h"
#include "catalogue/Unit2.h"
#include "devices/DriveComboBox.h"
#include "support/CatalogueRows.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString DiscName = SampleDisc::Label.toUpper();

// The kept files, relative to the disc's root, for the options the test sets: programs, ZIPs,
// batch files through filter 1 and files without an extension through an empty filter 2.
const QStringList KeptFiles{
    u"SETUP.EXE"_s,
    u"INSTALL.BAT"_s,
    u"LIESMICH"_s,
    u"GAMES\\DOOM\\DOOM.EXE"_s,
    u"GAMES\\TETRIS\\TETRIS.COM"_s,
    u"TOOLS\\ARJ250.ZIP"_s,
    u"TOOLS\\STREAM.ZIP"_s,
    u"Büro Programme\\Text mit Ümläuten\\SCHREIB.EXE"_s,
    u"Büro Programme\\Übersicht"_s,
};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList itemTexts(const QAbstractItemView *view, int column = 0)
{
    QStringList texts;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        texts.append(view->model()->index(row, column).data().toString());
    return texts;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

public:
    explicit TestEndToEnd(bool realMount) : m_system(realMount) {}

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void insertedDiscAppearsInTheDriveBox();
    void scanKeepsTheChosenFiles();
    void clickedEntriesShowTheirTexts();
    void importUsesTheProposedName();
    void catalogueIsFilteredSearchedAndRebuilt();
    void virtualDriveShowsTheDiscWithoutIt();
    void everythingSurvivesARestart();

private:
    void startProgram();
    QString disc(const QString &relative) const { return QString(m_letter) + u":\\"_s + relative; }
    template <typename T> T *control(const QString &name) const
    {
        T *found = m_form->findChild<T *>(name);
        if (!found)
            qFatal("control %s missing", qPrintable(name));
        return found;
    }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void clickRow(QAbstractItemView *view, int row);
    void clickPage(int index);
    void clickListItem(const QString &listName, const QString &text);
    void chooseDrive(QChar letter);

    SampleSystem m_system;
    QtDialogService m_dialogs;
    std::unique_ptr<ModalBoxes> m_boxes;
    std::unique_ptr<TForm1> m_form;
    QChar m_letter;
};

void TestEndToEnd::initTestCase()
{
    QCOMPARE(m_system.prepare(), QString());
    m_boxes = std::make_unique<ModalBoxes>();
    startProgram();
    if (!m_system.realMount()) {
        qInfo("No private mount namespace with FUSE here: a fake drive table shows the image's "
              "files.");
        return;
    }
    // Inserted while the program runs, so that it learns of the disc from the mount table.
    const QString error = m_system.insertDisc();
    if (!error.isEmpty())
        QFAIL(qPrintable(u"the image cannot be mounted: "_s + error));
    qInfo("The image is mounted with fuseiso in a private mount namespace.");
}

void TestEndToEnd::cleanupTestCase()
{
    m_form.reset();
}

void TestEndToEnd::startProgram()
{
    m_form = std::make_unique<TForm1>(m_system.environment(m_dialogs));
    m_dialogs.setParentWindow(m_form.get());
    m_dialogs.setNamingDialog(new TForm2(m_form.get()));
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestEndToEnd::clickRow(QAbstractItemView *view, int row)
{
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

void TestEndToEnd::clickPage(int index)
{
    QTabBar *tabs = control<QTabWidget>(u"PageControl1"_s)->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    QCOMPARE(control<QTabWidget>(u"PageControl1"_s)->currentIndex(), index);
}

void TestEndToEnd::clickListItem(const QString &listName, const QString &text)
{
    auto *list = control<QListWidget>(listName);
    const QStringList texts = itemTexts(list);
    QVERIFY2(texts.contains(text), qPrintable(texts.join(u", "_s)));
    clickRow(list, int(texts.indexOf(text)));
}

// As with the keyboard: arrow keys walk the closed box until the drive shows.
void TestEndToEnd::chooseDrive(QChar letter)
{
    auto *box = control<DriveComboBox>(u"DriveComboBox1"_s);
    box->setFocus();
    const Qt::Key direction = box->drive() < letter ? Qt::Key_Down : Qt::Key_Up;
    for (int step = 0; step < box->count() && box->drive() != letter; ++step)
        QTest::keyClick(box, direction);
    QCOMPARE(box->drive(), letter);
}

void TestEndToEnd::insertedDiscAppearsInTheDriveBox()
{
    auto *box = control<DriveComboBox>(u"DriveComboBox1"_s);
    const QString label = u"[%1]"_s.arg(SampleDisc::Label.toLower());
    QTRY_VERIFY_WITH_TIMEOUT(box->findText(label, Qt::MatchEndsWith) >= 0, 5000);
    const QString caption = box->itemText(box->findText(label, Qt::MatchEndsWith));
    m_letter = caption.at(0);
    QCOMPARE(caption, QString(m_letter) + u": "_s + label);
    // The arrival leaves the user's choice alone.
    QCOMPARE(box->drive(), u'c');
    QCOMPARE(m_boxes->seen(), QStringList());
}

void TestEndToEnd::scanKeepsTheChosenFiles()
{
    chooseDrive(m_letter);
    QCOMPARE(control<QLineEdit>(u"Edit2"_s)->text(), QString(m_letter) + u":\\"_s);
    // Checking the ZIP search checks "*.ZIP" as well.
    for (const QString &name : {u"cb1"_s, u"cb2"_s, u"cb7"_s, u"cb5"_s, u"cb9"_s, u"cb10"_s})
        click(control<QCheckBox>(name));
    QVERIFY(control<QCheckBox>(u"cb4"_s)->isChecked());
    auto *filter1 = control<QLineEdit>(u"Edit1"_s);
    auto *filter2 = control<QLineEdit>(u"Edit3"_s);
    filter1->selectAll();
    QTest::keyClicks(filter1, u".bat"_s);
    filter2->selectAll();
    QTest::keyClick(filter2, Qt::Key_Backspace);
    QCOMPARE(filter2->text(), QString());
    click(control<QCheckBox>(u"cb20"_s));

    click(control<QPushButton>(u"jep1"_s));
    QVERIFY(control<QPushButton>(u"db1"_s)->isEnabled());
    QCOMPARE(control<QLabel>(u"Label1"_s)->text(), u" "_s);
    QCOMPARE(m_boxes->seen(), QStringList());

    const QStringList selection = itemTexts(control<QListView>(u"ListBox2"_s));
    QStringList expected;
    for (const QString &file : KeptFiles)
        expected.append(disc(file));
    QCOMPARE(sorted(selection), sorted(expected));
    // Breadth-first, walked backwards: deeper folders first, the root's files last.
    for (int i = 1; i < selection.size(); ++i)
        QVERIFY2(selection[i - 1].count(u'\\') >= selection[i].count(u'\\'),
                 qPrintable(selection.join(u", "_s)));
}

void TestEndToEnd::clickedEntriesShowTheirTexts()
{
    auto *selection = control<QListView>(u"ListBox2"_s);
    auto *description = control<QPlainTextEdit>(u"Memo1"_s);
    auto *members = control<QPlainTextEdit>(u"Memo3"_s);
    const QStringList entries = itemTexts(selection);
    const auto clickEntry = [&](const QString &file) {
        clickRow(selection, int(entries.indexOf(disc(file))));
    };

    clickEntry(u"GAMES\\DOOM\\DOOM.EXE"_s);
    QCOMPARE(description->toPlainText(), u"╔════╗\n║ DOOM ║\n╚════╝\nShareware-Episode"_s);
    QCOMPARE(members->toPlainText(), QString());

    clickEntry(u"GAMES\\TETRIS\\TETRIS.COM"_s);
    QCOMPARE(description->toPlainText(), u"Tetris für DOS\nmit Highscore-Liste"_s);

    clickEntry(u"Büro Programme\\Text mit Ümläuten\\SCHREIB.EXE"_s);
    QCOMPARE(description->toPlainText(), u"Schreibprogramm für Büros"_s);

    clickEntry(u"TOOLS\\ARJ250.ZIP"_s);
    QCOMPARE(description->toPlainText(), u"Packer und Entpacker"_s);
    const QString listing = members->toPlainText();
    for (const QString &member : {u"ARJ.EXE"_s, u"ARJ.DOC"_s, u"WHATSNEW.TXT"_s})
        QVERIFY2(listing.contains(member), qPrintable(listing));

    // Members written with data descriptors are all listed.
    clickEntry(u"TOOLS\\STREAM.ZIP"_s);
    const QString stream = members->toPlainText();
    QVERIFY2(stream.contains(u"WHATSNEW.TXT"_s) && stream.contains(u"ARJ.DOC"_s),
             qPrintable(stream));

    clickEntry(u"SETUP.EXE"_s);
    QCOMPARE(description->toPlainText(), u"Shareware-Sammlung 1996\nAlle Programme ohne Gewähr."_s);
    QCOMPARE(m_boxes->seen(), QStringList());
}

void TestEndToEnd::importUsesTheProposedName()
{
    m_boxes->acceptNamingDialog();
    click(control<QPushButton>(u"db1"_s));
    QCOMPARE(m_boxes->proposals(), QStringList{DiscName});
    QCOMPARE(m_boxes->seen(), QStringList());
    QVERIFY(!control<QPushButton>(u"db1"_s)->isEnabled());
    QVERIFY(control<QPushButton>(u"jep1"_s)->isEnabled());
    QCOMPARE(itemTexts(control<QListWidget>(u"TL1"_s)), (QStringList{u"Alle CD's"_s, DiscName}));
    QVERIFY(QFileInfo::exists(m_system.applicationDirectory() + DiscName + u".vfs"_s));
}

void TestEndToEnd::catalogueIsFilteredSearchedAndRebuilt()
{
    clickPage(1);
    auto *grid = control<QTableView>(u"RxDBGrid1"_s);
    clickListItem(u"TL1"_s, DiscName);
    QStringList expected;
    for (const QString &file : KeptFiles)
        expected.append(disc(file));
    QCOMPARE(sorted(itemTexts(grid, 2)), sorted(expected));
    QCOMPARE(sorted(itemTexts(grid, 1)).constFirst(), DiscName);

    auto *search = control<QLineEdit>(u"Edit5"_s);
    search->insert(u"ümläuten"_s); // as pasted: the test keyboard types only ASCII
    click(control<QToolButton>(u"SpeedButton1"_s));
    QCOMPARE(itemTexts(grid, 2),
             QStringList{disc(u"Büro Programme\\Text mit Ümläuten\\SCHREIB.EXE"_s)});
    clickRow(grid, 0);
    QCOMPARE(control<QLineEdit>(u"DBEdit1"_s)->text(), DiscName);
    // The narrow field shows the start of a long name.
    QCOMPARE(control<QLineEdit>(u"DBEdit1"_s)->cursorPosition(), 0);
    QCOMPARE(control<QPlainTextEdit>(u"DBMemo1"_s)->toPlainText(),
             u"Schreibprogramm für Büros\n"_s);

    search->clear();
    QTest::keyClicks(search, u"zip"_s);
    click(control<QToolButton>(u"SpeedButton1"_s));
    QCOMPARE(sorted(itemTexts(grid, 2)),
             (QStringList{disc(u"TOOLS\\ARJ250.ZIP"_s), disc(u"TOOLS\\STREAM.ZIP"_s)}));

    click(control<QPushButton>(u"Button1"_s));
    QCOMPARE(itemTexts(control<QListWidget>(u"TL1"_s)), (QStringList{u"Alle CD's"_s, DiscName}));
    QCOMPARE(m_boxes->seen(), QStringList());
}

void TestEndToEnd::virtualDriveShowsTheDiscWithoutIt()
{
    clickPage(2);
    clickListItem(u"TL2"_s, DiscName);
    auto *tree = control<QTreeWidget>(u"TreeView1"_s);
    QCOMPARE(tree->topLevelItemCount(), 1);
    const QTreeWidgetItem *root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), u"%1: [%2]"_s.arg(m_letter).arg(SampleDisc::Label.toLower()));
    QStringList folders;
    for (int i = 0; i < root->childCount(); ++i)
        folders.append(root->child(i)->text(0));
    QCOMPARE(folders, (QStringList{u"Büro Programme"_s, u"GAMES"_s, u"TOOLS"_s}));
    QCOMPARE(root->child(0)->child(0)->text(0), u"Text mit Ümläuten"_s);
    QCOMPARE(root->child(1)->childCount(), 2);

    clickListItem(u"TL2"_s, u"Alle CD's"_s);
    QCOMPARE(tree->topLevelItem(0)->text(0),
             u"Keine Daten verfügbar. Virtuelles Laufwerk wurde nicht angelegt"_s);
    QCOMPARE(m_boxes->seen(), QStringList());
}

void TestEndToEnd::everythingSurvivesARestart()
{
    QVERIFY(m_form->close());
    m_form.reset();
    QCOMPARE(readBytes(m_system.applicationDirectory() + u"Quilo.lst"_s),
             (u"Alle CD's\r\n"_s + DiscName + u"\r\n"_s).toUtf8());
    const QString letterLine = u"%1: [%2]\r\n"_s.arg(m_letter).arg(SampleDisc::Label.toLower());
    QCOMPARE(QString::fromUtf8(readBytes(m_system.applicationDirectory() + DiscName + u".vfs"_s)),
             letterLine + u"\tBüro Programme\r\n\t\tText mit Ümläuten\r\n\tGAMES\r\n\t\tDOOM\r\n"
                          u"\t\tTETRIS\r\n\tTOOLS\r\n"_s);

    const QStringList records = catalogueRowTexts(m_system.applicationDirectory() + u"CD.db"_s);
    QCOMPARE(records.size(), KeptFiles.size());
    for (const QString &record : records)
        QVERIFY2(record.startsWith(DiscName + u'|'), qPrintable(record));
    const auto recordOf = [&](const QString &file) {
        const QString prefix = DiscName + u'|' + disc(file) + u'|';
        for (const QString &record : records)
            if (record.startsWith(prefix))
                return record.mid(prefix.size());
        return u"<missing>"_s;
    };
    QCOMPARE(recordOf(u"GAMES\\TETRIS\\TETRIS.COM"_s),
             u"Tetris für DOS\r\nmit Highscore-Liste\r\n|<null>"_s);
    QVERIFY2(recordOf(u"TOOLS\\STREAM.ZIP"_s).contains(u"WHATSNEW.TXT"_s),
             qPrintable(recordOf(u"TOOLS\\STREAM.ZIP"_s)));
    QCOMPARE(recordOf(u"LIESMICH"_s),
             u"Shareware-Sammlung 1996\r\nAlle Programme ohne Gewähr.\r\n|<null>"_s);

    startProgram();
    for (const QString &name :
         {u"cb1"_s, u"cb2"_s, u"cb4"_s, u"cb5"_s, u"cb7"_s, u"cb9"_s, u"cb10"_s, u"cb20"_s})
        QVERIFY2(control<QCheckBox>(name)->isChecked(), qPrintable(name));
    for (const QString &name : {u"cb3"_s, u"cb6"_s, u"cb8"_s, u"cb30"_s})
        QVERIFY2(!control<QCheckBox>(name)->isChecked(), qPrintable(name));
    QCOMPARE(control<QLineEdit>(u"Edit1"_s)->text(), u".bat"_s);
    QCOMPARE(control<QLineEdit>(u"Edit3"_s)->text(), QString());
    QCOMPARE(itemTexts(control<QListWidget>(u"TL1"_s)), (QStringList{u"Alle CD's"_s, DiscName}));
    QCOMPARE(itemTexts(control<QListWidget>(u"TL2"_s)), (QStringList{u"Alle CD's"_s, DiscName}));
    QCOMPARE(m_boxes->seen(), QStringList());
}

int main(int argc, char *argv[])
{
    // Before any thread exists: a namespace cannot be entered by a threaded process.
    const bool realMount = enterPrivateMountNamespace() && canMountImagesInUserSpace();
    QApplication application(argc, argv);
    TestEndToEnd test(realMount);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_endtoend.moc"
