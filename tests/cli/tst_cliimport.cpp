// The command line's import and the window's import of the same disc write the same catalogue
// rows, disc list and virtual drive file, byte for byte.

#include "catalogue/SearchIndex.h"
#include "devices/DriveComboBox.h"
#include "RunTool.h"
#include "support/CatalogueRows.h"
#include "support/FormFixture.h"
#include "support/StoredZip.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray fileBytes(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestCliImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesWhatTheWindowWrites();
    void folderNamesWithEdgeBlanksKeepTheirTree();
};

void TestCliImport::writesWhatTheWindowWrites()
{
    FormFixture window;
    const QString disc = window.path(u"SPIELE"_s);
    writeFile(disc + u"/SETUP.EXE"_s);
    writeFile(disc + u"/FILE_ID.DIZ"_s, "Ein Spiel\r\nmit Text\r\n");
    writeFile(disc + u"/GAMES/DOOM/DOOM.EXE"_s);
    writeFile(disc + u"/GAMES/DOOM/README.TXT"_s, "eins\r\nzwei\r\ndrei\r\nvier\r\n");
    writeFile(disc + u"/GAMES/Alpha/PACK.ZIP"_s,
              storedZip({{"INSTALL.EXE", "12345"}, {"DOCS/", ""}, {"ÄRGER.TXT", "x"}}));
    writeFile(disc + u"/tools/Straße/RUN.BAT"_s, "@echo off");
    // A name in Windows-1252, as on sticks written by older systems.
    const QByteArray latin1 = QFile::encodeName(disc) + "/CAF\xC9.EXE";
    const int created = ::open(latin1.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(created >= 0);
    ::close(created);
    // The temporary folder cannot remove a name Qt cannot decode.
    const auto removeLatin1 = qScopeGuard([&] { ::unlink(latin1.constData()); });
    window.drives.addDrive(u'd', DriveType::CdRom, disc, u"SPIELE"_s);

    // The command line first, into a catalogue of its own.
    const QString cliFolder = window.path(u"cli"_s);
    QDir().mkpath(cliFolder);
    createEmptyCatalogue(cliFolder + u"/CD.db"_s);
    const Outcome cli =
        runTool({u"import"_s, disc, u"--name"_s, u"SPIELE"_s, u"--exe"_s, u"--zip"_s, u"--bat"_s,
                 u"--descriptions"_s, u"--cut"_s, u"3"_s, u"--zip-contents"_s, u"--tree"_s,
                 u"--catalogue"_s, cliFolder + u"/CD.db"_s});
    QCOMPARE(cli.err, QString());
    QCOMPARE(cli.exitCode, 0);
    // Searches from the terminal find the new records through the index at once.
    QVERIFY(SearchIndex::forCatalogue(cliFolder + u"/CD.db"_s).isFresh());

    window.show();
    window.control<DriveComboBox>(u"DriveComboBox1"_s)->setDrive(u'd');
    for (const QString &box :
         {u"cb1"_s, u"cb3"_s, u"cb4"_s, u"cb5"_s, u"cb6"_s, u"cb7"_s, u"cb20"_s})
        window.control<QCheckBox>(box)->setChecked(true);
    window.control<QLineEdit>(u"Edit4"_s)->setText(u"3"_s);
    window.form->jep1Click();
    window.dialogs.discNames = {u"SPIELE"_s};
    QTest::mouseClick(window.control<QPushButton>(u"db1"_s), Qt::LeftButton);
    QCOMPARE(window.dialogs.total(), 0);
    window.form->close();

    const QString app = window.applicationDirectory();
    const QStringList rows = catalogueRowTexts(app + u"CD.db"_s, WithKey::Yes);
    QCOMPARE(rows.size(), 5);
    QVERIFY(rows.join(u'\n').contains(u"|d:\\CAFÉ.EXE|"_s));
    QCOMPARE(catalogueRowTexts(cliFolder + u"/CD.db"_s, WithKey::Yes), rows);
    QCOMPARE(fileBytes(cliFolder + u"/Quilo.lst"_s), fileBytes(app + u"Quilo.lst"_s));
    QCOMPARE(fileBytes(cliFolder + u"/SPIELE.vfs"_s), fileBytes(app + u"SPIELE.vfs"_s));
}

// Leading blanks give a node's level in the tree file, so such a name must not shift its node.
void TestCliImport::folderNamesWithEdgeBlanksKeepTheirTree()
{
    QTemporaryDir folder;
    const QString disc = folder.filePath(u"disc"_s);
    writeFile(disc + u"/ lead/inner/A.EXE"_s);
    writeFile(disc + u"/tab\t/B.EXE"_s);
    const QString catalogue = folder.filePath(u"CD.db"_s);
    createEmptyCatalogue(catalogue);

    const Outcome imported = runTool({u"import"_s, disc, u"--name"_s, u"EDGES"_s, u"--exe"_s,
                                      u"--tree"_s, u"--catalogue"_s, catalogue});
    QCOMPARE(imported.err, QString());
    QCOMPARE(imported.exitCode, 0);
    const Outcome tree = runTool({u"tree"_s, u"EDGES"_s, u"--catalogue"_s, catalogue});
    QCOMPARE(tree.err, QString());
    QCOMPARE(tree.exitCode, 0);
    QCOMPARE(tree.out.split('\n').mid(1), QByteArrayList({"   lead", "    inner", "  tab\t", ""}));
}

QTEST_MAIN(TestCliImport)
#include "tst_cliimport.moc"
