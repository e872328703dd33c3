#pragma once

#include <QtGlobal>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <iterator>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

// Work on a sequence that grows while it is done, such as the folders of a tree walked
// breadth-first. Each input is worked on by one of several threads (work), and each output handed
// on (finish) strictly in the order of the inputs, one at a time; finish returns the inputs it
// adds to the end of the sequence. When work or finish throws, no later output is handed on, and
// once every thread is done the exception of the earliest failed input is rethrown: the failure
// an ordered run meets first.
template <typename Input, typename Work, typename Finish>
void runInOrder(std::vector<Input> first, const Work &work, const Finish &finish)
{
    using Output = std::invoke_result_t<const Work &, Input &&>;
    struct Slot
    {
        std::optional<Output> output;
        std::exception_ptr failure;
        bool done = false;
    };
    constexpr unsigned MaxThreads = 4;
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1U, MaxThreads);
    // Inputs are taken a few at a time, for fewer turns at the lock, yet a small share of those
    // ready, so that every thread gets some.
    constexpr std::size_t MaxBatch = 16;

    std::mutex lock;
    std::condition_variable more; // inputs ready, or the end
    std::deque<Input> ready{std::make_move_iterator(first.begin()),
                            std::make_move_iterator(first.end())};
    std::deque<Slot> inFlight; // taken and not handed on, in order; references stay valid
    bool handing = false;      // one thread at a time hands on, outside the lock
    int waiting = 0;
    bool ended = ready.empty();
    std::exception_ptr failure;

    const auto run = [&] {
        std::vector<Input> inputs;
        std::vector<Slot *> slots;
        std::vector<Slot> results;
        std::vector<Slot> toHandOn;
        std::vector<Input> added;
        std::unique_lock guard(lock);
        for (;;) {
            while (!ended && ready.empty()) {
                ++waiting;
                more.wait(guard);
                --waiting;
            }
            if (ended)
                return;
            const std::size_t batch =
                std::clamp<std::size_t>(ready.size() / (2 * threads), 1, MaxBatch);
            for (std::size_t i = 0; i < batch; ++i) {
                inputs.push_back(std::move(ready.front()));
                ready.pop_front();
                slots.push_back(&inFlight.emplace_back());
            }
            guard.unlock();
            results.resize(inputs.size());
            for (std::size_t i = 0; i < inputs.size(); ++i) {
                try {
                    results[i].output.emplace(work(std::move(inputs[i])));
                } catch (...) {
                    results[i].failure = std::current_exception();
                }
                results[i].done = true;
            }
            inputs.clear();
            guard.lock();
            for (std::size_t i = 0; i < slots.size(); ++i)
                *slots[i] = std::move(results[i]);
            slots.clear();
            results.clear();
            if (handing)
                continue; // the thread handing on takes these too
            handing = true;
            while (!ended && !inFlight.empty() && inFlight.front().done) {
                while (!inFlight.empty() && inFlight.front().done) {
                    toHandOn.push_back(std::move(inFlight.front()));
                    inFlight.pop_front();
                }
                guard.unlock();
                std::exception_ptr failed;
                for (Slot &slot : toHandOn) {
                    failed = slot.failure;
                    if (!failed) {
                        try {
                            std::vector<Input> next = finish(std::move(*slot.output));
                            std::move(next.begin(), next.end(), std::back_inserter(added));
                        } catch (...) {
                            failed = std::current_exception();
                        }
                    }
                    if (failed)
                        break;
                }
                toHandOn.clear();
                guard.lock();
                std::move(added.begin(), added.end(), std::back_inserter(ready));
                failure = failed;
                ended = failed || (ready.empty() && inFlight.empty());
                if (waiting > 0 && (ended || !added.empty()))
                    more.notify_all();
                added.clear();
            }
            handing = false;
        }
    };

    std::vector<std::jthread> helpers;
    try {
        for (unsigned helper = 1; helper < threads; ++helper)
            helpers.emplace_back(run);
    } catch (const std::system_error &) {
        // Out of threads: those started and this one do the work.
    }
    run();
    helpers.clear();
    if (failure)
        std::rethrow_exception(failure);
}
