// Renders the three pages of the main window after a scan of a small sample disc, for the
// README. Usage: tralbo_screenshots OUTPUT_FOLDER

#include "app/Environment.h"
#include "app/QtDialogService.h"
#include "app/Unit1.h"
#include "devices/DriveComboBox.h"
#include "platform/DriveTable.h"
#include "platform/GioAutorunSetting.h"
#include "platform/ProcMountSource.h"
#include "platform/QtSettingsStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class SampleDrives final : public DriveTable
{
public:
    explicit SampleDrives(const QString &disc)
    {
        Drive system{u'c', DriveType::Fixed, "/", u"System"_s, {}, u"/dev/sda2"_s, u"ext4"_s};
        Drive cdrom{
            u'd',          DriveType::CdRom, QFile::encodeName(disc), u"SHAREWARE_1996"_s, {},
            u"/dev/sr0"_s, u"iso9660"_s};
        m_drives = {system, cdrom};
    }
    void refresh() override {}
    QList<Drive> drives() const override { return m_drives; }

private:
    QList<Drive> m_drives;
};

void write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
}

void makeSampleDisc(const QString &root)
{
    write(root + u"/SETUP.EXE"_s, "MZ");
    write(root + u"/README.TXT"_s, "Shareware-Sammlung 1996\r\nAlle Programme ohne Gew\xe4hr.\r\n");
    write(root + u"/GAMES/DOOM/DOOM.EXE"_s, "MZ");
    write(root + u"/GAMES/DOOM/FILE_ID.DIZ"_s,
          "\xc9\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbb\r\n\xba  DOOM 1.9  \xba\r\n"
          "\xc8\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbc\r\nShareware-Episode\r\n");
    write(root + u"/GAMES/TETRIS/TETRIS.COM"_s, "\xe9");
    write(root + u"/TOOLS/PKUNZIP.EXE"_s, "MZ");
    write(root + u"/TOOLS/INSTALL.BAT"_s, "@echo off");
    write(root + u"/TOOLS/Readme.txt"_s, "Werkzeuge zum Entpacken und Installieren.\r\n");
    QByteArray zip;
    const auto member = [&](const QByteArray &name, quint32 size) {
        zip.append("PK\x03\x04", 4).append(QByteArray(14, '\0'));
        for (const quint32 value : {size, size})
            for (int shift = 0; shift < 32; shift += 8)
                zip.append(char((value >> shift) & 0xff));
        zip.append(char(name.size())).append('\0').append("\0\0", 2).append(name);
        zip.append(QByteArray(qsizetype(size), 'x'));
    };
    member("ARJ.EXE", 1432);
    member("ARJ.DOC", 23811);
    member("WHATSNEW.TXT", 912);
    zip.append("PK\x05\x06", 4).append(QByteArray(18, '\0'));
    write(root + u"/TOOLS/ARJ250.ZIP"_s, zip);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2)
        qFatal("usage: tralbo_screenshots OUTPUT_FOLDER");
    const QString output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(output);

    QTemporaryDir work;
    makeSampleDisc(work.filePath(u"disc"_s));
    SampleDrives drives(work.filePath(u"disc"_s));
    QtDialogService dialogs;
    Environment environment;
    environment.applicationDirectory = work.path() + u'/';
    environment.drives = &drives;
    environment.dialogs = &dialogs;

    // Settings and the desktop's autorun switch stay in a throw-away place.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work.path()));
    qputenv("GSETTINGS_BACKEND", "memory");
    QtSettingsStore settings;
    GioAutorunSetting autorun;
    ProcMountSource mounts;
    environment.settings = &settings;
    environment.autorun = &autorun;
    environment.autorunMarker = work.filePath(u"autorun-saved"_s);
    environment.mounts = &mounts;

    TForm1 form(environment);
    dialogs.setParentWindow(&form);
    form.show();
    form.findChild<DriveComboBox *>(u"DriveComboBox1"_s)->setDrive(u'd');
    for (const QString &name : {u"cb1"_s, u"cb2"_s, u"cb3"_s, u"cb5"_s, u"cb7"_s})
        form.findChild<QCheckBox *>(name)->setChecked(true);
    form.jep1Click();
    auto *selection = form.findChild<QListView *>(u"ListBox2"_s);
    selection->setCurrentIndex(selection->model()->index(1, 0));

    auto *pages = form.findChild<QTabWidget *>(u"PageControl1"_s);
    const QStringList names{u"cd-import"_s, u"datenansicht"_s, u"virtual-drive"_s};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QApplication::processEvents();
        const QString file = output + u'/' + names[page] + u".png"_s;
        if (!form.grab().save(file))
            qFatal("cannot save %s", qPrintable(file));
    }
    return 0;
}
