#include "app/SearchAnimation.h"
#include "devices/DriveComboBox.h"
#include "support/FormFixture.h"
#include "vdrive/DirTree.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QByteArray DiscTree("d: [mydisc]\r\n\tGAMES\r\n\t\tAlpha\r\n\t\tDOOM\r\n\ttools\r\n");
const QString NoData = u"Keine Daten verfügbar. Virtuelles Laufwerk wurde nicht angelegt"_s;

} // namespace

class TestVirtualDrive : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_fixture.reset(); }

    void driveTreeFollowsTheSelectedDrive();
    void importStoresTheDiscsTree();
    void pageShowsStoredTreeOrNoData();
    void failedStoreHidesAndEmptiesTheBuilder();
    void discNameStaysInsideTheApplicationDirectory_data();
    void discNameStaysInsideTheApplicationDirectory();
    void secondImportStoresTheWholeTreeAgain();
    void unreadableDriveKeepsTheStoredTree();
    void driveChangeDuringAReloadTakesEffect();
    void noImportDuringAReload();
    void lineBreaksInFolderNamesSurviveTheStore();
    void clickOnTheSelectedDiscLoadsItAgain();

private:
    void importAs(const QString &name);
    QStringList topLevelTexts(const QTreeWidget *tree) const;

    std::unique_ptr<FormFixture> m_fixture;
};

void TestVirtualDrive::init()
{
    m_fixture = std::make_unique<FormFixture>();
    const QString disc = m_fixture->path(u"disc"_s);
    writeFile(disc + u"/SETUP.EXE"_s);
    writeFile(disc + u"/GAMES/DOOM/DOOM.EXE"_s);
    writeFile(disc + u"/tools/X.EXE"_s);
    QDir().mkpath(disc + u"/GAMES/Alpha"_s);
    m_fixture->drives.addDrive(u'd', DriveType::CdRom, disc, u"MyDisc"_s);
    m_fixture->show();
    m_fixture->control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
}

void TestVirtualDrive::importAs(const QString &name)
{
    m_fixture->control<QCheckBox>(u"cb1"_s)->setChecked(true);
    m_fixture->control<QCheckBox>(u"cb20"_s)->setChecked(true);
    m_fixture->form->jep1Click();
    m_fixture->dialogs.discNames = {name};
    QTest::mouseClick(m_fixture->control<QPushButton>(u"db1"_s), Qt::LeftButton);
}

QStringList TestVirtualDrive::topLevelTexts(const QTreeWidget *tree) const
{
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts.append(tree->topLevelItem(i)->text(0));
    return texts;
}

void TestVirtualDrive::driveTreeFollowsTheSelectedDrive()
{
    auto *tree = m_fixture->control<TDirTree>(u"DirTree1"_s);
    QVERIFY(tree->isHidden());
    QCOMPARE(topLevelTexts(tree), QStringList{u"d: [mydisc]"_s});
    // A CD-ROM root is not read while loading: one empty placeholder.
    QCOMPARE(tree->topLevelItem(0)->childCount(), 1);
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QString());

    m_fixture->control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'c');
    QCOMPARE(topLevelTexts(tree), QStringList{u"c: [system]"_s});
    m_fixture->control<QTabWidget>(u"PageControl1"_s)->setCurrentIndex(2);
    QCOMPARE(topLevelTexts(tree), QStringList{u"c: [system]"_s});
}

void TestVirtualDrive::importStoresTheDiscsTree()
{
    importAs(u"SPIELE"_s);
    QCOMPARE(m_fixture->dialogs.total(), 0);
    QCOMPARE(readFile(m_fixture->path(u"app/SPIELE.vfs"_s)),
             QByteArray("d: [mydisc]\r\n\tGAMES\r\n\t\tAlpha\r\n\t\tDOOM\r\n\ttools\r\n"));
    auto *tree = m_fixture->control<TDirTree>(u"DirTree1"_s);
    QVERIFY(tree->isHidden());
    QCOMPARE(tree->topLevelItemCount(), 0);
    QCOMPARE(m_fixture->control<QLabel>(u"Label1"_s)->text(), u" "_s);
}

