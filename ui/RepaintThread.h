// A thread that calls a paint function at a fixed period until stopped.
//
// Stop() wakes the thread at once and waits for it to end; while it waits,
// messages that other threads send to the caller's windows are answered (a
// painter may send to the dialog whose thread stops it). The destructor
// waits without limit, so the owner is never deleted while its painter still
// runs. Start and Stop belong to the owner's thread; the paint function runs
// on the new thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "platform/Win32.h"

class RepaintThread {
public:
    RepaintThread() = default;
    ~RepaintThread() { Stop(); }
    RepaintThread(const RepaintThread&) = delete;
    RepaintThread& operator=(const RepaintThread&) = delete;

    // Starts painting every `period`; does nothing when already running.
    // False when the thread could not start.
    bool Start(std::function<void()> paint, std::chrono::milliseconds period);
    // Asks the thread to end and waits up to `milliseconds` for it; true once
    // it has ended (or never ran). Safe to call more than once.
    bool Stop(DWORD milliseconds = INFINITE);
    bool Running() const { return m_thread != nullptr; }

    // Repaint threads alive in the process (for tests).
    static int LiveThreads() { return s_live.load(); }

private:
    static DWORD Body(LPVOID self);
    void Run();

    HANDLE m_thread = nullptr;
    std::function<void()> m_paint;
    std::chrono::milliseconds m_period{0};
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    static std::atomic<int> s_live;
};
