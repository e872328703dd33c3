#include "archive/ArchiveListing.h"
#include "CountingDialogs.h"
#include "FileInput.h"

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

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
