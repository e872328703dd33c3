// Catalogueing a disc again through the window, on each back end: the question, and after a
// replace the counts in the status line.

#include "catalogue/CatalogueFixture.h"
#include "devices/DriveComboBox.h"
#include "support/FormFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

using ReplaceAnswer = DialogService::ReplaceAnswer;

class TestReplaceDiscWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replaceAsksAndShowsWhatChanged();
};

// A new name is not asked about. A catalogued one is: "Abbrechen" imports nothing and keeps the
// scan ready, "Ja" replaces the disc, keeps its one place in the disc list and shows the counts.
void TestReplaceDiscWindow::replaceAsksAndShowsWhatChanged()
{
    const CatalogueFixture catalogue;
    FormFixture window;
    window.catalogue = catalogue.fileName();
    const QString disc = window.path(u"disc"_s);
    writeFile(disc + u"/SETUP.EXE"_s);
    writeFile(disc + u"/FILE_ID.DIZ"_s, "Version 1\r\n");
    writeFile(disc + u"/OLD.EXE"_s);
    writeFile(disc + u"/KEEP.EXE"_s);
    window.drives.addDrive(u'd', DriveType::CdRom, disc, u"MyDisc"_s);
    window.show();
    window.control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    window.control<QCheckBox>(u"cb1"_s)->setChecked(true);
    window.control<QCheckBox>(u"cb5"_s)->setChecked(true);
    window.form->jep1Click();
    window.dialogs.discNames = {u"MYDISC"_s};
    window.form->db1Click();
    QCOMPARE(window.dialogs.replaceQuestions, QStringList());
    const QStringList first = catalogue.pathsAndInfosOf(u"MYDISC"_s);
    QCOMPARE(first.size(), 3);

    QVERIFY(QFile::remove(disc + u"/OLD.EXE"_s));
    writeFile(disc + u"/NEW.EXE"_s);
    writeFile(disc + u"/FILE_ID.DIZ"_s, "Version 2\r\n");
    window.form->jep1Click();
    window.dialogs.discNames = {u"MYDISC"_s};
    window.dialogs.replaceAnswers = {ReplaceAnswer::Cancel};
    window.form->db1Click();
    QCOMPARE(window.dialogs.replaceQuestions, QStringList{u"MYDISC"_s});
    QCOMPARE(catalogue.pathsAndInfosOf(u"MYDISC"_s), first);
    QVERIFY(window.control<QPushButton>(u"db1"_s)->isEnabled());

    window.dialogs.discNames = {u"MYDISC"_s};
    window.dialogs.replaceAnswers = {ReplaceAnswer::Replace};
    window.form->db1Click();
    QCOMPARE(window.dialogs.total(), 0);
    QCOMPARE(window.control<QLabel>(u"Label1"_s)->text(), u"1 neu, 1 entfernt, 2 geändert"_s);
    QStringList records = catalogue.pathsAndInfosOf(u"MYDISC"_s);
    records.sort(); // in the scan's order, which the scan's own tests check
    // The description belongs to every file of its folder: KEEP.EXE changes too.
    QCOMPARE(records, (QStringList{u"d:\\KEEP.EXE|Version 2\r\n"_s, u"d:\\NEW.EXE|Version 2\r\n"_s,
                                   u"d:\\SETUP.EXE|Version 2\r\n"_s}));
    QCOMPARE(rows(window.control<QListWidget>(u"TL1"_s)),
             (QStringList{u"Alle CD's"_s, u"MYDISC"_s}));
    QVERIFY(!window.control<QPushButton>(u"db1"_s)->isEnabled());
}

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    return runOnEachBackEnd<TestReplaceDiscWindow>(argc, argv);
}

#include "tst_replacediscwindow.moc"
