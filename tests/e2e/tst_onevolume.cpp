// One drive is one file system: a volume mounted inside another is read through its own letter
// only, while a bind mount of the same volume stays part of it. Real mounts in a private mount
// namespace, the real mount table and the real window.

#include "DiscMount.h"

#include "app/Environment.h"
#include "app/Unit1.h"
#include "catalogue/CatalogueSchema.h"
#include "devices/DriveComboBox.h"
#include "platform/LinuxDriveTable.h"
#include "platform/LinuxLabelReader.h"
#include "platform/ProcMountSource.h"
#include "scan/FindFile.h"
#include "support/FakeSystem.h"
#include "support/FormFixture.h"
#include "support/RecordingDialogService.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>

using namespace Qt::StringLiterals;

class TestOneVolume : public QObject
{
    Q_OBJECT

public:
    explicit TestOneVolume(bool privateNamespace) : m_privateNamespace(privateNamespace) {}

private Q_SLOTS:
    void volumeInsideAnotherIsReadThroughItsOwnLetterOnly();

private:
    const bool m_privateNamespace;
};

namespace {

bool mountTmpfs(const char *where)
{
    return ::mount("scratch", where, "tmpfs", 0, nullptr) == 0;
}

QChar letterAt(const DriveTable &drives, const QByteArray &mountPoint)
{
    for (const Drive &drive : drives.drives()) {
        if (drive.mountPoint == mountPoint)
            return drive.letter;
    }
    return {};
}

} // namespace

void TestOneVolume::volumeInsideAnotherIsReadThroughItsOwnLetterOnly()
{
    if (!m_privateNamespace)
        QSKIP("no private mount namespace here");
    // /mnt holds a stick at DATA/STICK and a bind mount of its own DATA at SAME.
    QVERIFY(mountTmpfs("/mnt"));
    writeFile(u"/mnt/DATA/A.EXE"_s);
    QVERIFY(QDir().mkpath(u"/mnt/DATA/STICK"_s));
    QVERIFY(mountTmpfs("/mnt/DATA/STICK"));
    writeFile(u"/mnt/DATA/STICK/INNER/B.EXE"_s);
    QVERIFY(QDir().mkpath(u"/mnt/SAME"_s));
    QVERIFY(::mount("/mnt/DATA", "/mnt/SAME", nullptr, MS_BIND, nullptr) == 0);

    ProcMountSource mounts;
    const LinuxLabelReader labels;
    LinuxDriveTable drives(mounts, labels);
    const QChar outer = letterAt(drives, "/mnt");
    const QChar stick = letterAt(drives, "/mnt/DATA/STICK");
    QVERIFY(!outer.isNull() && !stick.isNull());

    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath(u"app"_s));
    createEmptyCatalogue(folder.filePath(u"app/CD.db"_s));
    RecordingDialogService dialogs;
    MemorySettingsStore settings;
    MemoryAutorunSetting autorun;
    Environment environment;
    environment.catalogue = CataloguePlace::inFolder(folder.filePath(u"app"_s));
    environment.drives = &drives;
    environment.dialogs = &dialogs;
    environment.settings = &settings;
    environment.autorun = &autorun;
    environment.autorunMarker = folder.filePath(u"autorun-saved"_s);
    environment.mounts = &mounts;
    TForm1 form(environment);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto scan = [&](QChar letter) {
        form.findChild<DriveComboBox *>(u"DriveComboBox1"_s)->setDrive(letter);
        form.findChild<QCheckBox *>(u"cb1"_s)->setChecked(true);
        form.findChild<QCheckBox *>(u"cb20"_s)->setChecked(true);
        QTest::mouseClick(form.findChild<QPushButton *>(u"jep1"_s), Qt::LeftButton);
        QStringList kept = rows(form.findChild<QListView *>(u"ListBox2"_s));
        kept.sort();
        return kept;
    };

    const QString root = QString(outer) + u":\\"_s;
    QCOMPARE(scan(outer), (QStringList{root + u"DATA\\A.EXE"_s, root + u"SAME\\A.EXE"_s}));
    dialogs.discNames = {u"AUSSEN"_s};
    QTest::mouseClick(form.findChild<QPushButton *>(u"db1"_s), Qt::LeftButton);
    QStringList tree = QString::fromUtf8(readFile(folder.filePath(u"app/AUSSEN.vfs"_s)))
                           .split(u"\r\n"_s, Qt::SkipEmptyParts);
    QVERIFY(!tree.isEmpty());
    tree.removeFirst();
    QCOMPARE(tree, (QStringList{u"\tDATA"_s, u"\t\tSTICK"_s, u"\tSAME"_s, u"\t\tSTICK"_s}));

    QCOMPARE(scan(stick), QStringList{QString(stick) + u":\\INNER\\B.EXE"_s});
    QCOMPARE(dialogs.total(), 0);

    // c: is "/", and /mnt is not part of it.
    const PathMapper paths(drives);
    TFindFile finder(paths);
    finder.setRecurse(true);
    finder.setDirectory(u"c:\\mnt\\"_s);
    finder.Execute();
    QCOMPARE(finder.files(), QStringList());
}

int main(int argc, char *argv[])
{
    // Before any thread exists: a namespace cannot be entered by a threaded process.
    const bool privateNamespace = enterPrivateMountNamespace();
    QApplication application(argc, argv);
    TestOneVolume test(privateNamespace);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_onevolume.moc"
