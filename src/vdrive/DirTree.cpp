#include "vdrive/DirTree.h"

#include "base/AppError.h"
#include "base/BusyCursor.h"
#include "base/UpperAscii.h"
#include "devices/DriveCaption.h"
#include "vdrive/FolderTree.h"
#include "vdrive/Subdirectories.h"
#include "vdrive/UpdatesSuspended.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopedValueRollback>
#include <QScopeGuard>
#include <QStyle>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A drive or directory node. Besides its entry it keeps the native directory it is read from:
// the entry's path cannot lead there, since its letters a to z are upper-cased.
class DirItem final : public QTreeWidgetItem
{
public:
    static constexpr int ItemType = QTreeWidgetItem::UserType + 1;

    DirItem(const QString &text, const QString &path, QByteArray nativeDirectory)
        : QTreeWidgetItem(QStringList{text}, ItemType), entry{path, false},
          native(std::move(nativeDirectory))
    {}

    TDirEntry entry;
    QByteArray native; // ending in "/"; empty while the drive holds no medium
};

DirItem *dirItem(QTreeWidgetItem *item)
{
    return item && item->type() == DirItem::ItemType ? static_cast<DirItem *>(item) : nullptr;
}

QTreeWidgetItem *placeholder(const QString &text)
{
    return new QTreeWidgetItem(QStringList{text});
}

bool isDriveLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

std::size_t letterIndex(QChar letter)
{
    return std::size_t(letter.toUpper().unicode() - u'A');
}

QString rootOf(QChar letter)
{
    return letter.toUpper() + u":\\"_s;
}

// Linux has no Windows directory; the root volume stands in for it.
QString systemDirectory()
{
    return u"C:\\"_s;
}

std::optional<QString> currentDirectory(const PathMapper &paths)
{
    std::optional<QString> directory = paths.toProgram(QFile::encodeName(QDir::currentPath()));
    if (directory && (directory->isEmpty() || !isDriveLetter(directory->at(0))))
        return std::nullopt;
    return directory;
}

// The closed folder, and the opened one while the node is selected.
QIcon folderIcon(const QStyle &style)
{
    const int size = style.pixelMetric(QStyle::PM_SmallIconSize);
    const QIcon closed =
        QIcon::fromTheme(u"folder"_s, style.standardIcon(QStyle::SP_DirClosedIcon));
    const QIcon open =
        QIcon::fromTheme(u"folder-open"_s, style.standardIcon(QStyle::SP_DirOpenIcon));
    QIcon icon;
    icon.addPixmap(closed.pixmap(size), QIcon::Normal);
    icon.addPixmap(open.pixmap(size), QIcon::Selected);
    return icon;
}

} // namespace

TDirTree::TDirTree(const DriveTable &drives, const PathMapper &paths, QWidget *parent)
    : QTreeWidget(parent), m_drives(drives), m_paths(paths), m_folderIcon(folderIcon(*style()))
{
    setHeaderHidden(true);
    setSortingEnabled(false);
    setUniformRowHeights(true);
    for (std::size_t i = 0; i < m_lastDirectory.size(); ++i)
        m_lastDirectory[i] = rootOf(QChar(char16_t(u'A' + i)));
    if (const std::optional<QString> current = currentDirectory(m_paths))
        m_lastDirectory[letterIndex(current->at(0))] = upperAscii(*current);

    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
        if (!m_expandingAll)
            expandNode(item);
    });
    connect(this, &QTreeWidget::currentItemChanged, this, &TDirTree::rememberSelection);
}

TDirTree::~TDirTree()
{
    m_ready = false;
    ClearTree();
}

const TDirEntry *TDirTree::dirEntry(const QTreeWidgetItem *item)
{
    return item && item->type() == DirItem::ItemType ? &static_cast<const DirItem *>(item)->entry
                                                     : nullptr;
}

QString TDirTree::directory() const
{
    const QTreeWidgetItem *selected = currentItem();
    if (!selected)
        return u"?"_s;
    const TDirEntry *entry = dirEntry(selected);
    return entry ? entry->Path : QString();
}

void TDirTree::setDirectory(const QString &path)
{
    if (path.isEmpty())
        throw AppError(u"Invalid Directory Name"_s);
    if (path == u"?"_s)
        return;
    ensureCreated();

    QString target = path.endsWith(u'\\') ? path : path + u'\\';
    if (!programPathExists(m_paths, QStringView(target).chopped(1)))
        target = currentDriveLetter() + u":\\"_s;
    if (!m_allowNetwork && m_drives.driveType(target[0]) == DriveType::Network)
        target = systemDirectory();
    target = upperAscii(target);

    const BusyCursor busy;
    const UpdatesSuspended suspended(*this);
    QTreeWidgetItem *found = nullptr;
    for (qsizetype slash = target.indexOf(u'\\'); slash >= 0;
         slash = target.indexOf(u'\\', slash + 1)) {
        found = childWithPath(found, QStringView(target).first(slash + 1));
        if (!found)
            return;
        ReadChildren(found);
    }
    setCurrentItem(found);
    scrollToItem(found, QAbstractItemView::PositionAtTop);
}

