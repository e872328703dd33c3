#pragma once

#include <QtGlobal>

#include <unistd.h>

// Closes a POSIX file descriptor when it goes out of scope.
class FileDescriptor final
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(FileDescriptor)

    int get() const { return m_fd; }

private:
    int m_fd;
};