void TestVirtualDrive::pageShowsStoredTreeOrNoData()
{
    importAs(u"SPIELE"_s);
    m_fixture->control<QTabWidget>(u"PageControl1"_s)->setCurrentIndex(2);
    auto *discs = m_fixture->control<QListWidget>(u"TL2"_s);
    QCOMPARE(rows(discs), (QStringList{u"Alle CD's"_s, u"SPIELE"_s}));
    auto *view = m_fixture->control<QTreeWidget>(u"TreeView1"_s);
    QCOMPARE(view->topLevelItemCount(), 0);

    discs->item(1)->setSelected(true);
    QCOMPARE(topLevelTexts(view), QStringList{u"d: [mydisc]"_s});
    QCOMPARE(view->topLevelItem(0)->childCount(), 2);
    QCOMPARE(view->topLevelItem(0)->child(0)->child(1)->text(0), u"DOOM"_s);

    discs->clearSelection();
    discs->item(0)->setSelected(true);
    QCOMPARE(topLevelTexts(view),
             QStringList{u"Keine Daten verfügbar. Virtuelles Laufwerk wurde nicht angelegt"_s});
    QCOMPARE(m_fixture->dialogs.total(), 0);
}

void TestVirtualDrive::failedStoreHidesAndEmptiesTheBuilder()
{
    // A folder in the file's place makes the store fail once the tree is expanded.
    const QString file = m_fixture->applicationDirectory() + u"SPERRE.vfs"_s;
    QDir().mkpath(file);
    importAs(u"SPERRE"_s);
    QCOMPARE(m_fixture->dialogs.errors,
             QStringList{u"Datei %1 kann nicht erstellt werden."_s.arg(file)});
    auto *tree = m_fixture->control<TDirTree>(u"DirTree1"_s);
    QVERIFY(tree->isHidden());
    QCOMPARE(tree->topLevelItemCount(), 0);
    QVERIFY(!m_fixture->control<SearchAnimation>(u"Animate1"_s)->isPlaying());
    QVERIFY(
        !tree->geometry().intersects(m_fixture->control<QTreeWidget>(u"TreeView1"_s)->geometry()));
    // The records are stored: the import ends as usual, so they cannot be imported twice.
    QVERIFY(m_fixture->control<QPushButton>(u"jep1"_s)->isEnabled());
    QVERIFY(!m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
    QCOMPARE(rows(m_fixture->control<QListWidget>(u"TL1"_s)),
             (QStringList{u"Alle CD's"_s, u"SPERRE"_s}));
}

void TestVirtualDrive::noImportDuringAReload()
{
    m_fixture->control<QCheckBox>(u"cb1"_s)->setChecked(true);
    m_fixture->form->jep1Click();
    m_fixture->dialogs.discNames = {u"SPIELE"_s};
    // Runs while the reload for c lets events run.
    QMetaObject::invokeMethod(
        m_fixture->form.get(), [this] { m_fixture->form->db1Click(); }, Qt::QueuedConnection);
    m_fixture->control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'c');
    QVERIFY(m_fixture->dialogs.proposals.isEmpty());
    QVERIFY(m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
}

void TestVirtualDrive::discNameStaysInsideTheApplicationDirectory_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    for (const QString &name : {u"../escaped"_s, u"a/b"_s, u"."_s, u".."_s})
        QTest::newRow(qPrintable(name)) << name << true;
    for (const QString &name :
         {u"Ümläut Disk"_s, u"CON"_s, u".hidden"_s, u"say \"hi\""_s, QString()})
        QTest::newRow(qPrintable(u'"' + name + u'"')) << name << false;
}

// A refused name is a file that cannot be created; an entry of that name in a disc name list
// shows no data, even where the file it would name exists.
void TestVirtualDrive::discNameStaysInsideTheApplicationDirectory()
{
    QFETCH(QString, name);
    QFETCH(bool, refused);
    const QString file = m_fixture->applicationDirectory() + name + u".vfs"_s;
    QDir().mkpath(m_fixture->path(u"app/a"_s));
    importAs(name);
    QCOMPARE(m_fixture->dialogs.errors,
             refused ? QStringList{u"Datei %1 kann nicht erstellt werden."_s.arg(file)}
                     : QStringList());
    QCOMPARE(readFile(file), refused ? QByteArray("<missing>") : DiscTree);

    if (refused)
        writeFile(file, DiscTree);
    writeFile(m_fixture->path(u"app/Quilo.lst"_s), name.toUtf8() + "\r\n");
    m_fixture->show();
    m_fixture->control<QTabWidget>(u"PageControl1"_s)->setCurrentIndex(2);
    m_fixture->control<QListWidget>(u"TL2"_s)->item(0)->setSelected(true);
    QCOMPARE(topLevelTexts(m_fixture->control<QTreeWidget>(u"TreeView1"_s)),
             QStringList{refused ? NoData : u"d: [mydisc]"_s});
}

