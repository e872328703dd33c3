// A disc image chosen through the drive selector's last entry becomes a drive of its own that the
// window scans like a disc; a damaged one gives the reader's message and no drive.

#include "devices/DriveComboBox.h"
#include "platform/ImageDriveTable.h"
#include "support/FormFixture.h"

#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

class TestImageDriveWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chosenImageIsScannedAsADrive();
    void damagedImageGivesNoDrive();

private:
    void showWindow(FormFixture &fixture, ImageDriveTable &images);
    QString makeImage(FormFixture &fixture);
    static void chooseImageEntry(DriveComboBox *box);
};

void TestImageDriveWindow::showWindow(FormFixture &fixture, ImageDriveTable &images)
{
    Environment environment;
    environment.catalogue = chosenCataloguePlace({}, QString(), fixture.applicationDirectory());
    environment.drives = &images;
    environment.images = &images;
    environment.dialogs = &fixture.dialogs;
    environment.settings = &fixture.settings;
    environment.autorun = &fixture.autorun;
    environment.autorunMarker = fixture.path(u"autorun-saved"_s);
    environment.mounts = &fixture.mounts;
    environment.volumes = &fixture.volumes;
    fixture.form = std::make_unique<TForm1>(environment);
    fixture.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(fixture.form.get()));
}

QString TestImageDriveWindow::makeImage(FormFixture &fixture)
{
    const QString files = fixture.path(u"files"_s);
    writeFile(files + u"/GAMES/DOOM.EXE"_s);
    writeFile(files + u"/SETUP.EXE"_s);
    const QString image = fixture.path(u"disc.iso"_s);
    QProcess genisoimage;
    genisoimage.start(u"genisoimage"_s, {u"-quiet"_s, u"-R"_s, u"-J"_s, u"-V"_s, u"Spiele 2"_s,
                                         u"-o"_s, image, files});
    if (!genisoimage.waitForFinished() || genisoimage.exitCode() != 0)
        qFatal("genisoimage failed");
    return image;
}

// As with the keyboard: the last entry is one step below the last drive.
void TestImageDriveWindow::chooseImageEntry(DriveComboBox *box)
{
    QCOMPARE(box->itemText(box->count() - 1), u"Abbilddatei öffnen…"_s);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End);
}

void TestImageDriveWindow::chosenImageIsScannedAsADrive()
{
    FormFixture fixture;
    ImageDriveTable images(fixture.drives);
    showWindow(fixture, images);
    fixture.dialogs.imageFiles = {makeImage(fixture)};
    auto *box = fixture.control<DriveComboBox>(u"DriveComboBox1"_s);

    chooseImageEntry(box);
    QCOMPARE(fixture.dialogs.imageFileQuestions, 1);
    QCOMPARE(box->drive(), u'd');
    QCOMPARE(box->currentText(), u"d: [spiele 2]"_s);
    QCOMPARE(box->itemText(box->count() - 1), u"Abbilddatei öffnen…"_s);

    fixture.control<QCheckBox>(u"cb1"_s)->setChecked(true);
    fixture.form->jep1Click();
    const auto *list = fixture.control<QListView>(u"ListBox2"_s);
    QStringList rows;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        rows.append(list->model()->index(row, 0).data().toString());
    QCOMPARE(rows, (QStringList{u"d:\\GAMES\\DOOM.EXE"_s, u"d:\\SETUP.EXE"_s}));
    QCOMPARE(fixture.dialogs.total(), 0);
}

void TestImageDriveWindow::damagedImageGivesNoDrive()
{
    FormFixture fixture;
    ImageDriveTable images(fixture.drives);
    showWindow(fixture, images);
    const QString damaged = fixture.path(u"damaged.iso"_s);
    writeFile(damaged, QByteArray(40000, 'x'));
    fixture.dialogs.imageFiles = {damaged};
    auto *box = fixture.control<DriveComboBox>(u"DriveComboBox1"_s);
    const int items = box->count();

    chooseImageEntry(box);
    QCOMPARE(fixture.dialogs.warnings,
             QStringList{u"Die Datei ist kein Abbild einer CD oder DVD (weder ISO 9660 noch "
                         u"UDF)"_s});
    QCOMPARE(box->count(), items);
    QCOMPARE(box->drive(), u'c');
}

QTEST_MAIN(TestImageDriveWindow)
#include "tst_imagedrivewindow.moc"