void TDirTree::setDirType(TDirType dirType)
{
    if (dirType == m_dirType)
        return;
    m_dirType = dirType;
    Reread();
}

void TDirTree::setAllowNetwork(bool allowNetwork)
{
    if (allowNetwork == m_allowNetwork)
        return;
    m_allowNetwork = allowNetwork;
    Reread();
}

void TDirTree::setGoBelowRecycleBin(bool goBelowRecycleBin)
{
    if (goBelowRecycleBin == m_goBelowRecycleBin)
        return;
    m_goBelowRecycleBin = goBelowRecycleBin;
    Reread();
}

void TDirTree::ReadAllDrives()
{
    m_created = true;
    rebuildRoots([this] {
        for (const Drive &drive : m_drives.drives()) {
            if (m_allowNetwork || drive.type != DriveType::Network)
                addRoot(drive.letter, rootOf(drive.letter));
        }
    });
}

void TDirTree::LoadDrive(const QString &root, const QString &caption)
{
    ensureCreated();
    rebuildRoots([&] {
        const std::optional<Drive> drive = root.isEmpty() ? std::nullopt : m_drives.drive(root[0]);
        if (drive && (m_allowNetwork || drive->type != DriveType::Network))
            addRoot(drive->letter, caption == u"0"_s ? rootOf(drive->letter) : caption);
    });
}

void TDirTree::ClearTree()
{
    clear();
}

void TDirTree::SelectDrive(QChar letter)
{
    ensureCreated();
    if (!isDriveLetter(letter))
        return;
    const QString selected = directory();
    if (!selected.isEmpty() && selected[0].toUpper() == letter.toUpper())
        return;
    // Choosing a drive must work whatever its remembered directory does, so nothing escapes.
    try {
        QString path = m_lastDirectory[letterIndex(letter)];
        if (!programPathExists(m_paths, path))
            path = path.first(std::min<qsizetype>(3, path.size()));
        setDirectory(path);
    } catch (...) {
    }
}

void TDirTree::ExpandAll()
{
    ensureCreated();
    const BusyCursor busy;
    const UpdatesSuspended suspended(*this);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QCoreApplication::processEvents();
        QTreeWidgetItem *root = topLevelItem(i);
        if (!root)
            break;
        // Pre-order, each node's new children visited right after it. Every directory is read
        // once; probing it first would only add a placeholder that its reading removes again.
        std::vector<QTreeWidgetItem *> pending{root};
        while (!pending.empty()) {
            QTreeWidgetItem *item = pending.back();
            pending.pop_back();
            ReadChildren(item);
            for (int child = item->childCount(); child-- > 0;)
                pending.push_back(item->child(child));
        }
    }
    const QScopedValueRollback expanding(m_expandingAll, true);
    expandAll();
}

void TDirTree::ReadChildren(QTreeWidgetItem *item)
{
    DirItem *directory = dirItem(item);
    if (!directory || directory->entry.Scanned)
        return;
    qDeleteAll(directory->takeChildren());
    directory->entry.Scanned = true;

    const std::vector<Subdirectory> found = readSubdirectories(
        directory->native, directory->entry.Path, [this](const QString &path, QByteArrayView name) {
            return admits(path) && attributesPass(name);
        });

    // Another volume mounted below shows as a folder but is read through its own letter only.
    const Drive drive = m_drives.drive(directory->entry.Path[0]).value_or(Drive());
    QList<QTreeWidgetItem *> children;
    children.reserve(qsizetype(found.size()));
    for (const Subdirectory &subdirectory : found) {
        auto *child = new DirItem(subdirectory.text, upperAscii(subdirectory.path),
                                  directory->native + subdirectory.name + '/');
        // A link to a directory counts as read with nothing below, so no walk enters it.
        child->entry.Scanned = subdirectory.isLink || drive.isOtherVolume(child->native);
        child->setIcon(0, m_folderIcon);
        children.append(child);
    }
    directory->addChildren(children);
}

void TDirTree::ProbeChildren(QTreeWidgetItem *item)
{
    DirItem *directory = dirItem(item);
    // A node that shows a child already is expandable; a second probe would add a second "**".
    if (!directory || directory->entry.Scanned || directory->childCount() > 0)
        return;
    bool found = false;
    forEachSubdirectory(directory->native, [&](QByteArrayView name, bool) {
        found = admits(directory->entry.Path + programName(name) + u'\\') && attributesPass(name);
        return !found;
    });
    if (found)
        directory->addChild(placeholder(u"**"_s));
}

