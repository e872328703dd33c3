#include "archive/ZipLst32.h"
#include "platform/DialogService.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

class SilentDialogs final : public DialogService
{
public:
    void warning(const QString &) override {}
    void errorReport(const QString &) override {}
    void plainMessage(const QString &) override {}
    std::optional<QString> askDiscName(const QString &) override { return std::nullopt; }
    bool confirmDelete() override { return false; }
};

// One file in memory for all runs, opened by path as the scan opens a file on a disc.
int memoryFile()
{
    static const int fd = ::memfd_create("fuzz_ziplst32", MFD_CLOEXEC);
    return fd;
}

} // namespace

// Besides surviving any input, the count must match the lines, and each line must have the member
// line's form. An exception escapes and counts as a finding: the file neither goes missing nor
// changes while it is listed, so neither the open nor a move past member data may fail.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const int fd = memoryFile();
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        __builtin_trap();
    static const QByteArray path = "/proc/self/fd/" + QByteArray::number(fd);

    QStringList lines;
    SilentDialogs dialogs;
    const int count = ListZipMembers(u"d:\\FUZZ.ZIP"_s, path, lines, dialogs);
    if (count != lines.size())
        __builtin_trap();
    for (const QString &line : lines) {
        if (!line.endsWith(u" Byte ") || line.size() < 14)
            __builtin_trap();
    }
    return 0;
}
