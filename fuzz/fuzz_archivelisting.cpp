#include "archive/ArchiveListing.h"
#include "FileInput.h"
#include "platform/DialogService.h"

#include <cstddef>
#include <cstdint>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

class CountingDialogs final : public DialogService
{
public:
    void warning(const QString &) override { ++shown; }
    void errorReport(const QString &) override { ++shown; }
    void plainMessage(const QString &) override { ++shown; }
    std::optional<QString> askDiscName(const QString &) override { return std::nullopt; }
    bool confirmDelete() override { return false; }

    int shown = 0;
};

} // namespace

// Besides surviving any input, the count must match the lines, each line must have the member
// line's form, and one notice at most tells of a damaged archive. An exception escapes and counts
// as a finding: the file is there and opens, so nothing may throw.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray path = inputAsFile(data, size);

    QStringList lines;
    CountingDialogs dialogs;
    const int count = ListArchiveMembers(u"d:\\FUZZ.7Z"_s, path, lines, dialogs);
    if (count != lines.size() || dialogs.shown > 1)
        __builtin_trap();
    if (!haveMemberLineForm(lines))
        __builtin_trap();
    return 0;
}
