#pragma once

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// Runs job(index) for every index below count, spread over the machine's cores. When jobs throw,
// the exception of the lowest index is rethrown here once all threads are done, so the failure
// reported is the one an ordered run would meet first; jobs after it may be skipped. Returns
// count, or the index whose job failed (its exception then pending in `failure`).
template <typename Job>
qsizetype runSpread(qsizetype count, std::exception_ptr &failure, const Job &job)
{
    constexpr unsigned MaxThreads = 4;
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1U, MaxThreads);
    // Jobs are taken a few at a time, but small enough a share that threads finish together: the
    // cost of one job may vary a hundredfold.
    const qsizetype chunk = std::clamp<qsizetype>(count / (qsizetype(threads) * 16), 1, 16);
    std::atomic<qsizetype> next{0};
    std::atomic<qsizetype> failedAt{count};
    std::mutex lock;
    const auto work = [&] {
        for (;;) {
            const qsizetype start = next.fetch_add(chunk);
            const qsizetype end = std::min(start + chunk, count);
            for (qsizetype index = start; index < end; ++index) {
                if (index > failedAt)
                    return;
                try {
                    job(index);
                } catch (...) {
                    const std::scoped_lock guard(lock);
                    if (index < failedAt) {
                        failedAt = index;
                        failure = std::current_exception();
                    }
                    return;
                }
            }
            if (end >= count)
                return;
        }
    };
    if (count < 2 || threads == 1) {
        work();
    } else {
        std::vector<std::jthread> helpers;
        try {
            for (unsigned helper = 1; helper < threads; ++helper)
                helpers.emplace_back(work);
        } catch (const std::system_error &) {
            // Out of threads: those started and this one do the work.
        }
        work();
    }
    return failedAt;
}
