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
