#pragma once

#include <QEventLoop>
#include <QThread>

#include <exception>
#include <functional>
#include <memory>

// Runs work on a thread of its own while this thread's event loop keeps running, and returns when
// the work is done. An exception thrown by the work is thrown again here, on the calling thread,
// where the handler guard reports it; escaping the worker it would end the program.
inline void runBeside(const std::function<void()> &work)
{
    std::exception_ptr failure;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop waiting;
    QObject::connect(worker.get(), &QThread::finished, &waiting, &QEventLoop::quit);
    worker->start();
    waiting.exec();
    worker->wait();
    if (failure)
        std::rethrow_exception(failure);
}