void TDirTree::Reread()
{
    if (!m_created)
        return;
    const QString remembered = directory();
    ReadAllDrives();
    setDirectory(remembered);
    if (topLevelItemCount() > 0 && !currentItem())
        setDirectory(remembered.first(std::min<qsizetype>(3, remembered.size())));
    if (topLevelItemCount() == 0 || currentItem())
        return;
    // Fall back to the remembered directory of the first root that was read, else of the last.
    try {
        int stop = 0;
        for (; stop + 1 < topLevelItemCount(); ++stop) {
            const QTreeWidgetItem *first = topLevelItem(stop)->child(0);
            const TDirEntry *entry = dirEntry(first);
            if (!first || (entry && entry->Scanned))
                break;
        }
        QTreeWidgetItem *root = topLevelItem(stop);
        const QString last = m_lastDirectory[letterIndex(dirEntry(root)->Path[0])];
        setDirectory(last);
        if (directory() != last)
            setCurrentItem(root);
    } catch (...) {
    }
}

void TDirTree::ensureCreated()
{
    if (m_created)
        return;
    m_created = true;
    if (m_readOnStart)
        ReadAllDrives();
}

void TDirTree::rebuildRoots(const std::function<void()> &addRoots)
{
    m_ready = false;
    const auto ready = qScopeGuard([this] { m_ready = true; });
    const BusyCursor busy;
    const UpdatesSuspended suspended(*this);
    ClearTree();
    QCoreApplication::processEvents();
    addRoots();
    if (QTreeWidgetItem *selected = currentItem())
        scrollToItem(selected, QAbstractItemView::PositionAtTop);
}

void TDirTree::addRoot(QChar letter, const QString &text)
{
    const QString root = rootOf(letter);
    if (!isDriveLetter(letter) || !admits(root))
        return;
    auto *item = new DirItem(text, root, m_paths.toNative(root).value_or(QByteArray()));
    const DriveType type = m_drives.driveType(letter);
    item->setIcon(0, driveIcon(type));
    addTopLevelItem(item);

    // Only the type is asked of a removable or optical drive, so loading never waits for a
    // slow or empty medium.
    const bool probe = !m_fastLoad && (type == DriveType::Fixed || type == DriveType::Network ||
                                       type == DriveType::RamDisk);
    if (probe)
        ProbeChildren(item);
    else
        item->addChild(placeholder(QString()));
}

void TDirTree::expandNode(QTreeWidgetItem *item)
{
    if (item->childCount() == 0)
        return;
    const BusyCursor busy;
    ReadChildren(item);
    for (int i = 0; i < item->childCount(); ++i)
        ProbeChildren(item->child(i));
}

void TDirTree::rememberSelection(QTreeWidgetItem *current)
{
    const TDirEntry *entry = dirEntry(current);
    if (!m_ready || !entry || entry->Path.isEmpty() || !isDriveLetter(entry->Path[0]))
        return;
    m_lastDirectory[letterIndex(entry->Path[0])] = upperAscii(entry->Path);
}

bool TDirTree::admits(const QString &path)
{
    // The recycle folder itself is listed, nothing below it.
    if (!m_goBelowRecycleBin) {
        const qsizetype at = path.toLower().indexOf(u"\\recycled\\"_s);
        if (at >= 0 && at < path.size() - 10)
            return false;
    }
    bool add = true;
    if (m_onAddDir)
        m_onAddDir(*this, path, add);
    return add;
}

bool TDirTree::attributesPass(QByteArrayView name) const
{
    if (m_dirType.testFlag(dtAll))
        return true;
    const bool hidden = name.startsWith('.');
    if (hidden && !m_dirType.testFlag(dtHidden))
        return false;
    return hidden || m_dirType.testFlag(dtNormal);
}

QTreeWidgetItem *TDirTree::childWithPath(QTreeWidgetItem *parent, QStringView path) const
{
    const int count = parent ? parent->childCount() : topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem *item = parent ? parent->child(i) : topLevelItem(i);
        const TDirEntry *entry = dirEntry(item);
        if (entry && QStringView(entry->Path).compare(path, Qt::CaseInsensitive) == 0)
            return item;
    }
    return nullptr;
}

QChar TDirTree::currentDriveLetter() const
{
    const std::optional<QString> current = currentDirectory(m_paths);
    return current ? current->at(0) : QChar(u'c');
}

QIcon TDirTree::driveIcon(DriveType type) const
{
    QStyle::StandardPixmap fallback = QStyle::SP_DriveHDIcon;
    switch (type) {
    case DriveType::Removable:
        fallback = QStyle::SP_DriveFDIcon;
        break;
    case DriveType::CdRom:
        fallback = QStyle::SP_DriveCDIcon;
        break;
    case DriveType::Network:
        fallback = QStyle::SP_DriveNetIcon;
        break;
    case DriveType::Unknown:
    case DriveType::NoRootDir:
    case DriveType::Fixed:
    case DriveType::RamDisk:
        break;
    }
    return QIcon::fromTheme(driveIconName(type), style()->standardIcon(fallback));
}
