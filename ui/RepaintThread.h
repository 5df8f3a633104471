// A thread that calls a paint function at a fixed period until stopped.
//
// Stop() wakes the thread at once and joins it; the destructor stops too, so
// the owner is never deleted while its painter still runs. Start and Stop
// belong to the owner's thread; the paint function runs on the new thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class RepaintThread {
public:
    RepaintThread() = default;
    ~RepaintThread() { Stop(); }
    RepaintThread(const RepaintThread&) = delete;
    RepaintThread& operator=(const RepaintThread&) = delete;

    // Starts painting every `period`; does nothing when already running.
    void Start(std::function<void()> paint, std::chrono::milliseconds period);
    // Ends the thread and waits for it; safe to call more than once.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

    // Repaint threads alive in the process (for tests).
    static int LiveThreads() { return s_live.load(); }

private:
    void Run(std::function<void()> paint, std::chrono::milliseconds period);

    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    static std::atomic<int> s_live;
};
