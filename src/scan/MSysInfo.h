#pragma once

#include "platform/DriveTable.h"

#include <QObject>
#include <QString>

// Memory figures in bytes; miFreeMem is the available share in percent.
struct TMemoryInfo
{
    int miFreeMem = 0;
    qint64 miTotalPhys = 0;
    qint64 miFreePhys = 0;
    qint64 miTotalPageFile = 0;
    qint64 miFreePageFile = 0;
    qint64 miTotalVirtual = 0;
    qint64 miFreeVirtual = 0;
    int miPageSize = 0;
    int miAllocationGranularity = 0;
};

struct TProcessorInfo
{
    int cpuArchitecture = 0;
    int cpuType = 0;
    quint32 cpuActiveMask = 0;
    int cpuNumber = 0;
    int cpuLevel = 0;
    int cpuRevision = 0;
    QString cpuVendor;
    QString cpuVendorID;
};

struct TSystemInfo
{
    int osMajorVersion = 0;
    int osMinorVersion = 0;
    int osBuildNumber = 0;
    int osPlatformId = 0;
    QString osCSDVersion;
    quintptr osMinApplicationAddress = 0;
    quintptr osMaxApplicationAddress = 0;
    QString uiOrganization;
    QString uiOwner;
    QString osVersionName;
    QString osSerial;
    QString osUser;
    QString uiComputer;
};

// Screen, sound and peripheral facts. The core library has no display and Linux keeps no such
// device descriptions, so they keep the fallbacks: "?" for a missing description entry, empty for
// a device or description source that is not there.
struct TDeviceInfo
{
    int dsScreenWidth = 0;
    int dsScreenHeight = 0;
    int dsResolution = 0;
    QString dsDisplayDevice = QStringLiteral("?");
    QString sdWaveOut, sdWaveIn, sdMIDIOut, sdMIDIIn, sdAUX, sdMixer, sdSoundDevice;
    QString ppMouse = QStringLiteral("?");
    QString ppPrinter;
    QString ppMonitor;
};

// Facts about the machine and one drive, gathered once at construction. Only writing diSign
// gathers again, the disk facts of the drive it names.
class TMSysInfo final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(quint16 diDiskCount READ diDiskCount CONSTANT)
    Q_PROPERTY(QString diAvailableDisks READ diAvailableDisks CONSTANT)
    Q_PROPERTY(QChar diSign READ diSign WRITE setDiSign)
    Q_PROPERTY(int diMediaType READ diMediaType)
    Q_PROPERTY(qint64 diSectorsPerCluster READ diSectorsPerCluster)
    Q_PROPERTY(qint64 diBytesPerSector READ diBytesPerSector)
    Q_PROPERTY(qint64 diTotalClusters READ diTotalClusters)
    Q_PROPERTY(qint64 diTotalSpace READ diTotalSpace)
    Q_PROPERTY(qint64 diFreeSpace READ diFreeSpace)
    Q_PROPERTY(bool diCompressed READ diCompressed)
    Q_PROPERTY(QString diFileSystem READ diFileSystem)
    Q_PROPERTY(qint32 diSerialNumber READ diSerialNumber)
    Q_PROPERTY(QString diVolumeLabel READ diVolumeLabel)

public:
    explicit TMSysInfo(const DriveTable &drives, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TMSysInfo)

    quint16 diDiskCount() const { return m_diskCount; }
    QString diAvailableDisks() const { return m_availableDisks; }
    QChar diSign() const { return m_sign; }
    // Upper-cases the letter and gathers the disk facts of that drive.
    void setDiSign(QChar letter);

    int diMediaType() const { return m_mediaType; }
    qint64 diSectorsPerCluster() const { return m_sectorsPerCluster; }
    qint64 diBytesPerSector() const { return m_bytesPerSector; }
    qint64 diTotalClusters() const { return m_totalClusters; }
    qint64 diTotalSpace() const { return m_totalSpace; }
    qint64 diFreeSpace() const { return m_freeSpace; }
    bool diCompressed() const { return m_compressed; }
    QString diFileSystem() const { return m_fileSystem; }
    qint32 diSerialNumber() const { return m_serialNumber; }
    QString diVolumeLabel() const { return m_volumeLabel; }

    const TMemoryInfo &memory() const { return m_memory; }
    const TProcessorInfo &processor() const { return m_processor; }
    const TSystemInfo &system() const { return m_system; }
    const TDeviceInfo &devices() const { return m_devices; }

private:
    void countDisks();

    const DriveTable &m_drives;
    quint16 m_diskCount = 0;
    QString m_availableDisks;
    QChar m_sign;
    int m_mediaType = 0;
    qint64 m_sectorsPerCluster = -1;
    qint64 m_bytesPerSector = -1;
    qint64 m_totalClusters = -1;
    qint64 m_totalSpace = -1;
    qint64 m_freeSpace = -1;
    bool m_compressed = false;
    QString m_fileSystem;
    qint32 m_serialNumber = 0;
    QString m_volumeLabel;
    TMemoryInfo m_memory;
    TProcessorInfo m_processor;
    TSystemInfo m_system;
    TDeviceInfo m_devices;
};
