// Supervisor: the thread that keeps a download moving.
//
// It sleeps for its period, or until a finished part wakes it for that
// part's split, then makes one pass over the parts entered before the pass
// began, in id order, handing each to the download's handler for its
// status. After every pass it fires the events the handlers queued, with no
// engine lock held. When the download stops running it runs the download's
// final step and ends. Start, Wake and Join may be called from any thread;
// Join never from the supervisor's own.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/base/Win32Types.h"

// What a supervisor drives; the download engine implements it.
class SupervisedDownload {
public:
    virtual bool SupervisionRunning() const = 0;
    virtual int SupervisedPartCount() = 0;
    // A part's status; E_Status_StopByDispatch for an id not entered.
    virtual int SupervisedPartStatus(int id) = 0;
    // A finished part's free slot: its split.
    virtual void OnFinishedPart(int id) = 0;
    // False: no mirror was left for it and the download gives up.
    virtual bool OnFailedPart(int id) = 0;
    // A running part: moved when it has stalled.
    virtual void OnRunningPart(int id) = 0;
    // After a full pass that did not give up: the finish test when nothing runs.
    virtual void OnPassDone() = 0;
    // Once running ends: the last finish test.
    virtual void OnSupervisionEnd() = 0;
    // Fires the queued events; called with no engine lock held.
    virtual void FireQueuedEvents() = 0;

protected:
    ~SupervisedDownload() = default;
};

class Supervisor {
public:
    Supervisor() = default;
    ~Supervisor() { Join(); }
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    // Starts the thread; false when one is still there or none could start.
    // `promptSplits`: a finished part wakes the supervisor for its split at
    // once instead of at the next pass.
    bool Start(SupervisedDownload* download, DWORD periodMs, bool promptSplits);
    bool Started() const { return m_thread.joinable(); }
    // Ends the current sleep; `slotFreed`: a part finished and its split is due.
    void Wake(bool slotFreed);
    void Join();

private:
    void Run();
    // Waits for the next pass; true when a finished part ended the wait early.
    bool SleepUntilPass(std::chrono::steady_clock::time_point deadline);

    SupervisedDownload* m_download = nullptr;
    DWORD m_periodMs = 2000;
    bool m_promptSplits = true;
    std::thread m_thread;
    std::mutex m_wakeLock;  // taken after the engine lock, never before it
    std::condition_variable m_wake;
    std::atomic<bool> m_slotFreed{false};
};
