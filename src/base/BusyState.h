#pragma once

#include <QtGlobal>

// Marks that a long operation (scan, import, tree reload) is running, so that input which would
// re-enter it or pull its data away is refused while it lets window events through.
class BusyState final
{
public:
    bool isBusy() const { return m_busy; }

    // Holds the busy mark for its lifetime when it could take it; check with acquired().
    class Scope final
    {
    public:
        explicit Scope(BusyState &state) : m_state(state), m_acquired(!state.m_busy)
        {
            if (m_acquired)
                m_state.m_busy = true;
        }
        ~Scope()
        {
            if (m_acquired)
                m_state.m_busy = false;
        }
        bool acquired() const { return m_acquired; }
        Q_DISABLE_COPY_MOVE(Scope)

    private:
        BusyState &m_state;
        bool m_acquired;
    };

private:
    bool m_busy = false;
};
