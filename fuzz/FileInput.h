#pragma once

#include <QByteArray>
#include <QStringList>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

// The input as a file that the code under test opens by path, as the scan opens a file on a disc.
// One file in memory serves all runs.
inline QByteArray inputAsFile(const std::uint8_t *data, std::size_t size)
{
    static const int fd = ::memfd_create("fuzz_input", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        __builtin_trap();
    static const QByteArray path = "/proc/self/fd/" + QByteArray::number(fd);
    return path;
}

// Whether every line has the form of an archive member's line.
inline bool haveMemberLineForm(const QStringList &lines)
{
    for (const QString &line : lines) {
        if (!line.endsWith(u" Byte ") || line.size() < 14)
            return false;
    }
    return true;
}
