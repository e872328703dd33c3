#include "archive/ZipLst32.h"
#include "CountingDialogs.h"
#include "FileInput.h"

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

// Besides surviving any input, the count must match the lines, and each line must have the member
// line's form. An exception escapes and counts as a finding: the file neither goes missing nor
// changes while it is listed, so neither the open nor a move past member data may fail.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray path = inputAsFile(data, size);

    QStringList lines;
    CountingDialogs dialogs;
    const int count = ListZipMembers(u"d:\\FUZZ.ZIP"_s, path, lines, dialogs);
    if (count != lines.size())
        __builtin_trap();
    if (!haveMemberLineForm(lines))
        __builtin_trap();
    return 0;
}
