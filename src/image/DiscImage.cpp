#include "image/DiscImage.h"

#include "image/ImageError.h"
#include "image/ImageFileDevice.h"
#include "image/ImageSectors.h"
#include "image/IsoImage.h"
#include "image/OrderedWork.h"
#include "image/UdfImage.h"

#include <algorithm>
#include <iterator>

namespace {

// Without the slashes at either end, so that "/A/", "A/" and "A" name the same directory.
QByteArray normalised(const QByteArray &path)
{
    qsizetype start = 0;
    qsizetype end = path.size();
    while (start < end && path[start] == '/')
        ++start;
    while (end > start && path[end - 1] == '/')
        --end;
    return path.mid(start, end - start);
}

// The paths of a directory's subdirectories.
QList<QByteArray> childPaths(const QByteArray &parent, const QList<ImageNode> &subdirectories)
{
    QList<QByteArray> paths;
    paths.reserve(subdirectories.size());
    for (const ImageNode &child : subdirectories)
        paths.append(parent.isEmpty() ? child.entry.name : parent + '/' + child.entry.name);
    return paths;
}

// For each of a directory's subdirectories, the index of the first one before it of the same name,
// or -1. A second directory of a name cannot be reached by path: the first one stands for it.
std::vector<qsizetype> earlierOfSameName(const QList<ImageNode> &subdirectories)
{
    // Folders hold few subdirectories, which are compared pairwise; many are looked up.
    constexpr qsizetype PairwiseUpTo = 32;
    std::vector<qsizetype> earlier(std::size_t(subdirectories.size()), -1);
    QHash<QByteArrayView, qsizetype> firsts;
    for (qsizetype i = 0; i < subdirectories.size(); ++i) {
        const QByteArray &name = subdirectories[i].entry.name;
        if (subdirectories.size() <= PairwiseUpTo) {
            for (qsizetype j = 0; j < i && earlier[std::size_t(i)] < 0; ++j) {
                if (subdirectories[j].entry.name == name)
                    earlier[std::size_t(i)] = j;
            }
        } else if (const auto first = firsts.constFind(name); first != firsts.cend()) {
            earlier[std::size_t(i)] = *first;
        } else {
            firsts.insert(name, i);
        }
    }
    return earlier;
}

} // namespace

std::unique_ptr<DiscImage> DiscImage::open(const QByteArray &nativePath)
{
    auto sectors = std::make_shared<const ImageSectors>(nativePath);
    if (UdfImage::isPresent(*sectors))
        return std::make_unique<UdfImage>(std::move(sectors));
    return std::make_unique<IsoImage>(std::move(sectors));
}

DiscImage::DiscImage(std::shared_ptr<const ImageSectors> sectors, QString label, Node root)
    : m_sectors(std::move(sectors)), m_label(std::move(label))
{
    m_owners.insert(root.location, 0);
    m_known.push_back({QByteArray(), std::move(root)});
}

DiscImage::~DiscImage() = default;

QList<ImageEntry> DiscImage::readDirectory(const QByteArray &path)
{
    QList<ImageEntry> entries;
    const QByteArray key = normalised(path);
    const QList<Node> nodes = listDirectory(directoryAt(key), key);
    entries.reserve(nodes.size());
    for (Node node : nodes) {
        if (!node.entry.detailed)
            readDetails(node);
        entries.append(std::move(node.entry));
    }
    return entries;
}

ImageListing DiscImage::readNames(const QByteArray &path)
{
    const QByteArray key = normalised(path);
    ImageListing names;
    QList<Node> subdirectories;
    listNames(directoryAt(key), names, subdirectories);
    registerSubdirectories(key, subdirectories);
    return names;
}

void DiscImage::walk(const std::function<void(WalkedDirectory &&)> &reached)
{
    struct Listed
    {
        QByteArray path;
        ImageListing names;
        QList<Node> subdirectories;
        QList<QByteArray> subdirectoryPaths;
    };
    // The registering happens as each directory is handed on, in walk order, so that a loop
    // before a directory that failed to read is what gets reported. A directory reached by two
    // names is walked twice.
    runInOrder(
        std::vector<Directory>{m_known.front()},
        [this](Directory &&directory) {
            Listed out;
            listNames(directory.node, out.names, out.subdirectories);
            out.subdirectoryPaths = childPaths(directory.path, out.subdirectories);
            out.path = std::move(directory.path);
            return out;
        },
        [&](Listed &&in) {
            const std::vector<qsizetype> next =
                registerSiblings(std::move(in.subdirectoryPaths), std::move(in.subdirectories));
            reached({std::move(in.path), std::move(in.names)});
            std::vector<Directory> toWalk;
            toWalk.reserve(next.size());
            for (const qsizetype index : next)
                toWalk.push_back(m_known[std::size_t(index)]);
            return toWalk;
        });
}

