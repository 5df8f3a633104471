// Per-thread message queues: posting, sending across threads, retrieval,
// dispatch and timers.
#include <algorithm>
#include <chrono>

#include "platform/base/Clock.h"
#include "platform/base/Environment.h"
#include "platform/base/LastError.h"
#include "platform/windowing/detail/WindowInternals.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {

constexpr UINT kMinimumTimerInterval = 10;
constexpr UINT kMaximumTimerInterval = 0x7FFFFFFF;
// A waiting queue looks at its timers at least this often, so a clock moved
// forward by a test is noticed even when nobody wakes the queue.
constexpr unsigned long long kLongestTimerWait = 50;
// Ceiling on posted messages per queue, as the real queue has one.
constexpr size_t kMaxPostedMessages = 10000;

struct Registry {
    std::mutex lock;
    std::map<DWORD, QueuePtr> queues;
};
Registry& Queues() {
    static Registry* registry = new Registry();
    return *registry;
}

void Complete(const std::shared_ptr<SentMessage>& record, LRESULT result) {
    QueuePtr sender = record->sender;
    if (!sender) return;
    std::lock_guard<std::mutex> guard(sender->lock);
    record->result = result;
    record->done = true;
    sender->SignalLocked();
}

// Ends the queue of a thread that exits: waiting senders get 0, the thread's
// windows leave the table.
void RetireQueue(const QueuePtr& queue) {
    std::deque<std::shared_ptr<SentMessage>> pending;
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        queue->alive = false;
        pending.swap(queue->sent);
        queue->posted.clear();
        queue->timers.clear();
        queue->idleChanged.notify_all();
    }
    for (auto& record : pending) Complete(record, 0);
    {
        std::lock_guard<std::mutex> guard(Queues().lock);
        auto it = Queues().queues.find(queue->threadId);
        if (it != Queues().queues.end() && it->second == queue) Queues().queues.erase(it);
    }
    // Nobody is left to run the procedures of the thread's windows: they
    // leave the table without messages.
    ForgetThreadWindows(queue);
    NotifyScreenChanged();
}

struct QueueHolder {
    QueuePtr queue;
    ~QueueHolder() {
        if (queue) RetireQueue(queue);
    }
};
thread_local QueueHolder t_holder;

bool InFilter(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
    if (window != nullptr && message.hwnd != window) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return message.message >= filterMin && message.message <= filterMax;
}

bool TakePosted(const QueuePtr& queue, MSG* out, HWND window, UINT filterMin, UINT filterMax, bool remove) {
    std::lock_guard<std::mutex> guard(queue->lock);
    for (auto it = queue->posted.begin(); it != queue->posted.end(); ++it) {
        if (!InFilter(*it, window, filterMin, filterMax)) continue;
        *out = *it;
        if (remove) queue->posted.erase(it);
        queue->lastMessageTime = out->time;
        return true;
    }
    return false;
}

bool TakeQuit(const QueuePtr& queue, MSG* out, bool remove) {
    std::lock_guard<std::mutex> guard(queue->lock);
    if (!queue->quitPending) return false;
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue->quitCode), 0, GetTickCount(), CurrentCursor()};
    if (remove) queue->quitPending = false;
    return true;
}

bool TakePaint(const QueuePtr& queue, MSG* out, HWND filter, UINT filterMin, UINT filterMax) {
    if (!(filterMin == 0 && filterMax == 0) && (WM_PAINT < filterMin || WM_PAINT > filterMax)) return false;
    std::lock_guard<std::mutex> guard(WindowLock());
    // Parents before children: walk the z-order tree from the top-level windows.
    std::function<HWND(const Window&)> search = [&](const Window& window) -> HWND {
        if (!(window.style & WS_VISIBLE) || window.minimized) return nullptr;
        if (window.updatePending && window.queue == queue && (filter == nullptr || filter == window.handle))
            return window.handle;
        for (HWND child : window.children) {
            Window* record = FindWindowLocked(child);
            if (record == nullptr) continue;
            HWND found = search(*record);
            if (found != nullptr) return found;
        }
        return nullptr;
    };
    for (HWND handle : ZOrderLocked()) {
        Window* window = FindWindowLocked(handle);
        if (window == nullptr) continue;
        HWND found = search(*window);
        if (found != nullptr) {
            *out = MSG{found, WM_PAINT, 0, 0, GetTickCount(), CurrentCursor()};
            return true;
        }
    }
    return false;
}

