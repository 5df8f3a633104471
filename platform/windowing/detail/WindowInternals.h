// Inside the window layer: the window table, window records and message
// queues that the window, dialog, input, drawing and output files share.
// Not for use outside platform/.
//
// Locking: one process-wide lock (WindowLock) guards the table and every
// field of every Window. Queues have their own lock. Never call a window
// procedure while holding either; take WindowLock before a queue's lock or
// a surface's lock, never after.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/drawing/Surface.h"
#include "platform/windowing/WindowSurfaces.h"
#include "platform/windowing/WindowTypes.h"

namespace platform {

struct MessageQueue;

// A standard control's own data (edit text, list items...).
struct ControlData {
    virtual ~ControlData() = default;
};

struct Window {
    HWND handle = nullptr;
    std::wstring className;
    WNDPROC procedure = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;  // child windows only
    HWND owner = nullptr;   // top-level windows only
    LONG_PTR id = 0;
    HINSTANCE instance = nullptr;
    HBRUSH background = nullptr;
    RECT rect{};  // screen coordinates (top-level) or parent client coordinates (child)
    std::wstring text;
    LONG_PTR userData = 0;
    LONG_PTR dialogSlots[3] = {0, 0, 0};  // DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER
    std::vector<LONG_PTR> extraBytes;
    DWORD threadId = 0;
    std::shared_ptr<MessageQueue> queue;
    std::vector<HWND> children;
    bool destroying = false;
    bool minimized = false;
    bool maximized = false;
    // Paint state: an invalid area waits for WM_PAINT.
    bool updatePending = false;
    bool erasePending = false;
    RECT updateRect{};
    unsigned paintGeneration = 0;
    // Content of the window (its client area).
    SurfacePtr surface;
    // Layered windows show the premultiplied image UpdateLayeredWindow gave.
    SurfacePtr layered;
    unsigned layeredUpdates = 0;
    HFONT font = nullptr;  // WM_SETFONT of dialogs and standard controls
    // Dialog state.
    bool isDialog = false;  // of the dialog class "#32770"
    bool modal = false;     // run by DialogBoxParamW
    bool dialogEnded = false;
    INT_PTR dialogResult = 0;
    std::shared_ptr<ControlData> control;
};
using WindowPtr = std::shared_ptr<Window>;

std::mutex& WindowLock();
// Looks a handle up; null for stale or foreign handles. Call with WindowLock held.
Window* FindWindowLocked(HWND handle);
WindowPtr FindWindowShared(HWND handle);
// Top-level windows, bottom first. Call with WindowLock held.
std::vector<HWND>& ZOrderLocked();
// Screen position of a window's client origin. Call with WindowLock held.
POINT ClientOriginLocked(const Window& window);
// True when the window and all its parents are visible. WindowLock held.
bool IsShownLocked(const Window& window);
// The top-level window a window belongs to. WindowLock held.
Window* RootLocked(Window* window);

struct SentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;
    bool abandoned = false;  // the receiver went away before it answered
    bool unwanted = false;   // the sender stopped waiting (SendMessageTimeoutW)
    std::shared_ptr<MessageQueue> sender;
};

struct TimerEntry {
    HWND window = nullptr;
    UINT_PTR id = 0;
    UINT interval = 0;
    unsigned long long due = 0;
    TIMERPROC procedure = nullptr;
};

struct MessageQueue {
    DWORD threadId = 0;
    std::mutex lock;
    std::condition_variable changed;
    std::condition_variable idleChanged;  // watched by WaitForQueueIdle
    unsigned long long signals = 0;       // bumped by every change a waiter must see
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::vector<TimerEntry> timers;
    bool quitPending = false;
    int quitCode = 0;
    bool idle = false;  // waiting in GetMessageW with nothing to do
    bool alive = true;
    int sendDepth = 0;  // > 0 while handling a message another thread sent
    DWORD lastMessageTime = 0;
    // QS_ kinds of input that arrived since the thread last called
    // GetMessageW or PeekMessageW (what MsgWaitForMultipleObjects waits for).
    DWORD changeBits = 0;
    unsigned long long lookTick = 0;  // GetTickCount64 at that call: later due timers are new
    // Responsiveness, for SMTO_ABORTIFHUNG: steady milliseconds of the last
    // look at the queue, and how many calls are waiting on it right now.
    unsigned long long lastLookMs = 0;
    int waiters = 0;

    // Call with `lock` held.
    void SignalLocked(DWORD newInput = 0) {
        ++signals;
        changeBits |= newInput;
        idle = false;
        changed.notify_all();
    }
};
using QueuePtr = std::shared_ptr<MessageQueue>;

// The calling thread's queue, created on first use.
QueuePtr CurrentQueue();
QueuePtr QueueOfThread(DWORD threadId);
void SignalQueue(const QueuePtr& queue, DWORD newInput = 0);
// The QS_ kind a posted message counts as.
DWORD InputKindOf(UINT message);
// Steady milliseconds (not the machine's test clock), for send and wait timeouts.
unsigned long long SteadyMilliseconds();
// True when the queue's thread has not looked at its messages for 5 s and is
// not waiting on them now (what IsHungAppWindow reports).
bool QueueHung(const QueuePtr& queue);
// Drops timers, posted and pending sent messages of a window being destroyed.
void PurgeWindowFromQueue(const QueuePtr& queue, HWND window);
// Handles one message sent by another thread; false when none waits.
bool ProcessOneSentMessage(const QueuePtr& queue);

// Removes the windows of a thread that ended, sending nothing.
void ForgetThreadWindows(const QueuePtr& queue);
// Calls the window's procedure on this thread (no thread check).
LRESULT CallProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Standard controls: registers "edit", "button", "listbox", "SysListView32"
// and the dialog class "#32770" once.
void RegisterSystemClasses();
// The dialog class's procedure (the default dialog handling).
LRESULT DialogClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The modal loop of the title-bar drag (WM_NCLBUTTONDOWN with HTCAPTION).
void RunMoveLoop(HWND window, POINT anchor);

// Input state the window calls reset when a window goes away.
void ForgetInputWindow(HWND window);
POINT CurrentCursor();
WPARAM CurrentMouseKeys();

}  // namespace platform
