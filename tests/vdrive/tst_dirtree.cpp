#include "base/AppError.h"
#include "support/FakeDriveTable.h"
#include "TreeOutline.h"
#include "vdrive/DirTree.h"
#include "vdrive/TreeFile.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Temporary folders shown as drives, filled with native (byte) names.
struct Drives
{
    QTemporaryDir folder;
    FakeDriveTable table;
    PathMapper paths{table};

    QByteArray native(QChar letter, const QByteArray &relative = {}) const
    {
        return folder.path().toUtf8() + '/' + QString(letter).toUtf8() + '/' + relative;
    }
    // Folders ("GAMES/DOOM" makes both), links ("name->target") and files ("name=").
    void add(QChar letter, DriveType type, const QList<QByteArray> &entries)
    {
        ::mkdir(native(letter).constData(), 0755);
        table.addDrive(letter, type, QString::fromUtf8(native(letter)));
        for (const QByteArray &entry : entries) {
            const qsizetype arrow = entry.indexOf("->");
            if (arrow >= 0) {
                QVERIFY(::symlink(entry.sliced(arrow + 2).constData(),
                                  native(letter, entry.first(arrow)).constData()) == 0);
            } else if (entry.endsWith('=')) {
                QFile file(QString::fromUtf8(native(letter, entry.chopped(1))));
                QVERIFY(file.open(QIODevice::WriteOnly));
            } else {
                for (qsizetype end = entry.indexOf('/'); end >= 0;
                     end = entry.indexOf('/', end + 1))
                    ::mkdir(native(letter, entry.first(end)).constData(), 0755);
                QVERIFY(::mkdir(native(letter, entry).constData(), 0755) == 0);
            }
        }
    }
};

QStringList childTexts(const QTreeWidgetItem *item)
{
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts.append(item->child(i)->text(0));
    return texts;
}

} // namespace

class TestDirTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void childrenInOneFixedOrder();
    void rootContentsMarker_data();
    void rootContentsMarker();
    void expandAllStoresTheDiscTree();
    void recycleRule_data();
    void recycleRule();
    void hiddenDirectories_data();
    void hiddenDirectories();
    void symbolicLinksAreShownNotEntered();
    void loadDrive_data();
    void loadDrive();
    void userExpansionReadsAndProbesOnce();
    void directoryReadAndWrite();
    void selectDriveReturnsToTheLastDirectory();
    void changedFilterRereadsAndKeepsTheSelection();
};

// Case-insensitive by case folding, the same on every machine: a non-ASCII letter sorts by its
// code after "z", and names that are not UTF-8 show as Windows-1252 but are still read.
void TestDirTree::childrenInOneFixedOrder()
{
    Drives drives;
    drives.add(u'd', DriveType::Fixed,
               {"gamma", "Beta", "alpha/Inner", "beta", "zebra", "\xC3\x84pfel", "M\xFCll/sub",
                "vetoed/below", "file.txt="});
    // QTemporaryDir cannot remove a name that is not UTF-8.
    const auto removeLatin1 = qScopeGuard([&] {
        ::rmdir(drives.native(u'd', "M\xFCll/sub").constData());
        ::rmdir(drives.native(u'd', "M\xFCll").constData());
    });
    TDirTree tree(drives.table, drives.paths);
    tree.setOnAddDir(
        [](TDirTree &, const QString &path, bool &add) { add = !path.endsWith(u"\\vetoed\\"_s); });
    tree.LoadDrive(u"d:\\"_s, u"d: [x]"_s);
    tree.ExpandAll();

    QCOMPARE(outline(tree),
             (QStringList{u"d: [x]"_s, u"\talpha"_s, u"\t\tInner"_s, u"\tBeta"_s, u"\tbeta"_s,
                          u"\tgamma"_s, u"\tMüll"_s, u"\t\tsub"_s, u"\tzebra"_s, u"\tÄpfel"_s}));
    const QTreeWidgetItem *inner = tree.topLevelItem(0)->child(0)->child(0);
    QCOMPARE(TDirTree::dirEntry(inner)->Path, u"D:\\ALPHA\\INNER\\"_s);
    QVERIFY(tree.topLevelItem(0)->child(0)->isExpanded());
}

