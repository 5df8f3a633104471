// Per-thread message queues: posting, sending across threads, retrieval,
// dispatch and timers.
#include <algorithm>
#include <chrono>

#include "platform/windowing/Desktop.h"
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

// Hands the answer back to the sender (abandoned: the receiver went away).
void Complete(const std::shared_ptr<SentMessage>& record, LRESULT result, bool abandoned = false) {
    QueuePtr sender = record->sender;
    if (!sender) return;
    std::lock_guard<std::mutex> guard(sender->lock);
    record->result = result;
    record->abandoned = abandoned;
    record->done = true;
    // A sender that stopped waiting is not woken for an answer it dropped.
    if (!record->unwanted) sender->SignalLocked();
}

constexpr unsigned long long kHungAfterMs = 5000;

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
    for (auto& record : pending) Complete(record, 0, true);
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

bool TakePosted(const QueuePtr& queue, MSG* out, HWND window, UINT filterMin, UINT filterMax, bool remove,
                DWORD kinds) {
    std::lock_guard<std::mutex> guard(queue->lock);
    for (auto it = queue->posted.begin(); it != queue->posted.end(); ++it) {
        if (!InFilter(*it, window, filterMin, filterMax)) continue;
        if ((InputKindOf(it->message) & kinds) == 0) continue;
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

// One pass of GetMessageW/PeekMessageW over the QS_ kinds in `kinds`.
// Returns true with a message, false when nothing matched (then *waitMs says
// how long to wait at most). Every pass counts as a look at the queue: what
// arrived before it is no longer new input.
bool FindMessage(const QueuePtr& queue, MSG* out, HWND window, UINT filterMin, UINT filterMax, bool remove,
                 unsigned long long* waitMs, DWORD kinds = QS_ALLINPUT) {
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        queue->changeBits = 0;
        queue->lookTick = GetTickCount64();
        queue->lastLookMs = SteadyMilliseconds();
    }
    while (ProcessOneSentMessage(queue)) {
    }
    if (TakePosted(queue, out, window, filterMin, filterMax, remove, kinds)) return true;
    if ((kinds & QS_POSTMESSAGE) && TakeQuit(queue, out, remove)) return true;
    if ((kinds & QS_PAINT) && TakePaint(queue, out, window, filterMin, filterMax)) return true;
    unsigned long long nextDue = ~0ull;
    if ((kinds & QS_TIMER) && TakeTimer(queue, out, window, filterMin, filterMax, remove, &nextDue)) return true;
    if (nextDue == ~0ull) {
        *waitMs = ~0ull;
    } else {
        unsigned long long now = GetTickCount64();
        *waitMs = std::min(nextDue > now ? nextDue - now : 0, kLongestTimerWait);
    }
    return false;
}

}  // namespace

unsigned long long SteadyMilliseconds() {
    using namespace std::chrono;
    return static_cast<unsigned long long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

DWORD InputKindOf(UINT message) {
    if (message >= WM_KEYDOWN && message <= 0x0109) return QS_KEY;
    if (message == WM_MOUSEMOVE) return QS_MOUSEMOVE;
    if (message > WM_MOUSEMOVE && message <= 0x020E) return QS_MOUSEBUTTON;
    return QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
}

bool QueueHung(const QueuePtr& queue) {
    if (!queue) return false;
    std::lock_guard<std::mutex> guard(queue->lock);
    if (!queue->alive || queue->idle || queue->waiters > 0) return false;
    return SteadyMilliseconds() - queue->lastLookMs > kHungAfterMs;
}

QueuePtr CurrentQueue() {
    if (!t_holder.queue) {
        auto queue = std::make_shared<MessageQueue>();
        queue->threadId = GetCurrentThreadId();
        queue->lastLookMs = SteadyMilliseconds();
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

void SignalQueue(const QueuePtr& queue, DWORD newInput) {
    if (!queue) return;
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->SignalLocked(newInput);
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
    for (auto& record : dropped) Complete(record, 0, true);
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

namespace {

enum class SendOutcome {
    Answered,   // the receiver answered
    Abandoned,  // the window or its thread went away first
    TimedOut,   // the time ran out; the message stays queued, its answer unwanted
    Failed,     // no such window, or its thread has ended
};

struct SendRequest {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool serve = true;                     // handle sends to this thread while waiting
    unsigned long long timeoutMs = ~0ull;  // ~0: for ever
    bool timeoutOnlyWhenHung = false;      // SMTO_NOTIMEOUTIFNOTHUNG
    bool abortIfHung = false;              // SMTO_ABORTIFHUNG
};

// The one door for sends: on the window's own thread the procedure runs at
// once; to another thread the message is queued there and this thread waits
// for the answer, answering sends to its own windows meanwhile.
SendOutcome Send(const SendRequest& request, LRESULT* result) {
    *result = 0;
    QueuePtr target;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(request.window);
        if (window == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return SendOutcome::Failed;
        }
        target = window->queue;
    }
    if (target->threadId == GetCurrentThreadId()) {
        *result = CallProcedure(request.window, request.message, request.wParam, request.lParam);
        return SendOutcome::Answered;
    }
    if (request.abortIfHung && QueueHung(target)) {
        SetLastError(ERROR_TIMEOUT);
        return SendOutcome::TimedOut;
    }

    QueuePtr self = CurrentQueue();
    auto record = std::make_shared<SentMessage>();
    record->window = request.window;
    record->message = request.message;
    record->wParam = request.wParam;
    record->lParam = request.lParam;
    record->sender = self;
    {
        std::lock_guard<std::mutex> guard(target->lock);
        if (!target->alive) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return SendOutcome::Failed;
        }
        target->sent.push_back(record);
        target->SignalLocked(QS_SENDMESSAGE);
    }
    const unsigned long long start = SteadyMilliseconds();
    auto timeLeft = [&]() -> unsigned long long {
        if (request.timeoutMs == ~0ull) return ~0ull;
        unsigned long long spent = SteadyMilliseconds() - start;
        if (spent < request.timeoutMs) return request.timeoutMs - spent;
        // SMTO_NOTIMEOUTIFNOTHUNG: past the timeout, wait on while the receiver answers its queue.
        if (request.timeoutOnlyWhenHung && !QueueHung(target)) return 100;
        return 0;
    };
    if (request.serve) {
        std::lock_guard<std::mutex> guard(self->lock);
        ++self->waiters;
    }
    SendOutcome outcome = SendOutcome::Answered;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(self->lock);
            if (record->done) break;
        }
        // Others may send to this thread's windows meanwhile; serve them.
        if (request.serve && ProcessOneSentMessage(self)) continue;
        unsigned long long left = timeLeft();
        std::unique_lock<std::mutex> guard(self->lock);
        if (record->done) break;
        if (left == 0) {
            record->unwanted = true;
            outcome = SendOutcome::TimedOut;
            break;
        }
        if (request.serve && !self->sent.empty()) continue;
        unsigned long long seen = self->signals;
        auto woken = [&] { return self->signals != seen; };
        if (left == ~0ull) self->changed.wait(guard, woken);
        else self->changed.wait_for(guard, std::chrono::milliseconds(left), woken);
    }
    std::lock_guard<std::mutex> guard(self->lock);
    if (request.serve) --self->waiters;
    if (outcome == SendOutcome::TimedOut) {
        SetLastError(ERROR_TIMEOUT);
        return outcome;
    }
    *result = record->result;
    return record->abandoned ? SendOutcome::Abandoned : SendOutcome::Answered;
}

}  // namespace

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    Send(SendRequest{window, message, wParam, lParam}, &result);
    return result;
}

