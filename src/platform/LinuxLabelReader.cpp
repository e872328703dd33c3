#include "platform/LinuxLabelReader.h"

#include "platform/FileDescriptor.h"

#include <QDir>
#include <QFile>

#include <blkid/blkid.h>
#include <fcntl.h>
#include <libudev.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct UdevDeleter
{
    void operator()(udev *context) const { udev_unref(context); }
    void operator()(udev_device *device) const { udev_device_unref(device); }
};

struct ProbeDeleter
{
    void operator()(blkid_struct_probe *probe) const { blkid_free_probe(probe); }
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<QByteArray> udevLabel(int major, int minor)
{
    const std::unique_ptr<udev, UdevDeleter> context(udev_new());
    if (!context)
        return std::nullopt;
    const std::unique_ptr<udev_device, UdevDeleter> device(
        udev_device_new_from_devnum(context.get(), 'b', makedev(major, minor)));
    if (!device)
        return std::nullopt;
    const char *encoded = udev_device_get_property_value(device.get(), "ID_FS_LABEL_ENC");
    if (!encoded)
        return std::nullopt;
    return decodeUdevEscapes(encoded);
}

std::optional<QByteArray> byLabelLink(dev_t device)
{
    const QDir links(u"/dev/disk/by-label"_s);
    const QStringList names = links.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        struct stat target = {};
        const QByteArray path = QFile::encodeName(links.filePath(name));
        if (::stat(path.constData(), &target) == 0 && S_ISBLK(target.st_mode) &&
            target.st_rdev == device)
            return decodeUdevEscapes(QFile::encodeName(name));
    }
    return std::nullopt;
}

// Only block devices and image files are probed: opening anything else could have side effects.
QByteArray probedLabel(const QByteArray &devicePath)
{
    const FileDescriptor fd(::open(devicePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info = {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 ||
        !(S_ISBLK(info.st_mode) || S_ISREG(info.st_mode)))
        return {};
    const std::unique_ptr<blkid_struct_probe, ProbeDeleter> probe(blkid_new_probe());
    if (!probe || blkid_probe_set_device(probe.get(), fd.get(), 0, 0) != 0)
        return {};
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL);
    if (blkid_do_safeprobe(probe.get()) != 0)
        return {};
    const char *value = nullptr;
    size_t length = 0;
    if (blkid_probe_lookup_value(probe.get(), "LABEL", &value, &length) != 0 || !value)
        return {};
    // The reported length counts the terminating zero.
    return QByteArray(value, qsizetype(qstrnlen(value, length)));
}

} // namespace

QByteArray decodeUdevEscapes(QByteArrayView encoded)
{
    QByteArray result;
    result.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
            const int high = hexValue(encoded[i + 2]);
            const int low = hexValue(encoded[i + 3]);
            if (high >= 0 && low >= 0) {
                result.append(char(high * 16 + low));
                i += 3;
                continue;
            }
        }
        result.append(encoded[i]);
    }
    return result;
}

QString LinuxLabelReader::label(const QByteArray &devicePath, int major, int minor) const
{
    if (major > 0) {
        if (const std::optional<QByteArray> label = udevLabel(major, minor))
            return QString::fromUtf8(*label);
        if (const std::optional<QByteArray> label = byLabelLink(makedev(major, minor)))
            return QString::fromUtf8(*label);
    }
    if (devicePath.isEmpty())
        return {};
    return QString::fromUtf8(probedLabel(devicePath));
}