bool TakeTimer(const QueuePtr& queue, MSG* out, HWND filter, UINT filterMin, UINT filterMax, bool remove,
               unsigned long long* nextDue) {
    *nextDue = ~0ull;
    if (!(filterMin == 0 && filterMax == 0) && (WM_TIMER < filterMin || WM_TIMER > filterMax)) return false;
    std::lock_guard<std::mutex> guard(queue->lock);
    unsigned long long now = GetTickCount64();
    TimerEntry* best = nullptr;
    for (TimerEntry& timer : queue->timers) {
        if (filter != nullptr && timer.window != filter) continue;
        if (timer.due <= now && (best == nullptr || timer.due < best->due)) best = &timer;
        *nextDue = std::min(*nextDue, timer.due);
    }
    if (best == nullptr) return false;
    DWORD time = static_cast<DWORD>(now);
    *out = MSG{best->window, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->procedure), time, CurrentCursor()};
    // Late ticks merge: the next one is due a whole interval from now.
    if (remove) best->due = now + best->interval;
    return true;
}

// One pass of GetMessageW/PeekMessageW. Returns true with a message, false
// when nothing matched (then *waitMs says how long to wait at most).
bool FindMessage(const QueuePtr& queue, MSG* out, HWND window, UINT filterMin, UINT filterMax, bool remove,
                 unsigned long long* waitMs) {
    while (ProcessOneSentMessage(queue)) {
    }
    if (TakePosted(queue, out, window, filterMin, filterMax, remove)) return true;
    if (TakeQuit(queue, out, remove)) return true;
    if (TakePaint(queue, out, window, filterMin, filterMax)) return true;
    unsigned long long nextDue = ~0ull;
    if (TakeTimer(queue, out, window, filterMin, filterMax, remove, &nextDue)) return true;
    if (nextDue == ~0ull) {
        *waitMs = ~0ull;
    } else {
        unsigned long long now = GetTickCount64();
        *waitMs = std::min(nextDue > now ? nextDue - now : 0, kLongestTimerWait);
    }
    return false;
}

}  // namespace

QueuePtr CurrentQueue() {
    if (!t_holder.queue) {
        auto queue = std::make_shared<MessageQueue>();
        queue->threadId = GetCurrentThreadId();
        {
            std::lock_guard<std::mutex> guard(Queues().lock);
            Queues().queues[queue->threadId] = queue;
        }
        t_holder.queue = queue;
    }
    return t_holder.queue;
}

QueuePtr QueueOfThread(DWORD threadId) {
    std::lock_guard<std::mutex> guard(Queues().lock);
    auto it = Queues().queues.find(threadId);
    return it == Queues().queues.end() ? nullptr : it->second;
}

void SignalQueue(const QueuePtr& queue) {
    if (!queue) return;
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->SignalLocked();
}

void PurgeWindowFromQueue(const QueuePtr& queue, HWND window) {
    if (!queue) return;
    std::vector<std::shared_ptr<SentMessage>> dropped;
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        std::erase_if(queue->posted, [&](const MSG& m) { return m.hwnd == window; });
        std::erase_if(queue->timers, [&](const TimerEntry& t) { return t.window == window; });
        for (auto it = queue->sent.begin(); it != queue->sent.end();) {
            if ((*it)->window == window) {
                dropped.push_back(*it);
                it = queue->sent.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& record : dropped) Complete(record, 0);
}

bool ProcessOneSentMessage(const QueuePtr& queue) {
    std::shared_ptr<SentMessage> record;
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        if (queue->sent.empty()) return false;
        record = queue->sent.front();
        queue->sent.pop_front();
        ++queue->sendDepth;
    }
    LRESULT result = CallProcedure(record->window, record->message, record->wParam, record->lParam);
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        --queue->sendDepth;
    }
    Complete(record, result);
    return true;
}