LRESULT SendMessageTimeoutW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                            PDWORD_PTR result) {
    SendRequest request{window, message, wParam, lParam};
    request.serve = (flags & SMTO_BLOCK) == 0;
    request.timeoutMs = timeout;
    request.timeoutOnlyWhenHung = (flags & SMTO_NOTIMEOUTIFNOTHUNG) != 0;
    request.abortIfHung = (flags & SMTO_ABORTIFHUNG) != 0;
    LRESULT answer = 0;
    SendOutcome outcome = Send(request, &answer);
    if (result != nullptr) *result = static_cast<DWORD_PTR>(answer);
    switch (outcome) {
        case SendOutcome::Answered: return TRUE;
        case SendOutcome::Abandoned:
            if (!(flags & SMTO_ERRORONEXIT)) return TRUE;
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        case SendOutcome::TimedOut:
        case SendOutcome::Failed: return 0;
    }
    return 0;
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
    queue->SignalLocked(InputKindOf(message));
    return TRUE;
}
}  // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr) return PostToQueue(CurrentQueue(), nullptr, message, wParam, lParam);
    if (window == platform::ScreenSaverWindow()) return platform::PostToScreenSaverWindow(message);
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
    queue->SignalLocked(QS_POSTMESSAGE | QS_ALLPOSTMESSAGE);
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
    DWORD kinds = remove >> 16;  // PM_QS_ flags; none: every kind
    if (kinds == 0) kinds = QS_ALLINPUT;
    return FindMessage(CurrentQueue(), message, window, filterMin, filterMax, (remove & PM_REMOVE) != 0, &waitMs, kinds)
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
    queue->SignalLocked(InputKindOf(WM_CHAR));
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (message == nullptr) return 0;
    // Timer procedures run for thread timers too (no window).
    if (message->message == WM_TIMER && message->lParam != 0) {
        auto procedure = reinterpret_cast<TIMERPROC>(message->lParam);
        procedure(message->hwnd, WM_TIMER, message->wParam, message->time);
        return 0;
    }
    if (message->hwnd == nullptr) return 0;
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
        queue = CurrentQueue();
    } else {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* record = FindWindowLocked(window);
        if (record == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        // As on the system: a window's timers are set by the window's own thread.
        if (record->threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        queue = record->queue;
    }
    elapse = std::clamp(elapse, kMinimumTimerInterval, kMaximumTimerInterval);
    std::lock_guard<std::mutex> guard(queue->lock);
    if (!queue->alive) return 0;
    if (window == nullptr) {
        // A thread timer keeps its id when the given one names a thread timer
        // of this thread (it is replaced below); otherwise it gets a new one.
        bool known = std::any_of(queue->timers.begin(), queue->timers.end(),
                                 [&](const TimerEntry& t) { return t.window == nullptr && t.id == id; });
        if (!known) {
            static std::atomic<UINT_PTR> next{0x7FF0};
            id = ++next;
        }
    }
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
