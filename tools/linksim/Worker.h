// Worker: one background thread that runs one job at a time, so that a
// simulation loop can overlap two stages (amisim: the transmitter and the
// channel make the next block while the receivers take the current one).
//
// Start hands the thread a job (the previous one must have been waited for);
// Wait returns when it has finished, and throws what the job threw, as if
// the job had run on the caller's thread. A Worker made with enabled = false has
// no thread: Start runs the job at once on the caller's thread, so one loop
// serves both the overlapped and the plain schedule. The destructor waits for
// a running job and stops the thread.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace linksim {

class Worker {
public:
    explicit Worker(bool enabled)
    {
        if (enabled) m_thread = std::thread([this] { Loop(); });
    }
    ~Worker()
    {
        if (!m_thread.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void Start(std::function<void()> job)
    {
        if (!m_thread.joinable()) {
            job();
            return;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_job = std::move(job);
            m_busy = true;
        }
        m_wake.notify_all();
    }
    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return !m_busy; });
        if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
    }

private:
    void Loop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_quit || m_busy; });
            if (!m_busy) return;  // quit with nothing to do
            std::function<void()> job = std::move(m_job);
            lock.unlock();
            std::exception_ptr error;
            try {
                job();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            m_error = error;
            m_busy = false;
            m_done.notify_all();
        }
    }

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    std::function<void()> m_job;
    std::exception_ptr m_error;  // what the last job threw
    bool m_busy = false;
    bool m_quit = false;
};

}  // namespace linksim
