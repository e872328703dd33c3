#pragma once

#include <cstdlib>

#include <unistd.h>

// Runs the rest of a scope as user and group "nobody" when the test runs as root, for whom no
// file is read-only; the saved set-user-ID lets the destructor take root back.
class UnprivilegedScope
{
public:
    UnprivilegedScope()
    {
        if (geteuid() != 0)
            return;
        if (setresgid(Nobody, Nobody, 0) != 0) {
            m_failed = true;
        } else if (setresuid(Nobody, Nobody, 0) != 0) {
            m_failed = true;
            if (setresgid(0, 0, 0) != 0)
                std::abort();
        } else {
            m_switched = true;
        }
    }
    ~UnprivilegedScope()
    {
        if (m_switched && (setresuid(0, 0, 0) != 0 || setresgid(0, 0, 0) != 0))
            std::abort();
    }
    UnprivilegedScope(const UnprivilegedScope &) = delete;
    UnprivilegedScope &operator=(const UnprivilegedScope &) = delete;

    // Root without the right to change user: permissions cannot be tested.
    bool failed() const { return m_failed; }

private:
    static constexpr uid_t Nobody = 65534;
    bool m_switched = false;
    bool m_failed = false;
};