bool WaitForQueueIdle(DWORD threadId, DWORD milliseconds) {
    QueuePtr queue = QueueOfThread(threadId);
    if (!queue) return false;
    std::unique_lock<std::mutex> guard(queue->lock);
    return queue->idleChanged.wait_for(guard, std::chrono::milliseconds(milliseconds), [&] {
        return !queue->alive || (queue->idle && queue->posted.empty() && queue->sent.empty());
    });
}

void WakeAllQueues() {
    std::vector<QueuePtr> all;
    {
        std::lock_guard<std::mutex> guard(Queues().lock);
        for (auto& entry : Queues().queues) all.push_back(entry.second);
    }
    for (auto& queue : all) SignalQueue(queue);
}

}  // namespace platform

using namespace platform;

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    QueuePtr target;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* record = FindWindowLocked(window);
        if (record == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        target = record->queue;
    }
    if (target->threadId == GetCurrentThreadId()) return CallProcedure(window, message, wParam, lParam);

    QueuePtr self = CurrentQueue();
    auto record = std::make_shared<SentMessage>();
    record->window = window;
    record->message = message;
    record->wParam = wParam;
    record->lParam = lParam;
    record->sender = self;
    {
        std::lock_guard<std::mutex> guard(target->lock);
        if (!target->alive) return 0;
        target->sent.push_back(record);
        target->SignalLocked();
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(self->lock);
            if (record->done) break;
        }
        // Others may send to this thread's windows meanwhile; serve them.
        if (ProcessOneSentMessage(self)) continue;
        std::unique_lock<std::mutex> guard(self->lock);
        if (record->done) break;
        if (!self->sent.empty()) continue;
        unsigned long long seen = self->signals;
        self->changed.wait(guard, [&] { return self->signals != seen; });
    }
    std::lock_guard<std::mutex> guard(self->lock);
    return record->result;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(window, message, wParam, lParam);
}

namespace {
BOOL PostToQueue(const QueuePtr& queue, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> guard(queue->lock);
    if (!queue->alive || queue->posted.size() >= kMaxPostedMessages) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    queue->posted.push_back(MSG{window, message, wParam, lParam, GetTickCount(), CurrentCursor()});
    queue->SignalLocked();
    return TRUE;
}
}  // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr) return PostToQueue(CurrentQueue(), nullptr, message, wParam, lParam);
    QueuePtr target;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* record = FindWindowLocked(window);
        if (record == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        target = record->queue;
    }
    return PostToQueue(target, window, message, wParam, lParam);
}

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    QueuePtr target = QueueOfThread(threadId);
    if (!target) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return PostToQueue(target, nullptr, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    QueuePtr queue = CurrentQueue();
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->quitPending = true;
    queue->quitCode = exitCode;
    queue->SignalLocked();
}

BOOL GetMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
    if (message == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    QueuePtr queue = CurrentQueue();
    for (;;) {
        unsigned long long seen;
        {
            std::lock_guard<std::mutex> guard(queue->lock);
            seen = queue->signals;
        }
        unsigned long long waitMs = 0;
        if (FindMessage(queue, message, window, filterMin, filterMax, true, &waitMs))
            return message->message == WM_QUIT ? FALSE : TRUE;
        std::unique_lock<std::mutex> guard(queue->lock);
        if (queue->signals != seen) continue;
        queue->idle = true;
        queue->idleChanged.notify_all();
        auto woken = [&] { return queue->signals != seen; };
        if (waitMs == ~0ull) queue->changed.wait(guard, woken);
        else queue->changed.wait_for(guard, std::chrono::milliseconds(waitMs), woken);
        queue->idle = false;
    }
}

