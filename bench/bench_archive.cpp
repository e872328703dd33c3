#include "archive/ArchiveListing.h"
#include "BenchReport.h"
#include "FailingDialogService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Small text files of 40 to 140 bytes in 100 folders; the same files on every run.
bool writeTree(const QString &folder, int members)
{
    QDir root(folder);
    if (!root.removeRecursively() || !QDir().mkpath(folder))
        return false;
    for (int i = 0; i < 100 && i < members; ++i) {
        if (!root.mkdir(u"DIR"_s + QString::number(i).rightJustified(3, u'0')))
            return false;
    }
    for (int i = 0; i < members; ++i) {
        QFile file(root.filePath(u"DIR"_s + QString::number(i % 100).rightJustified(3, u'0') +
                                 u"/FILE"_s + QString::number(i).rightJustified(6, u'0') +
                                 u".TXT"_s));
        const QByteArray data = "Inhalt der Datei " + QByteArray::number(i) + "\n" +
                                QByteArray(20 + i % 101, char('a' + i % 26));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return false;
    }
    return true;
}

// A solid 7z as the archiver makes it by default, holding 100 folders and the members. Made once
// and kept in the data folder: writing the files and packing them takes several seconds.
QString sevenZipOf(const QString &dataFolder, const QString &sevenZip, int members)
{
    const QString name = u"archive_"_s + QString::number(members);
    const QString archive = dataFolder + u"/"_s + name + u".7z"_s;
    if (QFile::exists(archive))
        return archive;
    const QString tree = dataFolder + u"/"_s + name + u"_tree"_s;
    const QString partial = archive + u".part"_s;
    if (!writeTree(tree, members))
        qFatal("cannot write the files of %s", qPrintable(archive));
    QFile::remove(partial);
    QProcess process;
    process.setWorkingDirectory(tree);
    process.start(sevenZip, {u"a"_s, u"-t7z"_s, u"-bd"_s, u"-bso0"_s, partial, u"."_s});
    if (!process.waitForFinished(-1) || process.exitCode() != 0 || !QFile::rename(partial, archive))
        qFatal("%s cannot make %s", qPrintable(sevenZip), qPrintable(archive));
    QDir(tree).removeRecursively();
    return archive;
}

// The members and their 100 folders.
std::function<void()> listing(const QString &archive, int members)
{
    return [nativePath = QFile::encodeName(archive), members] {
        FailingDialogService dialogs;
        QStringList lines;
        const int listed = ListArchiveMembers(u"d:\\ARCHIVE.7Z"_s, nativePath, lines, dialogs);
        if (listed != members + 100)
            qFatal("listed %d members, expected %d", listed, members + 100);
    };
}

} // namespace

// Lists a 7z of 50,000 members in the process and with bsdtar -tf, both warm; and one of 100,000
// members for the rate.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const BenchArguments arguments(application.arguments());
    const QString id = u"archive_50k"_s;
    const QString rateId = u"archive_100k_rate"_s;
    const QList<Goal> goals{Goal::ratioAtMost(1.0)};
    const QList<Goal> rateGoals{Goal::valueAtLeast(400'000)};
    const bool wanted = arguments.wants(id);
    const bool rateWanted = arguments.wants(rateId);
    if (!wanted && !rateWanted)
        return 0;

    const QString sevenZip = QStandardPaths::findExecutable(u"7z"_s);
    const QString bsdtar = QStandardPaths::findExecutable(u"bsdtar"_s);
    if (sevenZip.isEmpty() || bsdtar.isEmpty()) {
        if (wanted)
            printUnmeasured(id, u"s"_s, goals);
        if (rateWanted)
            printUnmeasured(rateId, u"members/s"_s, rateGoals);
        return 0;
    }
    if (!QDir().mkpath(arguments.dataFolder()))
        qFatal("cannot make %s", qPrintable(arguments.dataFolder()));

    if (wanted) {
        const QString archive = sevenZipOf(arguments.dataFolder(), sevenZip, 50'000);
        const Comparison times =
            compareWithProgram(3, listing(archive, 50'000), bsdtar, {u"-tf"_s, archive});
        printBench(id, times.seconds, u"s"_s, goals, u"bsdtar"_s, times.referenceSeconds);
    }
    if (rateWanted) {
        constexpr int Members = 100'000;
        const QString archive = sevenZipOf(arguments.dataFolder(), sevenZip, Members);
        const double seconds = bestSeconds(3, listing(archive, Members));
        printBench(rateId, (Members + 100) / seconds, u"members/s"_s, rateGoals);
    }
    return 0;
}