void TestDirTree::rootContentsMarker_data()
{
    QTest::addColumn<DriveType>("type");
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<bool>("fastLoad");
    QTest::addColumn<QStringList>("children");
    QTest::addColumn<QStringList>("asked");
    const QList<QByteArray> games{"GAMES/DOOM", "README="};
    const QStringList root{u"D:\\"_s};
    const QStringList probed{u"D:\\"_s, u"D:\\GAMES\\"_s};
    const QStringList empty{QString()};
    QTest::newRow("CD-ROM") << DriveType::CdRom << games << false << empty << root;
    QTest::newRow("removable") << DriveType::Removable << games << false << empty << root;
    QTest::newRow("fixed") << DriveType::Fixed << games << false << QStringList{u"**"_s} << probed;
    QTest::newRow("fixed without directories")
        << DriveType::Fixed << QList<QByteArray>{"README="} << false << QStringList() << root;
    QTest::newRow("RAM disk") << DriveType::RamDisk << games << false << QStringList{u"**"_s}
                              << probed;
    QTest::newRow("network") << DriveType::Network << games << false << QStringList{u"**"_s}
                             << probed;
    QTest::newRow("fast load") << DriveType::Fixed << games << true << empty << root;
}

// Nothing below the root of a removable or optical drive is asked for.
void TestDirTree::rootContentsMarker()
{
    QFETCH(DriveType, type);
    QFETCH(QList<QByteArray>, entries);
    QFETCH(bool, fastLoad);
    QFETCH(QStringList, children);
    QFETCH(QStringList, asked);
    Drives drives;
    drives.add(u'd', type, entries);
    TDirTree tree(drives.table, drives.paths);
    tree.setReadOnStart(false);
    tree.setFastLoad(fastLoad);
    QStringList seen;
    tree.setOnAddDir([&](TDirTree &, const QString &path, bool &) { seen.append(path); });

    tree.LoadDrive(u"d:\\"_s, u"d:"_s);
    QCOMPARE(childTexts(tree.topLevelItem(0)), children);
    QVERIFY(children.isEmpty() || !TDirTree::dirEntry(tree.topLevelItem(0)->child(0)));
    QCOMPARE(seen, asked);
}

void TestDirTree::expandAllStoresTheDiscTree()
{
    Drives drives;
    drives.add(u'd', DriveType::CdRom, {"TOOLS", "GAMES/DOOM", "GAMES/DOOM.EXE=", "README.TXT="});
    drives.add(u'e', DriveType::CdRom, {"SETUP.EXE="});
    TDirTree tree(drives.table, drives.paths);
    QTemporaryDir folder;
    const QString fileName = folder.filePath(u"mydisc.vfs"_s);

    tree.LoadDrive(u"d:\\"_s, u"d: [mydisc]"_s);
    tree.ExpandAll();
    SaveTreeToFile(tree, fileName);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("d: [mydisc]\r\n\tGAMES\r\n\t\tDOOM\r\n\tTOOLS\r\n"));
    const QTreeWidgetItem *doom = tree.topLevelItem(0)->child(0)->child(0);
    QCOMPARE(TDirTree::dirEntry(doom)->Path, u"D:\\GAMES\\DOOM\\"_s);

    // A disc without directories keeps its root alone, placeholder gone.
    tree.LoadDrive(u"e:\\"_s, u"e: [files]"_s);
    QCOMPARE(outline(tree), (QStringList{u"e: [files]"_s, u"\t"_s}));
    tree.ExpandAll();
    QCOMPARE(outline(tree), QStringList{u"e: [files]"_s});
}

void TestDirTree::recycleRule_data()
{
    QTest::addColumn<bool>("goBelow");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("below recycle folders")
        << true << QStringList{u"C:\\"_s,       u"\tOLD"_s,      u"\t\tRECYCLED"_s,
                               u"\t\t\tKEEP"_s, u"\tRecycled"_s, u"\t\tDC1"_s};
    QTest::newRow("not below recycle folders")
        << false << QStringList{u"C:\\"_s, u"\tOLD"_s, u"\t\tRECYCLED"_s, u"\tRecycled"_s};
}

void TestDirTree::recycleRule()
{
    QFETCH(bool, goBelow);
    QFETCH(QStringList, expected);
    Drives drives;
    drives.add(u'c', DriveType::Fixed, {"Recycled/DC1", "OLD/RECYCLED/KEEP"});
    TDirTree tree(drives.table, drives.paths);
    tree.setGoBelowRecycleBin(goBelow);
    tree.LoadDrive(u"c:\\"_s, u"0"_s);
    tree.ExpandAll();
    QCOMPARE(outline(tree), expected);
}

