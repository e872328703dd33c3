#include "vdrive/FolderTree.h"

#include "platform/NativePath.h"
#include "platform/TextCodec.h"
#include "vdrive/Subdirectories.h"

#include <algorithm>

namespace {

// Names are shown and stored as UTF-8 when valid, else as Windows-1252 like other text from
// discs; the lossless form of a name lives in the node's path.
QString displayName(QByteArrayView name)
{
    if (std::all_of(name.begin(), name.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) < 0x80; }))
        return QString::fromLatin1(name);
    return decodeText(name, SingleByteFallback::Windows1252);
}

// Names equal but for case go by exact text, then bytes.
bool inTreeOrder(const Subdirectory &a, const Subdirectory &b)
{
    if (const int folded = QString::compare(a.text, b.text, Qt::CaseInsensitive))
        return folded < 0;
    if (const int exact = QString::compare(a.text, b.text, Qt::CaseSensitive))
        return exact < 0;
    return a.name < b.name;
}

} // namespace

std::vector<Subdirectory> readSubdirectories(const QByteArray &nativeDirectory,
                                             const QString &parentPath,
                                             const SubdirectoryFilter &admit)
{
    std::vector<Subdirectory> found;
    forEachSubdirectory(nativeDirectory, [&](QByteArrayView name, bool isLink) {
        QString path = parentPath + programName(name) + u'\\';
        if (admit(path, name))
            found.push_back({displayName(name), std::move(path), name.toByteArray(), isLink});
        return true;
    });
    std::sort(found.begin(), found.end(), inTreeOrder);
    return found;
}

QList<TreeLine> snapshotDrive(const Drive &drive, const QString &caption)
{
    QList<TreeLine> lines;
    if (drive.type == DriveType::Network)
        return lines;
    const auto admitAll = [](const QString &, QByteArrayView) { return true; };
    struct Pending
    {
        int level;
        QByteArray native; // ending in "/"; empty for a leaf
        QString path;
        QString text;
    };
    // A drive without a medium is stored as its root alone.
    QByteArray root = drive.mountPoint;
    if (!root.isEmpty() && !root.endsWith('/'))
        root += '/';
    std::vector<Pending> pending{
        {0, root, drive.letter.toUpper() + QStringLiteral(":\\"), caption}};
    while (!pending.empty()) {
        Pending node = std::move(pending.back());
        pending.pop_back();
        lines.append({node.level, node.text});
        if (node.native.isEmpty())
            continue;
        const std::vector<Subdirectory> children =
            readSubdirectories(node.native, node.path, admitAll);
        for (auto child = children.rbegin(); child != children.rend(); ++child) {
            QByteArray native = node.native + child->name + '/';
            // A link or another volume is listed but never entered, so no walk loops or strays.
            if (child->isLink || drive.isOtherVolume(native))
                native.clear();
            pending.push_back({node.level + 1, std::move(native), child->path, child->text});
        }
    }
    return lines;
}