BOOL PeekMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
    if (message == nullptr) return FALSE;
    unsigned long long waitMs = 0;
    return FindMessage(CurrentQueue(), message, window, filterMin, filterMax, (remove & PM_REMOVE) != 0, &waitMs)
               ? TRUE
               : FALSE;
}

BOOL TranslateMessage(const MSG* message) {
    if (message == nullptr || message->message != WM_KEYDOWN) return FALSE;
    wchar_t character = 0;
    switch (message->wParam) {
        case VK_RETURN: character = L'\r'; break;
        case VK_BACK: character = 8; break;
        case VK_ESCAPE: character = 27; break;
        case VK_TAB: character = L'\t'; break;
        case VK_SPACE: character = L' '; break;
        default: break;
    }
    if (character == 0) return FALSE;
    QueuePtr queue = CurrentQueue();
    std::lock_guard<std::mutex> guard(queue->lock);
    // The character comes next, before anything posted later.
    queue->posted.push_front(
        MSG{message->hwnd, WM_CHAR, static_cast<WPARAM>(character), message->lParam, message->time, message->pt});
    queue->SignalLocked();
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (message == nullptr || message->hwnd == nullptr) return 0;
    if (message->message == WM_TIMER && message->lParam != 0) {
        auto procedure = reinterpret_cast<TIMERPROC>(message->lParam);
        procedure(message->hwnd, WM_TIMER, message->wParam, message->time);
        return 0;
    }
    unsigned generation = 0;
    if (message->message == WM_PAINT) {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(message->hwnd);
        if (window == nullptr) return 0;
        generation = window->paintGeneration;
    }
    LRESULT result = CallProcedure(message->hwnd, message->message, message->wParam, message->lParam);
    if (message->message == WM_PAINT) {
        // A handler that painted without BeginPaint leaves the area invalid;
        // validate it so that WM_PAINT does not come back for ever.
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(message->hwnd);
        if (window != nullptr && window->paintGeneration == generation) {
            window->updatePending = false;
            window->erasePending = false;
            ++window->paintGeneration;
        }
    }
    return result;
}

BOOL InSendMessage() {
    QueuePtr queue = CurrentQueue();
    std::lock_guard<std::mutex> guard(queue->lock);
    return queue->sendDepth > 0 ? TRUE : FALSE;
}

DWORD GetMessageTime() {
    QueuePtr queue = CurrentQueue();
    std::lock_guard<std::mutex> guard(queue->lock);
    return queue->lastMessageTime;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure) {
    QueuePtr queue;
    if (window == nullptr) {
        // Thread timers get an id of their own; the given one is ignored.
        queue = CurrentQueue();
        static std::atomic<UINT_PTR> next{0x7FF0};
        id = ++next;
    } else {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* record = FindWindowLocked(window);
        if (record == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        queue = record->queue;
    }
    elapse = std::clamp(elapse, kMinimumTimerInterval, kMaximumTimerInterval);
    std::lock_guard<std::mutex> guard(queue->lock);
    if (!queue->alive) return 0;
    unsigned long long due = GetTickCount64() + elapse;
    for (TimerEntry& timer : queue->timers) {
        if (timer.window == window && timer.id == id) {
            timer.interval = elapse;
            timer.due = due;
            timer.procedure = procedure;
            queue->SignalLocked();
            return window == nullptr ? id : (id == 0 ? 1 : id);
        }
    }
    queue->timers.push_back(TimerEntry{window, id, elapse, due, procedure});
    queue->SignalLocked();
    return window == nullptr ? id : (id == 0 ? 1 : id);
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    QueuePtr queue;
    if (window == nullptr) {
        queue = CurrentQueue();
    } else {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* record = FindWindowLocked(window);
        if (record == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        queue = record->queue;
    }
    std::lock_guard<std::mutex> guard(queue->lock);
    size_t before = queue->timers.size();
    std::erase_if(queue->timers, [&](const TimerEntry& t) { return t.window == window && t.id == id; });
    // A tick already taken out of the timer list is not in the posted list, so
    // nothing else can still arrive for this timer.
    return queue->timers.size() < before ? TRUE : FALSE;
}
