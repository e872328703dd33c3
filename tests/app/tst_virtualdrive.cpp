#include "devices/DriveComboBox.h"
#include "support/FormFixture.h"
#include "vdrive/DirTree.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

class TestVirtualDrive : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_fixture.reset(); }

    void driveTreeFollowsTheSelectedDrive();
    void importStoresTheDiscsTree();
    void pageShowsStoredTreeOrNoData();
    void unwritableTreeFileEndsTheImport();

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

void TestVirtualDrive::unwritableTreeFileEndsTheImport()
{
    importAs(u"gibt/es/nicht"_s);
    QCOMPARE(m_fixture->dialogs.errors.size(), 1);
    QVERIFY(m_fixture->dialogs.errors.first().startsWith(u"Datei "_s));
    QVERIFY(m_fixture->dialogs.errors.first().endsWith(u"kann nicht erstellt werden."_s));
    // The records stay; the window stays as the failed step left it.
    QVERIFY(!m_fixture->control<QPushButton>(u"jep1"_s)->isEnabled());
    QVERIFY(m_fixture->control<QPushButton>(u"db1"_s)->isEnabled());
    QCOMPARE(rows(m_fixture->control<QListWidget>(u"TL1"_s)), QStringList{u"Alle CD's"_s});
}

QTEST_MAIN(TestVirtualDrive)
#include "tst_virtualdrive.moc"
