#pragma once

#include <QString>

// Where the program keeps CD.db, Quilo.lst and the .vfs files: the executable's folder when a
// catalogue lies there (the build tree, a portable copy), otherwise the per-user data folder.
struct ApplicationDirectory
{
    QString path;    // ends with "/"
    QString problem; // why the per-user folder could not be prepared; empty when all is well
};

// "$XDG_DATA_HOME/Olvane/Tralbo/", by default "~/.local/share/Olvane/Tralbo/".
QString perUserDataDirectory();

// The application directory as decided, without preparing anything: beside the program when a
// catalogue lies there, else the per-user data folder.
QString applicationDirectoryOf(const QString &executableDirectory);

// Decides the application directory. The first start without a catalogue beside the program
// creates the per-user folder with an empty catalogue, once: a folder that exists is left as it
// is, catalogue or not, so the window's own warning tells of a missing one.
ApplicationDirectory prepareApplicationDirectory(const QString &executableDirectory,
                                                 const QString &dataDirectory);
