#include "image/WalkFeed.h"

#include <iterator>

namespace {

// The reader is woken for this many listings at a time: it goes through them far faster than the
// walk reads them, and waking it for each would cost more than reading one.
constexpr std::size_t WakeEvery = 64;

} // namespace

void WalkFeed::add(Listing &&listing)
{
    const std::scoped_lock guard(m_lock);
    m_added.push_back(std::move(listing));
    if (m_readerWaiting && m_added.size() >= WakeEvery)
        m_changed.notify_all();
}

void WalkFeed::end(std::exception_ptr failure)
{
    const std::scoped_lock guard(m_lock);
    m_ended = true;
    m_failure = std::move(failure);
    m_changed.notify_all();
}

bool WalkFeed::takeMore(std::deque<Listing> &into)
{
    std::unique_lock guard(m_lock);
    m_readerWaiting = true;
    m_changed.wait(guard, [this] { return m_ended || m_added.size() >= WakeEvery; });
    m_readerWaiting = false;
    if (m_added.empty())
        return false;
    into.insert(into.end(), std::make_move_iterator(m_added.begin()),
                std::make_move_iterator(m_added.end()));
    m_added.clear();
    return true;
}

void WalkFeed::awaitEnd()
{
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [this] { return m_ended; });
}

void WalkFeed::awaitWhole()
{
    awaitEnd();
    // Set once, before the end, and never again.
    if (m_failure)
        std::rethrow_exception(m_failure);
}