void TestVirtualDrive::secondImportStoresTheWholeTreeAgain()
{
    importAs(u"SPIELE"_s);
    importAs(u"SPIELE"_s);
    QCOMPARE(readFile(m_fixture->path(u"app/SPIELE.vfs"_s)), DiscTree);
    QCOMPARE(m_fixture->dialogs.total(), 0);
}

// The tree builder leaves network drives out, so their folders cannot be stored.
void TestVirtualDrive::unreadableDriveKeepsTheStoredTree()
{
    writeFile(m_fixture->path(u"share/DOCS/A.EXE"_s));
    m_fixture->drives.addDrive(u'n', DriveType::Network, m_fixture->path(u"share"_s));
    auto *selector = m_fixture->control<DriveComboBox>(u"DriveComboBox1"_s);
    selector->updateDriveList();
    selector->setDrive(u'n');
    const QString file = m_fixture->path(u"app/NETZ.vfs"_s);
    writeFile(file, "n: alt\r\n");
    importAs(u"NETZ"_s);
    QCOMPARE(
        m_fixture->dialogs.errors,
        QStringList{
            u"Laufwerk n:\\ kann nicht gelesen werden, Datei %1 bleibt unverändert."_s.arg(file)});
    QCOMPARE(readFile(file), QByteArray("n: alt\r\n"));
}

void TestVirtualDrive::driveChangeDuringAReloadTakesEffect()
{
    auto *selector = m_fixture->control<DriveComboBox>(u"DriveComboBox1"_s);
    // Runs while the reload for c lets events run.
    QMetaObject::invokeMethod(
        selector, [selector] { selector->setDrive(u'd'); }, Qt::QueuedConnection);
    selector->setDrive(u'c');
    QCOMPARE(selector->drive(), u'd');
    QCOMPARE(topLevelTexts(m_fixture->control<TDirTree>(u"DirTree1"_s)),
             QStringList{u"d: [mydisc]"_s});
}

void TestVirtualDrive::lineBreaksInFolderNamesSurviveTheStore()
{
    const QString name = u"Zeile\neins\r"_s;
    QDir().mkpath(m_fixture->path(u"disc/"_s + name));
    importAs(u"SPIELE"_s);
    m_fixture->control<QTabWidget>(u"PageControl1"_s)->setCurrentIndex(2);
    m_fixture->control<QListWidget>(u"TL2"_s)->item(1)->setSelected(true);
    auto *view = m_fixture->control<QTreeWidget>(u"TreeView1"_s);
    QCOMPARE(topLevelTexts(view), QStringList{u"d: [mydisc]"_s});
    QCOMPARE(view->topLevelItem(0)->childCount(), 3);
    QCOMPARE(view->topLevelItem(0)->child(2)->text(0), name);
}

void TestVirtualDrive::clickOnTheSelectedDiscLoadsItAgain()
{
    importAs(u"SPIELE"_s);
    const QString file = m_fixture->path(u"app/SPIELE.vfs"_s);
    writeFile(file, "A\r\n\t\tB\r\n");
    m_fixture->control<QTabWidget>(u"PageControl1"_s)->setCurrentIndex(2);
    auto *discs = m_fixture->control<QListWidget>(u"TL2"_s);
    const QPoint entry = discs->visualItemRect(discs->item(1)).center();
    QTest::mouseClick(discs->viewport(), Qt::LeftButton, {}, entry);
    QCOMPARE(m_fixture->dialogs.errors.size(), 1);
    writeFile(file, "NEU\r\n");
    QTest::mouseClick(discs->viewport(), Qt::LeftButton, {}, entry);
    QCOMPARE(topLevelTexts(m_fixture->control<QTreeWidget>(u"TreeView1"_s)), QStringList{u"NEU"_s});
}

QTEST_MAIN(TestVirtualDrive)
#include "tst_virtualdrive.moc"
