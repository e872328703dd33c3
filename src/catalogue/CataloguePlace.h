#pragma once

#include <QString>

#include <memory>

class CatalogueBackend;

// Where a catalogue lives, resolved once from the user's choice: a catalogue file, or a
// PostgreSQL server named as every PostgreSQL client names one (a connection URI or keyword
// settings; passwords come from libpq's own places). Beside it, the data folder that holds this
// computer's disc list, the .vfs files of a file catalogue and its search index.
class CataloguePlace final
{
public:
    // The catalogue at location. A postgresql:// or postgres:// URI is a server; keyword
    // settings are one only when libpq knows every keyword and no file of that name exists;
    // anything else is a file. A file keeps its data in its own folder, a server in dataFolder.
    static CataloguePlace of(const QString &location, const QString &dataFolder);
    // A catalogue file, its data in its own folder.
    static CataloguePlace file(const QString &path);
    // CD.db of the folder, in any letter case (found when it is opened).
    static CataloguePlace inFolder(const QString &dataFolder);

    // The file's path or the server's location, as libpq reads it.
    const QString &location() const { return m_location; }
    // Ends with "/".
    const QString &dataFolder() const { return m_dataFolder; }
    // The location as messages and logs show it: a password in it is masked.
    QString shown() const;
    // This computer's list of disc names ("Quilo.lst").
    QString discListFile() const;
    // What the catalogue does its own way, chosen once with the place.
    const CatalogueBackend &backend() const { return *m_backend; }

private:
    CataloguePlace(std::shared_ptr<const CatalogueBackend> backend, QString location,
                   QString dataFolder);

    QString m_location;
    QString m_dataFolder;
    std::shared_ptr<const CatalogueBackend> m_backend;
};

// The location with any password in it replaced by "***".
QString maskedLocation(const QString &location);

// The catalogue the user chose, in this order: the command line's choice (option), the
// environment variable TRALBO_CATALOGUE, the settings file's location (setting), else CD.db of
// the application directory. Empty values count as not given.
CataloguePlace chosenCataloguePlace(const QString &option, const QString &setting,
                                    const QString &applicationDirectory);
