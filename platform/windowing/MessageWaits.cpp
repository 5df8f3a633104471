// MsgWaitForMultipleObjects: a wait on kernel objects that also ends when new
// input reaches the calling thread's message queue.
#include <chrono>
#include <vector>

#include "platform/base/LastError.h"
#include "platform/Win32.h"
#include "platform/windowing/detail/WindowInternals.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {

// How often kernel objects are looked at while the queue side sleeps: they
// have no way to wake a queue, only their own blocking wait.
constexpr unsigned long long kObjectPollMs = 2;
// Timers follow the machine's test clock, which no one wakes a queue for.
constexpr unsigned long long kTimerPollMs = 50;

bool HasPaintLocked(const QueuePtr& queue) {
    std::lock_guard<std::mutex> guard(WindowLock());
    for (HWND handle : ZOrderLocked()) {
        Window* window = FindWindowLocked(handle);
        if (window == nullptr) continue;
        std::vector<Window*> pending{window};
        while (!pending.empty()) {
            Window* current = pending.back();
            pending.pop_back();
            if (!(current->style & WS_VISIBLE) || current->minimized) continue;
            if (current->updatePending && current->queue == queue) return true;
            for (HWND child : current->children)
                if (Window* record = FindWindowLocked(child)) pending.push_back(record);
        }
    }
    return false;
}

// New input of the kinds in `mask` since the thread last looked at its queue.
// Also says when the next timer falls due (for the length of the sleep).
bool NewInput(const QueuePtr& queue, DWORD mask, unsigned long long* nextDue) {
    *nextDue = ~0ull;
    DWORD bits = 0;
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        bits = queue->changeBits;
        if (!queue->sent.empty()) bits |= QS_SENDMESSAGE;
        unsigned long long now = GetTickCount64();
        for (const TimerEntry& timer : queue->timers) {
            if (timer.due <= now && timer.due > queue->lookTick) bits |= QS_TIMER;
            else if (timer.due > now && timer.due < *nextDue) *nextDue = timer.due;
        }
    }
    // A window invalidated since the last look wakes the queue with QS_PAINT;
    // the search only confirms it still waits for its paint.
    if ((bits & QS_PAINT) && (mask & QS_PAINT) && !HasPaintLocked(queue)) bits &= ~QS_PAINT;
    return (bits & mask) != 0;
}

}  // namespace
}  // namespace platform

using namespace platform;

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask) {
    if (count > MAXIMUM_WAIT_OBJECTS - 1 || (count > 0 && handles == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    QueuePtr queue = CurrentQueue();
    const unsigned long long start = SteadyMilliseconds();
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        ++queue->waiters;
    }
    struct Leave {
        QueuePtr queue;
        ~Leave() {
            std::lock_guard<std::mutex> guard(queue->lock);
            --queue->waiters;
        }
    } leave{queue};

    for (;;) {
        unsigned long long seen;
        {
            std::lock_guard<std::mutex> guard(queue->lock);
            seen = queue->signals;
        }
        bool allSignalled = true;
        for (DWORD i = 0; i < count; ++i) {
            DWORD state = WaitForSingleObject(handles[i], 0);
            if (state == WAIT_FAILED) return WAIT_FAILED;  // the handle's own error stands
            if (state == WAIT_OBJECT_0) {
                if (!waitAll) return WAIT_OBJECT_0 + i;
            } else {
                allSignalled = false;
            }
        }
        unsigned long long nextDue = ~0ull;
        bool input = NewInput(queue, wakeMask, &nextDue);
        if (waitAll) {
            if (allSignalled && input) return WAIT_OBJECT_0;
        } else if (input) {
            return WAIT_OBJECT_0 + count;
        }

        unsigned long long sleepMs = ~0ull;
        if (milliseconds != INFINITE) {
            unsigned long long spent = SteadyMilliseconds() - start;
            if (spent >= milliseconds) return WAIT_TIMEOUT;
            sleepMs = milliseconds - spent;
        }
        if (count > 0 && !(waitAll && allSignalled)) sleepMs = std::min(sleepMs, kObjectPollMs);
        if ((wakeMask & QS_TIMER) && nextDue != ~0ull) {
            unsigned long long now = GetTickCount64();
            sleepMs = std::min({sleepMs, nextDue > now ? nextDue - now : 0ull, kTimerPollMs});
        }
        std::unique_lock<std::mutex> guard(queue->lock);
        auto woken = [&] { return queue->signals != seen; };
        if (sleepMs == ~0ull) queue->changed.wait(guard, woken);
        else queue->changed.wait_for(guard, std::chrono::milliseconds(sleepMs), woken);
    }
}
