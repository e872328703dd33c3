#pragma once

#include "image/DiscImage.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <vector>

// The listings of a walk that runs on other threads, handed to one reader in walk order as the walk
// reaches them, so that a scan can go through the first folders while later ones are still read.
class WalkFeed final
{
public:
    using Listing = DiscImage::WalkedDirectory;

    WalkFeed() = default;
    Q_DISABLE_COPY_MOVE(WalkFeed)

    // The walk's side: each listing in walk order, then the end, with what made the walk fail.
    void add(Listing &&listing);
    void end(std::exception_ptr failure);

    // Moves the listings added since the last call to the end of `into`, waiting for some while
    // the walk goes on; false when the walk has ended and there were none.
    bool takeMore(std::deque<Listing> &into);
    // Waits for the walk's end.
    void awaitEnd();
    // The same, then throws what made the walk fail.
    void awaitWhole();

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Listing> m_added;
    bool m_readerWaiting = false;
    bool m_ended = false;
    std::exception_ptr m_failure;
};