void TestDirTree::hiddenDirectories_data()
{
    QTest::addColumn<TDirTree::TDirType>("dirType");
    QTest::addColumn<QStringList>("expected");
    const QStringList both{u".hidden"_s, u"visible"_s};
    QTest::newRow("default") << TDirTree::TDirType(TDirTree::dtNormal | TDirTree::dtAll) << both;
    QTest::newRow("all alone") << TDirTree::TDirType(TDirTree::dtAll) << both;
    QTest::newRow("normal") << TDirTree::TDirType(TDirTree::dtNormal) << QStringList{u"visible"_s};
    QTest::newRow("normal and hidden")
        << TDirTree::TDirType(TDirTree::dtNormal | TDirTree::dtHidden) << both;
    QTest::newRow("hidden alone") << TDirTree::TDirType(TDirTree::dtHidden)
                                  << QStringList{u".hidden"_s};
    QTest::newRow("other attributes only")
        << TDirTree::TDirType(TDirTree::dtReadOnly | TDirTree::dtSystem | TDirTree::dtArchive)
        << QStringList();
}

void TestDirTree::hiddenDirectories()
{
    QFETCH(TDirTree::TDirType, dirType);
    QFETCH(QStringList, expected);
    Drives drives;
    drives.add(u'd', DriveType::CdRom, {".hidden", "visible"});
    TDirTree tree(drives.table, drives.paths);
    tree.setDirType(dirType);
    tree.LoadDrive(u"d:\\"_s, u"d:"_s);
    tree.ExpandAll();
    QCOMPARE(childTexts(tree.topLevelItem(0)), expected);
}

void TestDirTree::symbolicLinksAreShownNotEntered()
{
    Drives drives;
    drives.add(u'd', DriveType::Fixed,
               {"a/b", "a/b/up->../..", "self->.", "dangling->nowhere", "file=", "tofile->file"});
    TDirTree tree(drives.table, drives.paths);
    tree.LoadDrive(u"d:\\"_s, u"d:"_s);
    tree.ExpandAll();
    QCOMPARE(outline(tree),
             (QStringList{u"d:"_s, u"\ta"_s, u"\t\tb"_s, u"\t\t\tup"_s, u"\tself"_s}));
    QCOMPARE(TDirTree::dirEntry(tree.topLevelItem(0)->child(1))->Path, u"D:\\SELF\\"_s);
}

void TestDirTree::loadDrive_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("allowNetwork");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("display name") << u"d:\\"_s << u"0"_s << true << QStringList{u"D:\\"_s};
    QTest::newRow("caption") << u"D:\\"_s << u"d: [games]"_s << true
                             << QStringList{u"d: [games]"_s};
    QTest::newRow("network") << u"n:\\"_s << u"n:"_s << true << QStringList{u"n:"_s};
    QTest::newRow("network not allowed") << u"n:\\"_s << u"n:"_s << false << QStringList();
    QTest::newRow("absent drive") << u"x:\\"_s << u"x:"_s << true << QStringList();
    QTest::newRow("no root") << QString() << u"x:"_s << true << QStringList();
}

// The root's path is its letter upper-cased whatever the text; a drive that fails leaves the
// tree empty.
void TestDirTree::loadDrive()
{
    QFETCH(QString, root);
    QFETCH(QString, caption);
    QFETCH(bool, allowNetwork);
    QFETCH(QStringList, expected);
    Drives drives;
    drives.add(u'd', DriveType::CdRom, {});
    drives.add(u'n', DriveType::Network, {});
    TDirTree tree(drives.table, drives.paths);
    tree.setAllowNetwork(allowNetwork);
    tree.LoadDrive(u"d:\\"_s, u"d:"_s);
    tree.LoadDrive(root, caption);
    QCOMPARE(outline(tree).mid(0, 1), expected);
    if (!expected.isEmpty())
        QCOMPARE(TDirTree::dirEntry(tree.topLevelItem(0))->Path, root.toUpper());
}

void TestDirTree::userExpansionReadsAndProbesOnce()
{
    Drives drives;
    drives.add(u'd', DriveType::Fixed, {"GAMES/DOOM", "TOOLS"});
    TDirTree tree(drives.table, drives.paths);
    tree.LoadDrive(u"d:\\"_s, u"d:"_s);
    QTreeWidgetItem *root = tree.topLevelItem(0);
    QCOMPARE(outline(tree), (QStringList{u"d:"_s, u"\t**"_s}));

    const QStringList afterRoot{u"d:"_s, u"\tGAMES"_s, u"\t\t**"_s, u"\tTOOLS"_s};
    root->setExpanded(true);
    QCOMPARE(outline(tree), afterRoot);
    root->setExpanded(false);
    root->setExpanded(true);
    QCOMPARE(outline(tree), afterRoot);
    root->child(0)->setExpanded(true);
    QCOMPARE(outline(tree), (QStringList{u"d:"_s, u"\tGAMES"_s, u"\t\tDOOM"_s, u"\tTOOLS"_s}));
}

