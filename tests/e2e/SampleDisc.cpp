#include "SampleDisc.h"

#include <QDir>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {

bool write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Runs a tool to its end; returns an error text, empty on success. The tool's output goes through
// a pipe into output when one is given.
QString run(const QString &program, const QStringList &arguments, const QString &folder,
            QByteArray *output = nullptr)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return program + u" cannot be started: "_s + process.errorString();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return program + u" failed: "_s + QString::fromLocal8Bit(process.readAllStandardError());
    if (output)
        *output = process.readAllStandardOutput();
    return {};
}

} // namespace

QString SampleDisc::writeFiles(const QString &root)
{
    const QList<std::pair<QString, QByteArray>> files{
        {u"SETUP.EXE"_s, "MZ setup"},
        {u"INSTALL.BAT"_s, "@echo off\r\n"},
        {u"README.TXT"_s, "Shareware-Sammlung 1996\r\nAlle Programme ohne Gew\xe4hr.\r\n"},
        {u"LIESMICH"_s, "Bitte zuerst README.TXT lesen.\r\n"},
        {u"GAMES/DOOM/DOOM.EXE"_s, "MZ doom"},
        {u"GAMES/DOOM/file_id.diz"_s, "\xc9\xcd\xcd\xcd\xcd\xbb\r\n\xba DOOM \xba\r\n"
                                      "\xc8\xcd\xcd\xcd\xcd\xbc\r\nShareware-Episode\r\n"},
        {u"GAMES/TETRIS/TETRIS.COM"_s, "\xe9"},
        {u"GAMES/TETRIS/ReadMe.Txt"_s, "Tetris f\xc3\xbcr DOS\nmit Highscore-Liste\n"},
        {u"TOOLS/FILE_ID.DIZ"_s, "Packer und Entpacker\r\n"},
        {u"TOOLS/src/ARJ.EXE"_s, QByteArray(1432, 'a')},
        {u"TOOLS/src/ARJ.DOC"_s, QByteArray(23811, 'd')},
        {u"TOOLS/src/WHATSNEW.TXT"_s, "Neu in 2.50\r\n"},
        {u"Büro Programme/Text mit Ümläuten/SCHREIB.EXE"_s, "MZ schreib"},
        {u"Büro Programme/Text mit Ümläuten/readme.txt"_s, "Schreibprogramm für Büros\r\n"},
        {u"Büro Programme/Übersicht"_s, "ohne Endung\r\n"},
    };
    for (const auto &[name, content] : files) {
        if (!write(root + u'/' + name, content))
            return u"cannot write "_s + name;
    }
    const QString sources = root + u"/TOOLS/src"_s;
    if (QString error = run(
            u"zip"_s, {u"-q"_s, u"../ARJ250.ZIP"_s, u"ARJ.EXE"_s, u"ARJ.DOC"_s, u"WHATSNEW.TXT"_s},
            sources);
        !error.isEmpty())
        return error;
    // Written to a pipe, zip cannot seek back and puts each member's sizes after its data.
    QByteArray stream;
    if (QString error =
            run(u"zip"_s, {u"-q"_s, u"-"_s, u"WHATSNEW.TXT"_s, u"ARJ.DOC"_s}, sources, &stream);
        !error.isEmpty())
        return error;
    if (!write(root + u"/TOOLS/STREAM.ZIP"_s, stream))
        return u"cannot write STREAM.ZIP"_s;
    return QDir(sources).removeRecursively() ? QString() : u"cannot remove "_s + sources;
}

QString SampleDisc::buildImage(const QString &root, const QString &imagePath)
{
    return run(u"genisoimage"_s,
               {u"-quiet"_s, u"-J"_s, u"-r"_s, u"-input-charset"_s, u"utf-8"_s, u"-V"_s, Label,
                u"-o"_s, imagePath, root},
               root);
}
