#include "vdrive/TreeText.h"

#include <cstddef>
#include <cstdint>

namespace {

// What a save followed by a load gives: reading drops a leading byte-order mark, and the blanks
// after it then count as the first line's indent.
QList<TreeLine> afterRoundTrip(QList<TreeLine> lines)
{
    if (!lines.isEmpty() && lines.first().text.startsWith(QChar(0xFEFF))) {
        QString &text = lines.first().text;
        qsizetype start = 1;
        while (start < text.size() && (text[start] == u'\t' || text[start] == u' '))
            ++start;
        text.remove(0, start);
    }
    return lines;
}

} // namespace

// Besides surviving any input, the lines read must form a tree, and writing them out again must
// read back the same lines without an error.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const ParsedTree tree = parseTree(bytes);
    int previous = -1;
    for (const TreeLine &line : tree.lines) {
        if (line.level < 0 || line.level > previous + 1 || (previous < 0 && line.level != 0))
            __builtin_trap();
        previous = line.level;
    }
    const ParsedTree again = parseTree(serializeTree(tree.lines));
    if (again.error || again.lines != afterRoundTrip(tree.lines))
        __builtin_trap();
    return 0;
}
