#include "platform/MountInfo.h"

#include <cstddef>
#include <cstdint>

namespace {

QByteArray escaped(const QByteArray &field)
{
    QByteArray result;
    for (const char c : field) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\')
            result.append('\\').append(
                QByteArray::number(static_cast<unsigned char>(c), 8).rightJustified(3, '0'));
        else
            result.append(c);
    }
    return result;
}

QByteArray formatted(const MountEntry &entry)
{
    return QByteArray::number(entry.mountId) + ' ' + QByteArray::number(entry.parentId) + ' ' +
           QByteArray::number(entry.major) + ':' + QByteArray::number(entry.minor) + ' ' +
           escaped(entry.root) + ' ' + escaped(entry.mountPoint) + ' ' + entry.options + " - " +
           escaped(entry.fileSystem) + ' ' + escaped(entry.source) + ' ' + entry.superOptions;
}

} // namespace

// Besides surviving any input, every entry read must read back the same once written out again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const MountEntry &entry : parseMountInfo(text)) {
        const QList<MountEntry> again = parseMountInfo(formatted(entry));
        if (again.size() != 1 || again.first() != entry)
            __builtin_trap();
    }
    return 0;
}
