#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <vector>

// Where the file name of a program path starts: after its last "\" or ":".
qsizetype fileNameStart(QStringView path);

// The program paths of a scan, in listing order, held as their folders plus a pool of names: a
// million paths cost their names and a few bytes each instead of one string apiece. The files of a
// folder follow each other, as a walk lists them.
class PathListing final
{
public:
    PathListing() = default;
    PathListing(PathListing &&) noexcept = default;
    PathListing &operator=(PathListing &&) noexcept = default;
    Q_DISABLE_COPY(PathListing)

    // Starts the folder whose files are appended next; `folder` ends in "\".
    void beginFolder(const QString &folder);
    // A file of the folder begun last, by its program name.
    void append(QStringView name);
    // The same for a name that is plain ASCII, which needs no decoding.
    void appendAscii(QByteArrayView name);
    void clear();

    qsizetype size() const { return qsizetype(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    // The whole program path of a file.
    QString at(qsizetype index) const;
    // The file's name, put into `name` so that a loop over many files reuses one string.
    void readName(qsizetype index, QString &name) const;
    // The part of the file's name from its last "." on (empty when it has none), which is the
    // extension of its path: a name holds no "\" or ":". Only that part is decoded.
    void readExtension(qsizetype index, QString &extension) const;
    QString nameAt(qsizetype index) const;
    const QString &folderAt(qsizetype index) const;

    // Folders that hold files, in listing order, with their files as a range of indexes.
    qsizetype folderCount() const { return qsizetype(m_folders.size()); }
    const QString &folder(qsizetype folder) const { return m_folders[folder].path; }
    qsizetype firstOf(qsizetype folder) const { return m_folders[folder].first; }
    qsizetype endOf(qsizetype folder) const;

    // From whole program paths, each split at its last "\" or ":".
    static PathListing fromPaths(const QStringList &paths);
    QStringList toStringList() const;

private:
    struct Folder
    {
        QString path;
        qsizetype first; // index of its first file
    };

    char *reserveName(qsizetype bytes, qsizetype length, bool wide);
    // The characters [from, to) of a stored name.
    void readPart(quint64 entry, qsizetype from, qsizetype to, QString &part) const;

    std::vector<Folder> m_folders;
    // Each entry packs where its name starts in the pool, whether it is held as UTF-16 rather
    // than Latin-1 (most names), and its length. Deques and fixed chunks grow without copying what
    // they hold, so a growing listing never needs twice its size for a moment.
    std::deque<quint64> m_entries;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    quint64 m_poolEnd = 0; // where the next name goes
};
