#include "catalogue/SearchIndexWorker.h"

#include "catalogue/SearchIndexBuild.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace {

// A writer of the catalogue is usually an import of one disc, done within seconds.
constexpr std::chrono::milliseconds RetryDelay{1'500};
constexpr int Attempts = 20;

class Workers final
{
public:
    static Workers &instance()
    {
        static Workers workers;
        return workers;
    }

    ~Workers()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        for (auto &[indexFile, job] : m_jobs) {
            if (job.thread.joinable())
                job.thread.join();
        }
    }

    void request(const QString &catalogueFile, const QString &indexFile)
    {
        const std::lock_guard lock(m_mutex);
        joinFinished();
        Job &job = m_jobs[indexFile];
        if (job.running) {
            job.again = true;
            return;
        }
        job.running = true;
        job.thread =
            std::thread([this, catalogueFile, indexFile] { run(catalogueFile, indexFile); });
    }

    void wait(const QString &indexFile)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            const auto job = m_jobs.find(indexFile);
            return job == m_jobs.end() || !job->second.running;
        });
    }

private:
    Workers() = default;
    Q_DISABLE_COPY_MOVE(Workers)

    struct Job
    {
        std::thread thread;
        bool running = false;
        bool again = false;
    };

    void joinFinished()
    {
        for (auto job = m_jobs.begin(); job != m_jobs.end();) {
            if (job->second.running) {
                ++job;
                continue;
            }
            job->second.thread.join();
            job = m_jobs.erase(job);
        }
    }

    void run(const QString &catalogueFile, const QString &indexFile)
    {
        for (;;) {
            bringUpToDate(catalogueFile, indexFile);
            const std::lock_guard lock(m_mutex);
            Job &job = m_jobs[indexFile];
            if (!job.again || m_stopping) {
                job.running = false;
                m_changed.notify_all();
                return;
            }
            job.again = false;
        }
    }

    void bringUpToDate(const QString &catalogueFile, const QString &indexFile)
    {
        for (int attempt = 0; attempt < Attempts && !m_stopping; ++attempt) {
            try {
                if (SearchIndexBuild::bringUpToDate(catalogueFile, indexFile, m_stopping) ==
                    SearchIndexBuild::Outcome::Done)
                    return;
            } catch (const std::exception &) {
                // The index cannot be made now (read-only folder, full disk, damaged catalogue);
                // the search scans meanwhile, and the next one asks again.
                return;
            }
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, RetryDelay, [this] { return m_stopping.load(); });
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<QString, Job> m_jobs;
    std::atomic<bool> m_stopping{false};
};

} // namespace

void SearchIndexWorker::request(const QString &catalogueFile, const QString &indexFile)
{
    Workers::instance().request(catalogueFile, indexFile);
}

void SearchIndexWorker::wait(const QString &indexFile)
{
    Workers::instance().wait(indexFile);
}
