#include "scan/MSysInfo.h"

#include <QFile>
#include <QHash>
#include <QSysInfo>

#include <pwd.h>
#include <sched.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// "Name: value" lines as in /proc/meminfo and /proc/cpuinfo; the first occurrence of a name wins,
// which for cpuinfo is the first processor.
QHash<QString, QString> readFacts(const QString &fileName)
{
    QHash<QString, QString> facts;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return facts;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QString name = QString::fromUtf8(line.first(colon)).trimmed();
        if (!facts.contains(name))
            facts.insert(name, QString::fromUtf8(line.sliced(colon + 1)).trimmed());
    }
    return facts;
}

qint64 leadingNumber(QStringView text)
{
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit())
        ++digits;
    return text.first(digits).toLongLong();
}

// /proc/meminfo counts in kB; the first number of the value is taken.
qint64 kibibytes(const QHash<QString, QString> &meminfo, const QString &name)
{
    return leadingNumber(meminfo.value(name)) * 1024;
}

TMemoryInfo gatherMemory()
{
    const QHash<QString, QString> meminfo = readFacts(u"/proc/meminfo"_s);
    TMemoryInfo memory;
    memory.miTotalPhys = kibibytes(meminfo, u"MemTotal"_s);
    memory.miFreePhys = kibibytes(meminfo, u"MemAvailable"_s);
    memory.miTotalPageFile = kibibytes(meminfo, u"SwapTotal"_s);
    memory.miFreePageFile = kibibytes(meminfo, u"SwapFree"_s);
    if (memory.miTotalPhys > 0)
        memory.miFreeMem = int(memory.miFreePhys * 100 / memory.miTotalPhys);
    // The kernel maps memory in whole pages, so the page is also the allocation granularity.
    memory.miPageSize = int(::sysconf(_SC_PAGESIZE));
    memory.miAllocationGranularity = memory.miPageSize;
    return memory;
}

TProcessorInfo gatherProcessor(QStringView machine)
{
    const QHash<QString, QString> cpuinfo = readFacts(u"/proc/cpuinfo"_s);
    TProcessorInfo processor;
    // The numeric architecture and processor-type codes the component reports.
    if (machine == u"x86_64") {
        processor.cpuArchitecture = 9;
        processor.cpuType = 8664;
    } else if (machine.size() == 4 && machine.startsWith(u'i') && machine.endsWith(u"86")) {
        processor.cpuType = 586;
    } else if (machine == u"aarch64") {
        processor.cpuArchitecture = 12;
    } else if (machine.startsWith(u"arm")) {
        processor.cpuArchitecture = 5;
    } else {
        processor.cpuArchitecture = 0xFFFF;
    }
    processor.cpuNumber = int(::sysconf(_SC_NPROCESSORS_ONLN));
    cpu_set_t active;
    CPU_ZERO(&active);
    if (::sched_getaffinity(0, sizeof active, &active) == 0) {
        for (int cpu = 0; cpu < 32; ++cpu) {
            if (CPU_ISSET(cpu, &active))
                processor.cpuActiveMask |= 1u << cpu;
        }
    }
    processor.cpuLevel = int(leadingNumber(cpuinfo.value(u"cpu family"_s)));
    processor.cpuRevision = int(leadingNumber(cpuinfo.value(u"model"_s)) << 8 |
                                leadingNumber(cpuinfo.value(u"stepping"_s)));
    processor.cpuVendor = cpuinfo.value(u"vendor_id"_s, u"?"_s);
    processor.cpuVendorID = cpuinfo.value(u"model name"_s, u"?"_s);
    return processor;
}

QString userName()
{
    const passwd *entry = ::getpwuid(::geteuid());
    QString name = entry ? QString::fromLocal8Bit(entry->pw_name) : qEnvironmentVariable("USER");
    return name.isEmpty() ? u".Default"_s : name;
}

TSystemInfo gatherSystem(const utsname &kernel)
{
    TSystemInfo system;
    const QString release = QString::fromLocal8Bit(kernel.release);
    const QList<QStringView> numbers = QStringView(release).split(u'.');
    system.osMajorVersion = int(leadingNumber(numbers.value(0)));
    system.osMinorVersion = int(leadingNumber(numbers.value(1)));
    system.osBuildNumber = int(leadingNumber(numbers.value(2)));
    system.osCSDVersion = QString::fromLocal8Bit(kernel.version);
    system.osVersionName = QSysInfo::prettyProductName();
    system.osUser = userName();
    system.uiComputer = QSysInfo::machineHostName();
    return system;
}

} // namespace

TMSysInfo::TMSysInfo(const DriveTable &drives, QObject *parent) : QObject(parent), m_drives(drives)
{
    countDisks();
    m_memory = gatherMemory();
    utsname kernel{};
    ::uname(&kernel);
    m_processor = gatherProcessor(QString::fromLatin1(kernel.machine));
    m_system = gatherSystem(kernel);
    setDiSign(u'C');
}

void TMSysInfo::countDisks()
{
    m_diskCount = 0;
    m_availableDisks.clear();
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        if (int(m_drives.driveType(QChar(letter))) > int(DriveType::NoRootDir)) {
            ++m_diskCount;
            m_availableDisks.append(QChar(letter));
        }
    }
}

void TMSysInfo::setDiSign(QChar letter)
{
    m_sign = letter.toUpper();
    m_mediaType = int(m_drives.driveType(m_sign));
    m_sectorsPerCluster = m_bytesPerSector = m_totalClusters = -1;
    m_totalSpace = m_freeSpace = -1;
    m_compressed = false;
    m_fileSystem = m_volumeLabel = u"?"_s;
    m_serialNumber = 0;

    const std::optional<Drive> drive = m_drives.drive(m_sign);
    struct statvfs volume;
    if (!drive || drive->mountPoint.isEmpty() ||
        ::statvfs(drive->mountPoint.constData(), &volume) != 0)
        return;
    // A file-system block counts as a cluster of one sector; the products give the sizes in bytes
    // whatever the block size, as 64-bit values.
    m_bytesPerSector = qint64(volume.f_frsize);
    m_sectorsPerCluster = 1;
    m_totalClusters = qint64(volume.f_blocks);
    m_totalSpace = m_totalClusters * m_bytesPerSector;
    m_freeSpace = qint64(volume.f_bavail) * m_bytesPerSector;
    m_fileSystem = drive->fileSystem;
    m_volumeLabel = drive->label;
}