void TestDirTree::directoryReadAndWrite()
{
    Drives drives;
    drives.add(u'd', DriveType::CdRom, {"Games/Doom", "TOOLS"});
    TDirTree tree(drives.table, drives.paths);
    tree.LoadDrive(u"d:\\"_s, u"d:"_s);
    QCOMPARE(tree.directory(), u"?"_s);

    // Each node on the way is read; names match letters a to z in either case.
    tree.setDirectory(u"d:\\GAMES\\doom"_s);
    QCOMPARE(tree.directory(), u"D:\\GAMES\\DOOM\\"_s);
    QCOMPARE(tree.currentItem()->text(0), u"Doom"_s);
    tree.setDirectory(u"?"_s);
    tree.setDirectory(u"d:\\NOWHERE"_s);
    QCOMPARE(tree.directory(), u"D:\\GAMES\\DOOM\\"_s);
    try {
        tree.setDirectory(QString());
        QFAIL("an empty directory was accepted");
    } catch (const AppError &error) {
        QCOMPARE(error.message(), u"Invalid Directory Name"_s);
    }

    tree.LoadDrive(u"d:\\"_s, u"d:"_s);
    tree.setCurrentItem(tree.topLevelItem(0)->child(0));
    QCOMPARE(tree.directory(), QString());
    tree.ClearTree();
    QCOMPARE(tree.directory(), u"?"_s);
    tree.ClearTree();
    QCOMPARE(tree.topLevelItemCount(), 0);
}

void TestDirTree::selectDriveReturnsToTheLastDirectory()
{
    Drives drives;
    drives.add(u'd', DriveType::Fixed, {"GAMES", "TOOLS"});
    drives.add(u'e', DriveType::Fixed, {"DATA"});
    TDirTree tree(drives.table, drives.paths);
    tree.ReadAllDrives();
    QCOMPARE(outline(tree), (QStringList{u"D:\\"_s, u"\t**"_s, u"E:\\"_s, u"\t**"_s}));
    tree.setDirectory(u"d:\\GAMES"_s);
    tree.SelectDrive(u'D');
    QCOMPARE(tree.directory(), u"D:\\GAMES\\"_s);
    tree.SelectDrive(u'e');
    QCOMPARE(tree.directory(), u"E:\\"_s);
    tree.SelectDrive(u'd');
    QCOMPARE(tree.directory(), u"D:\\GAMES\\"_s);

    // Selections made while the drives are read are not remembered.
    tree.setOnAddDir([&](TDirTree &, const QString &path, bool &) {
        if (path == u"E:\\"_s)
            tree.setCurrentItem(tree.topLevelItem(0));
    });
    tree.ReadAllDrives();
    tree.setOnAddDir({});
    QCOMPARE(tree.directory(), u"D:\\"_s);
    tree.SelectDrive(u'e');
    tree.SelectDrive(u'd');
    QCOMPARE(tree.directory(), u"D:\\GAMES\\"_s);

    // A remembered directory that is gone leaves its drive's root.
    QVERIFY(::rmdir(drives.native(u'd', "GAMES").constData()) == 0);
    tree.SelectDrive(u'e');
    tree.SelectDrive(u'd');
    QCOMPARE(tree.directory(), u"D:\\"_s);
}

void TestDirTree::changedFilterRereadsAndKeepsTheSelection()
{
    Drives drives;
    drives.add(u'd', DriveType::Fixed, {"GAMES", ".config"});
    drives.add(u'e', DriveType::Fixed, {});
    TDirTree tree(drives.table, drives.paths);
    tree.setDirectory(u"d:\\GAMES"_s);
    tree.setGoBelowRecycleBin(false);
    QCOMPARE(tree.directory(), u"D:\\GAMES\\"_s);
    QCOMPARE(tree.topLevelItemCount(), 2);

    // A selection the new filter drops falls back to its drive's root.
    tree.setDirectory(u"d:\\.config"_s);
    tree.setDirType(TDirTree::dtNormal);
    QCOMPARE(tree.directory(), u"D:\\"_s);
    QCOMPARE(childTexts(tree.topLevelItem(0)), QStringList{u"GAMES"_s});
}

QTEST_MAIN(TestDirTree)
#include "tst_dirtree.moc"
