#pragma once

#include <QChar>
#include <QList>
#include <QString>

#include <optional>

// Drive kinds, numbered as the program's drive captions and counts expect.
enum class DriveType : int
{
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Network = 4,
    CdRom = 5,
    RamDisk = 6,
};

// One drive letter and the volume behind it.
struct Drive
{
    QChar letter; // lower case, 'c' to 'z'
    DriveType type = DriveType::Unknown;
    QByteArray mountPoint; // native root directory; empty while the drive holds no medium
    QString label;         // volume label as recorded on the medium; empty when none or unreadable
    QString networkName;   // "\\server\share" for network drives, else empty
    QString device;        // mount source, for example "/dev/sr0"
    QString fileSystem;    // file-system type, for example "iso9660"
    // Mount points of other volumes inside this one, native, each ending in "/". A walk of this
    // drive lists them but never enters them: their files belong to their own letters, and a
    // pseudo file system or a hung share below "/" must not be read as part of c:.
    QList<QByteArray> otherVolumes;

    // Whether a native directory (ending in "/") lies on another volume than this drive's.
    bool isOtherVolume(QByteArrayView nativeDirectory) const;

    bool operator==(const Drive &) const = default;
};

// The drives the program offers, each under a letter that stays fixed while the program runs.
class DriveTable
{
public:
    virtual ~DriveTable() = default;

    // Reads the system's volumes again; drives seen before keep their letters.
    virtual void refresh() = 0;
    // The present drives in letter order.
    virtual QList<Drive> drives() const = 0;

    std::optional<Drive> drive(QChar letter) const;
    DriveType driveType(QChar letter) const;
};

// The drives as they were at one moment. A worker thread reads this instead of the live table,
// which the window thread rewrites when volumes come or go.
class DriveSnapshot final : public DriveTable
{
public:
    explicit DriveSnapshot(QList<Drive> drives) : m_drives(std::move(drives)) {}

    // A snapshot stays as it was taken.
    void refresh() override {}
    QList<Drive> drives() const override { return m_drives; }

private:
    const QList<Drive> m_drives;
};
