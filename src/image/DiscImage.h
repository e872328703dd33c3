#pragma once

#include "image/ImageEntry.h"
#include "image/ImageListing.h"

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QList>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class ImageSectors;

// A disc image file read as the drive it stands for, without mounting it: ISO 9660 with Rock
// Ridge and Joliet, or UDF (an image holding both is read as UDF, as Linux mounts it). Paths inside
// the image use "/" between the names that readDirectory() returns; "" and "/" are the root.
// Every call throws ImageError on a damaged image, and none returns part of a listing.
class DiscImage
{
public:
    // Throws ImageError when the file cannot be read or holds no usable volume.
    static std::unique_ptr<DiscImage> open(const QByteArray &nativePath);

    virtual ~DiscImage();
    Q_DISABLE_COPY_MOVE(DiscImage)

    // The volume's label, as the drive would be labelled when mounted; may be empty.
    const QString &label() const { return m_label; }

    // The directory's entries in the order they are recorded on the disc.
    QList<ImageEntry> readDirectory(const QByteArray &path);
    // The same with only names and kinds, which is all a walk needs: where a file's details lie
    // in a record of its own (UDF), it is not read, so the file shows as File whatever it is, with
    // no size or time. entryAt() reads it.
    ImageListing readNames(const QByteArray &path);
    struct WalkedDirectory
    {
        QByteArray path;
        ImageListing entries;
    };
    // readNames() of every directory, breadth-first and each one's subdirectories in recorded
    // order: the order in which a scan reaches them. Directories are read on several threads, and
    // each is handed to `reached` as soon as it and all before it are read. Throws the ImageError
    // that such a walk in order would meet first; no directory after that one is handed on.
    void walk(const std::function<void(WalkedDirectory &&)> &reached);
    // The same, all of it at once.
    std::vector<WalkedDirectory> walk();
    // The entry that a path names, with its details.
    ImageEntry entryAt(const QByteArray &path);
    // The first maxBytes bytes of a file (all of it when shorter).
    QByteArray readFile(const QByteArray &path, qint64 maxBytes);
    // A seekable device over a file, open for reading; it keeps the image file open.
    std::unique_ptr<QIODevice> openFile(const QByteArray &path);

protected:
    using Node = ImageNode;

    DiscImage(std::shared_ptr<const ImageSectors> sectors, QString label, Node root);

    const ImageSectors &sectors() const { return *m_sectors; }
    // All bytes of a directory or file; throws ImageError when they cannot be read.
    QByteArray readContent(const ImageContent &content) const;
    // The entries of a directory in recorded order, each detailed entry's runs checked against the
    // end of the image. This and listNames() run on several threads at once during a walk, each
    // for another directory: they only read the image.
    virtual QList<Node> childNodes(const Node &directory) = 0;
    // The names and kinds of a directory's entries, and the nodes of its subdirectories in order:
    // all that a walk needs. By default taken from childNodes().
    virtual void listNames(const Node &directory, ImageListing &names, QList<Node> &subdirectories);
    // Fills in a node that childNodes() left without details; only images that leave some need
    // this.
    virtual void readDetails(Node &node);

private:
    struct Directory
    {
        QByteArray path;
        Node node;
    };

    Node directoryAt(const QByteArray &path);
    QList<Node> listDirectory(const Node &directory, const QByteArray &path);
    // Makes the directory's subdirectories reachable by path; throws ImageError on a loop.
    void registerSubdirectories(const QByteArray &path, const QList<Node> &children);
    // The same for the subdirectories of one directory, each with its path; returns for each the
    // index in m_known of the directory its path reaches.
    std::vector<qsizetype> registerSiblings(QList<QByteArray> paths, QList<Node> subdirectories);
    // The same for one of them; returns the index in m_known of the directory its path reaches,
    // which is sameName when a directory of the same name came before it in its parent.
    qsizetype registerSubdirectory(QByteArray path, Node child, qsizetype sameName);
    // The index in m_known of the directory at that path; -1 when none is known.
    qsizetype knownIndexOf(const QByteArray &path);
    Node nodeAt(const QByteArray &path);
    Node detailedNodeAt(const QByteArray &path);
    // Where a file's bytes lie; throws ImageError when the path names a directory.
    ImageContent fileContent(const QByteArray &path);

    std::shared_ptr<const ImageSectors> m_sectors;
    QString m_label;
    // Each directory met so far, and the one that owns each directory location: a second path to
    // the same location is a loop (or a cross-link, which a walk would repeat). The index by path
    // is made only when a path is asked for: a walk needs none.
    std::deque<Directory> m_known;
    QHash<quint64, qsizetype> m_owners;
    QHash<QByteArray, qsizetype> m_byPath;
    qsizetype m_indexed = 0; // how many of m_known m_byPath holds
    // The last listing, so that opening the files of one directory one by one reads it once.
    QByteArray m_lastListed;
    QList<Node> m_lastListing;
};