std::vector<DiscImage::WalkedDirectory> DiscImage::walk()
{
    std::vector<WalkedDirectory> walked;
    walk([&](WalkedDirectory &&directory) { walked.push_back(std::move(directory)); });
    return walked;
}

ImageEntry DiscImage::entryAt(const QByteArray &path)
{
    return detailedNodeAt(normalised(path)).entry;
}

QByteArray DiscImage::readFile(const QByteArray &path, qint64 maxBytes)
{
    return contentFront(*m_sectors, fileContent(path), maxBytes);
}

std::unique_ptr<QIODevice> DiscImage::openFile(const QByteArray &path)
{
    return std::make_unique<ImageFileDevice>(m_sectors, fileContent(path));
}

QByteArray DiscImage::readContent(const ImageContent &content) const
{
    return contentFront(*m_sectors, content, qint64(content.size));
}

ImageContent DiscImage::fileContent(const QByteArray &path)
{
    const QByteArray key = normalised(path);
    Node node = detailedNodeAt(key);
    if (node.entry.isDirectory())
        throw ImageError(ImageFault::NotFound, QString::fromUtf8(key));
    return std::move(node.content);
}

DiscImage::Node DiscImage::directoryAt(const QByteArray &path)
{
    if (const qsizetype known = knownIndexOf(path); known >= 0)
        return m_known[std::size_t(known)].node;
    const Node node = nodeAt(path);
    if (!node.entry.isDirectory())
        throw ImageError(ImageFault::NotADirectory, QString::fromUtf8(path));
    // nodeAt() listed the parent, which registered every directory in it.
    return m_known[std::size_t(knownIndexOf(path))].node;
}

DiscImage::Node DiscImage::nodeAt(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray parent = slash < 0 ? QByteArray() : path.left(slash);
    const QByteArray name = path.mid(slash + 1);
    if (!path.isEmpty() && !name.isEmpty()) {
        const QList<Node> siblings = listDirectory(directoryAt(parent), parent);
        for (const Node &node : siblings) {
            if (node.entry.name == name)
                return node;
        }
    }
    throw ImageError(ImageFault::NotFound, QString::fromUtf8(path));
}

DiscImage::Node DiscImage::detailedNodeAt(const QByteArray &path)
{
    Node node = nodeAt(path);
    if (!node.entry.detailed)
        readDetails(node);
    return node;
}

void DiscImage::listNames(const Node &directory, ImageListing &names, QList<Node> &subdirectories)
{
    for (Node &child : childNodes(directory)) {
        names.append(child.entry.name, child.entry.kind, child.entry.detailed);
        if (child.entry.isDirectory())
            subdirectories.append(std::move(child));
    }
}

void DiscImage::readDetails(Node &) {}

QList<DiscImage::Node> DiscImage::listDirectory(const Node &directory, const QByteArray &path)
{
    if (!m_lastListing.isEmpty() && path == m_lastListed)
        return m_lastListing;
    QList<Node> children = childNodes(directory);
    registerSubdirectories(path, children);
    m_lastListed = path;
    m_lastListing = children;
    return children;
}

void DiscImage::registerSubdirectories(const QByteArray &path, const QList<Node> &children)
{
    QList<Node> subdirectories;
    std::copy_if(children.cbegin(), children.cend(), std::back_inserter(subdirectories),
                 [](const Node &child) { return child.entry.isDirectory(); });
    QList<QByteArray> paths = childPaths(path, subdirectories);
    registerSiblings(std::move(paths), std::move(subdirectories));
}

std::vector<qsizetype> DiscImage::registerSiblings(QList<QByteArray> paths,
                                                   QList<Node> subdirectories)
{
    const std::vector<qsizetype> earlier = earlierOfSameName(subdirectories);
    std::vector<qsizetype> reached;
    reached.reserve(earlier.size());
    for (qsizetype i = 0; i < subdirectories.size(); ++i) {
        const qsizetype same = earlier[std::size_t(i)];
        reached.push_back(registerSubdirectory(std::move(paths[i]), std::move(subdirectories[i]),
                                               same < 0 ? -1 : reached[std::size_t(same)]));
    }
    return reached;
}

qsizetype DiscImage::registerSubdirectory(QByteArray path, Node child, qsizetype sameName)
{
    if (const auto owner = m_owners.constFind(child.location); owner != m_owners.cend()) {
        if (m_known[std::size_t(*owner)].path != path)
            throw ImageError(ImageFault::Loop);
        return *owner;
    }
    if (sameName >= 0)
        return sameName;
    const auto index = qsizetype(m_known.size());
    m_owners.insert(child.location, index);
    m_known.push_back({std::move(path), std::move(child)});
    return index;
}

qsizetype DiscImage::knownIndexOf(const QByteArray &path)
{
    for (; m_indexed < qsizetype(m_known.size()); ++m_indexed)
        m_byPath.insert(m_known[std::size_t(m_indexed)].path, m_indexed);
    return m_byPath.value(path, -1);
}
