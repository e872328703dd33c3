#pragma once

#include "platform/NativePath.h"
#include "scan/PathListing.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

// Lists the files of a directory, or of the whole tree below it breadth-first, as program paths.
class TFindFile : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Recurse READ recurse WRITE setRecurse)
    Q_PROPERTY(QString Directory READ directory WRITE setDirectory)
    Q_PROPERTY(QString Filter READ filter WRITE setFilter)
    Q_PROPERTY(QStringList Files READ files WRITE setFiles)
    Q_PROPERTY(TAttrOptions Attributes READ attributes WRITE setAttributes)

public:
    // Kinds of entries a run may list, one attribute bit each.
    enum TAttrOption
    {
        ffReadOnly = 1,
        ffHidden = 2,
        ffSystem = 4,
        ffVolumeID = 8,
        ffDirectory = 16,
        ffArchive = 32,
    };
    Q_DECLARE_FLAGS(TAttrOptions, TAttrOption)
    Q_FLAG(TAttrOptions)

    // Called for each directory (ending in "\") before its files are listed. The handler gets the
    // abort flag, which outlives the run, and may set or clear it. A callback rather than a signal
    // because of that in-out argument.
    using TNewPathEvent =
        std::function<void(TFindFile &sender, const QString &newPath, bool &abort)>;

    explicit TFindFile(const PathMapper &paths, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TFindFile)

    bool recurse() const { return m_recurse; }
    void setRecurse(bool recurse) { m_recurse = recurse; }
    QString directory() const { return m_directory; }
    void setDirectory(const QString &directory) { m_directory = directory; }
    QString filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }
    // The listing as strings; listing() is the compact form that large scans use.
    QStringList files() const { return m_listing->toStringList(); }
    void setFiles(const QStringList &files);
    // Each run makes a new listing, so one taken from a run stays as it was.
    std::shared_ptr<const PathListing> listing() const { return m_listing; }
    TAttrOptions attributes() const { return m_attributes; }
    void setAttributes(TAttrOptions attributes) { m_attributes = attributes; }
    void setOnNewPath(TNewPathEvent handler) { m_onNewPath = std::move(handler); }

    // Replaces Files by the listing of Directory with the current settings.
    virtual void Execute();
    // The same through other paths, such as ones over a snapshot of the drives.
    void Execute(const PathMapper &paths);

Q_SIGNALS:
    void BeforeExecute(TFindFile *finder);
    void AfterExecute(TFindFile *finder);

private:
    void walk(const PathMapper &paths, const QString &start);

    const PathMapper &m_paths;
    bool m_recurse = false;
    QString m_directory;
    QString m_filter;
    std::shared_ptr<PathListing> m_listing = std::make_shared<PathListing>();
    TAttrOptions m_attributes;
    TNewPathEvent m_onNewPath;
    bool m_abort = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TFindFile::TAttrOptions)
