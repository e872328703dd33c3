#include "TreeOutline.h"
#include "TreeTestHelpers.h"
#include "vdrive/TreeFile.h"

#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTreeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savesPreOrderAndLoadsItBack();
    void loadReplacesNodesAndShowsTheIcon();
    void levelJumpKeepsTheNodesBeforeIt();
    void unreadableFileLeavesTheTree();

private:
    QTemporaryDir m_folder;
};

void TestTreeFile::savesPreOrderAndLoadsItBack()
{
    QTreeWidget tree;
    const QString fileName = m_folder.filePath(u"tree.vfs"_s);
    SaveTreeToFile(tree, fileName);
    QCOMPARE(fileContent(fileName), QByteArray());

    auto *a = new QTreeWidgetItem(&tree, QStringList{u"A"_s});
    new QTreeWidgetItem(new QTreeWidgetItem(a, QStringList{u"A1"_s}), QStringList{u"A1a"_s});
    new QTreeWidgetItem(a, QStringList{u"A2"_s});
    new QTreeWidgetItem(&tree, QStringList{u"B"_s});
    SaveTreeToFile(tree, fileName);
    QCOMPARE(fileContent(fileName), QByteArray("A\r\n\tA1\r\n\t\tA1a\r\n\tA2\r\nB\r\n"));

    QTreeWidget loaded;
    LoadTreeFromFile(loaded, fileName);
    QCOMPARE(outline(loaded), outline(tree));
}

void TestTreeFile::loadReplacesNodesAndShowsTheIcon()
{
    const QString fileName = m_folder.filePath(u"disc.vfs"_s);
    QVERIFY(writeFile(fileName, "d: [mydisc]\n GAMES\n  DOOM\n TOOLS"));
    QTreeWidget tree;
    new QTreeWidgetItem(new QTreeWidgetItem(&tree, QStringList{u"old"_s}), QStringList{u"x"_s});
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::yellow);
    const QIcon icon(pixmap);

    LoadTreeFromFile(tree, fileName, icon);
    QCOMPARE(outline(tree),
             (QStringList{u"d: [mydisc]"_s, u"\tGAMES"_s, u"\t\tDOOM"_s, u"\tTOOLS"_s}));
    QCOMPARE(tree.topLevelItem(0)->child(0)->child(0)->icon(0).cacheKey(), icon.cacheKey());

    QVERIFY(writeFile(fileName, {}));
    LoadTreeFromFile(tree, fileName);
    QCOMPARE(tree.topLevelItemCount(), 0);
    QVERIFY(tree.updatesEnabled());
}

void TestTreeFile::levelJumpKeepsTheNodesBeforeIt()
{
    const QString fileName = m_folder.filePath(u"broken.vfs"_s);
    QVERIFY(writeFile(fileName, "A\r\n\tB\r\nC\r\n\t\tx\r\nD\r\n"));
    QTreeWidget tree;
    new QTreeWidgetItem(&tree, QStringList{u"old"_s});

    QCOMPARE(errorOf([&] { LoadTreeFromFile(tree, fileName); }),
             u"Ungültige Ebene (2) für Eintrag \"x\""_s);
    QCOMPARE(outline(tree), (QStringList{u"A"_s, u"\tB"_s, u"C"_s}));
    QVERIFY(tree.updatesEnabled());
}

void TestTreeFile::unreadableFileLeavesTheTree()
{
    const QString fileName = m_folder.filePath(u"missing.vfs"_s);
    QTreeWidget tree;
    new QTreeWidgetItem(new QTreeWidgetItem(&tree, QStringList{u"kept"_s}), QStringList{u"x"_s});

    QCOMPARE(errorOf([&] { LoadTreeFromFile(tree, fileName); }),
             u"Datei %1 kann nicht geöffnet werden"_s.arg(fileName));
    QCOMPARE(outline(tree), (QStringList{u"kept"_s, u"\tx"_s}));
    const QString unwritable = m_folder.filePath(u"no/such/folder.vfs"_s);
    QCOMPARE(errorOf([&] { SaveTreeToFile(tree, unwritable); }),
             u"Datei %1 kann nicht erstellt werden"_s.arg(unwritable));
}

QTEST_MAIN(TestTreeFile)
#include "tst_treefile.moc"
