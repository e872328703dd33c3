#include "scan/FileSelection.h"
#include "scan/PathListing.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The compact listing must give back every path exactly as it was added, in its order, however
// many names it holds and whatever they are made of.
class TestPathListing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void manyNamesComeBackUnchanged();
};

void TestPathListing::manyNamesComeBackUnchanged()
{
    // Enough long names to fill several of the pool's chunks, so that names meet the chunks' ends;
    // folders without files, repeated folders and names that are not ASCII among them.
    QStringList paths;
    PathListing built;
    for (int folder = 0; folder < 400; ++folder) {
        built.beginFolder(u"d:\\EMPTY%1\\"_s.arg(folder));
        const QString path = u"d:\\F%1\\Ünter ordner\\"_s.arg(folder % 150);
        built.beginFolder(path);
        for (int file = 0; file < 30; ++file) {
            const QString name = QString(u'x').repeated((folder * 31 + file * 7) % 255 + 1) +
                                 (file % 5 == 0 ? u"ß€.TXT"_s : u".EXE"_s);
            built.append(name);
            paths.append(path + name);
        }
    }
    built.beginFolder(u"d:\\LAST\\"_s);
    built.appendAscii("LIESMICH");
    built.append(u"Übersicht€"_s);
    built.appendAscii("PLAIN.ZIP");
    paths += {u"d:\\LAST\\LIESMICH"_s, u"d:\\LAST\\Übersicht€"_s, u"d:\\LAST\\PLAIN.ZIP"_s};

    QCOMPARE(built.size(), paths.size());
    QCOMPARE(built.toStringList(), paths);
    QCOMPARE(built.folderCount(), 401);
    // A selection tests the extension alone, read without the rest of the name.
    QString extension;
    for (qsizetype index = 0; index < built.size(); ++index) {
        built.readExtension(index, extension);
        QCOMPARE(extension, extensionOf(paths.at(index)));
    }
    QCOMPARE(built.endOf(built.folderCount() - 1), built.size());
    QCOMPARE(PathListing::fromPaths(paths).toStringList(), paths);
    QCOMPARE(built.at(30), paths.at(30));
    QCOMPARE(built.nameAt(paths.size() - 1), u"PLAIN.ZIP");
}

QTEST_GUILESS_MAIN(TestPathListing)
#include "tst_pathlisting.moc"
