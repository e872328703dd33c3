#pragma once

#include "platform/NativePath.h"

#include <QIcon>
#include <QTreeWidget>

#include <array>
#include <functional>

// What a drive or directory node knows of itself.
struct TDirEntry
{
    QString Path;         // program path ending in "\", letters a to z upper-cased
    bool Scanned = false; // the subdirectories have been read
};

// A tree of the drives' directories: one root per drive, children read when a node is expanded
// or all at once by ExpandAll. Nodes hold directories only, children in one fixed
// case-insensitive order. Links to directories show as nodes that are never entered, so no
// walk can loop. Placeholder children ("**" when a probe found a subdirectory, empty for a root
// that was not probed) carry no entry and only make their parent expandable.
//
// The control counts as created at its first use (a write of Directory, SelectDrive, LoadDrive,
// ReadAllDrives or ExpandAll); with ReadOnStart it then reads all drive roots first. Until then
// the property setters do not touch the drives. Of the events only OnAddDir is offered: entries
// live and die with their items, icons come from the theme, and directories are always listed
// by the file system, so there is nothing to hook for deleting, icons or enumeration.
class TDirTree final : public QTreeWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Directory READ directory WRITE setDirectory)
    Q_PROPERTY(bool ReadOnStart READ readOnStart WRITE setReadOnStart)
    Q_PROPERTY(TDirType DirType READ dirType WRITE setDirType)
    Q_PROPERTY(bool AllowNetwork READ allowNetwork WRITE setAllowNetwork)
    Q_PROPERTY(bool GoBelowRecycleBin READ goBelowRecycleBin WRITE setGoBelowRecycleBin)
    Q_PROPERTY(bool FastLoad READ fastLoad WRITE setFastLoad)

public:
    // Attribute filter. Linux directories are hidden when their name starts with "."; they
    // carry no system or archive bit, and the read-only bit is never consulted.
    enum TDirAttr
    {
        dtReadOnly = 1,
        dtHidden = 2,
        dtSystem = 4,
        dtArchive = 8,
        dtNormal = 16,
        dtAll = 32,
    };
    Q_DECLARE_FLAGS(TDirType, TDirAttr)
    Q_FLAG(TDirType)

    // Asked for each drive root and directory that passed the recycle rule, with its program
    // path ending in "\"; clearing doAdd drops it. A callback for the in-out argument.
    using TAddFileEvent =
        std::function<void(TDirTree &sender, const QString &fileName, bool &doAdd)>;

    TDirTree(const DriveTable &drives, const PathMapper &paths, QWidget *parent = nullptr);
    ~TDirTree() override;
    Q_DISABLE_COPY_MOVE(TDirTree)

    // The entry of a drive or directory node; null for placeholders and foreign items.
    static const TDirEntry *dirEntry(const QTreeWidgetItem *item);

    // Path of the selected node: "?" when nothing is selected, empty for a placeholder.
    QString directory() const;
    // Walks from the drive root down to the path, reading each node on the way, and selects it.
    // Throws AppError for an empty path; "?" does nothing.
    void setDirectory(const QString &path);
    bool readOnStart() const { return m_readOnStart; }
    void setReadOnStart(bool readOnStart) { m_readOnStart = readOnStart; }
    TDirType dirType() const { return m_dirType; }
    void setDirType(TDirType dirType);
    bool allowNetwork() const { return m_allowNetwork; }
    void setAllowNetwork(bool allowNetwork);
    bool goBelowRecycleBin() const { return m_goBelowRecycleBin; }
    void setGoBelowRecycleBin(bool goBelowRecycleBin);
    bool fastLoad() const { return m_fastLoad; }
    void setFastLoad(bool fastLoad) { m_fastLoad = fastLoad; }
    void setOnAddDir(TAddFileEvent handler) { m_onAddDir = std::move(handler); }

    // One root per present drive.
    void ReadAllDrives();
    // Replaces the tree by the root of one drive ("d:\"), under caption, or under the root path
    // when caption is "0". An absent drive leaves the tree empty.
    void LoadDrive(const QString &root, const QString &caption);
    void ClearTree();
    // Selects the directory last selected on that drive, unless the selection is on it already.
    void SelectDrive(QChar letter);
    // Reads every directory below every root and expands all nodes.
    void ExpandAll();
    // Replaces the node's children by its subdirectories, once.
    void ReadChildren(QTreeWidgetItem *item);
    // Gives an unread node a "**" child when it has a subdirectory to show.
    void ProbeChildren(QTreeWidgetItem *item);
    // Reads all drives again and selects the same directory, or the nearest that still exists.
    void Reread();

private:
    void ensureCreated();
    void rebuildRoots(const std::function<void()> &addRoots);
    void addRoot(QChar letter, const QString &text);
    void expandNode(QTreeWidgetItem *item);
    void rememberSelection(QTreeWidgetItem *current);
    bool admits(const QString &path);
    bool attributesPass(QByteArrayView name) const;
    QTreeWidgetItem *childWithPath(QTreeWidgetItem *parent, QStringView path) const;
    QChar currentDriveLetter() const;
    QIcon driveIcon(DriveType type) const;

    const DriveTable &m_drives;
    const PathMapper &m_paths;
    bool m_readOnStart = true;
    TDirType m_dirType = TDirType(dtNormal | dtAll);
    bool m_allowNetwork = true;
    bool m_goBelowRecycleBin = true;
    bool m_fastLoad = false;
    TAddFileEvent m_onAddDir;
    bool m_created = false;
    bool m_ready = false;
    bool m_expandingAll = false;
    std::array<QString, 26> m_lastDirectory; // per drive letter A to Z
    QIcon m_folderIcon;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TDirTree::TDirType)
