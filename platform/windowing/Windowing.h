// Windows, window classes, messages, message queues and timers.
//
// Every window lives in one process-wide table: a handle that was destroyed
// (or never existed) finds nothing, and every call on it fails with
// ERROR_INVALID_WINDOW_HANDLE instead of touching freed memory.
//
// Each thread that creates a window, calls GetMessageW/PeekMessageW or sends a
// message to another thread gets one message queue. A window belongs to the
// thread that created it: its procedure runs only there.
//  - PostMessageW works from any thread.
//  - SendMessageW calls the procedure directly on the owner thread; from any
//    other thread it waits until the owner has handled it, and while waiting
//    the caller keeps handling messages that others send to its own windows.
//    A send to a window that is gone (or whose thread ended) returns 0.
//  - GetMessageW delivers, in this order: posted messages, WM_QUIT, WM_PAINT
//    for windows with an invalid area, WM_TIMER for due timers. Messages that
//    other threads send are handled inside GetMessageW/PeekMessageW.
//  - SetTimer takes only the calling thread's windows (as the system does);
//    KillTimer works from any thread. WM_TIMER comes on the window's thread,
//    at most one pending per timer (late ticks are merged), following
//    GetTickCount (so the machine's test clock drives timers too).
//  - A UI thread that must wait for another thread which may send to it waits
//    with MsgWaitForMultipleObjects(QS_SENDMESSAGE) and PeekMessageW, so the
//    sends are answered while it waits.
// Windows have no frame of their own: the client area covers the window.
#pragma once

#include "platform/windowing/WindowTypes.h"

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
BOOL IsWindowEnabled(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL ShowWindow(HWND window, int command);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL GetClientRect(HWND window, LPRECT rect);
BOOL ClientToScreen(HWND window, LPPOINT point);
BOOL ScreenToClient(HWND window, LPPOINT point);
HWND GetParent(HWND window);
HWND GetWindow(HWND window, UINT command);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
HWND GetDesktopWindow();
// Defined with the shell window in Security.cpp; other windows come from the table.
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
BOOL SetWindowTextA(HWND window, LPCSTR text);
int GetWindowTextW(HWND window, LPWSTR buffer, int bufferMax);
int GetWindowTextLengthW(HWND window);
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
// The 32-bit forms read and write styles, ids and user data only.
LONG GetWindowLongW(HWND window, int index);
LONG SetWindowLongW(HWND window, int index, LONG value);
LRESULT CallWindowProcW(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();
HWND GetActiveWindow();
BOOL BringWindowToTop(HWND window);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);

// Painting bookkeeping (the drawing itself is in Gdi.h).
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL UpdateWindow(HWND window);
BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL erase);
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

// Messages and queues.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// As SendMessageW, waiting at most `timeout` ms for the answer. Nonzero with
// the answer in *result on success; 0 on failure, with ERROR_TIMEOUT when the
// time ran out (the message stays queued: the receiver still handles it later
// and its answer is dropped, so lParam must not point at data that dies with
// the caller's frame). A send to the caller's own thread calls the procedure
// at once, whatever the timeout.
//  - SMTO_BLOCK: the caller handles no messages sent to it while it waits.
//  - SMTO_ABORTIFHUNG: fails at once when the receiving thread is hung (has
//    not looked at its messages for 5 s).
//  - SMTO_NOTIMEOUTIFNOTHUNG: the timeout counts only while the receiver is hung.
//  - SMTO_ERRORONEXIT: fails when the receiving window or its thread goes away
//    before answering (otherwise that is a success with the answer 0).
constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;
constexpr UINT SMTO_NOTIMEOUTIFNOTHUNG = 0x0008;
constexpr UINT SMTO_ERRORONEXIT = 0x0020;
LRESULT SendMessageTimeoutW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                            PDWORD_PTR result);
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL GetMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax);
constexpr UINT PM_NOREMOVE = 0x0;
constexpr UINT PM_REMOVE = 0x1;
// Kinds of queue input (GetQueueStatus, MsgWaitForMultipleObjects wake masks).
constexpr UINT QS_KEY = 0x0001;
constexpr UINT QS_MOUSEMOVE = 0x0002;
constexpr UINT QS_MOUSEBUTTON = 0x0004;
constexpr UINT QS_POSTMESSAGE = 0x0008;
constexpr UINT QS_TIMER = 0x0010;
constexpr UINT QS_PAINT = 0x0020;
constexpr UINT QS_SENDMESSAGE = 0x0040;
constexpr UINT QS_HOTKEY = 0x0080;
constexpr UINT QS_ALLPOSTMESSAGE = 0x0100;
constexpr UINT QS_RAWINPUT = 0x0400;
constexpr UINT QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON;
constexpr UINT QS_INPUT = QS_MOUSE | QS_KEY | QS_RAWINPUT;
constexpr UINT QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY;
constexpr UINT QS_ALLINPUT = QS_ALLEVENTS | QS_SENDMESSAGE;
// PeekMessageW: look only at these kinds (messages that other threads sent
// are handled in every call, as the system does).
constexpr UINT PM_QS_INPUT = QS_INPUT << 16;
constexpr UINT PM_QS_POSTMESSAGE = (QS_POSTMESSAGE | QS_HOTKEY | QS_TIMER) << 16;
constexpr UINT PM_QS_PAINT = QS_PAINT << 16;
constexpr UINT PM_QS_SENDMESSAGE = QS_SENDMESSAGE << 16;
BOOL PeekMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageW(const MSG* message);
BOOL InSendMessage();
DWORD GetMessageTime();

// Waits until one of the kernel objects is signalled (all of them and new
// input when `waitAll`), until input of the kinds in `wakeMask` arrived in
// the calling thread's queue since it last called GetMessageW or PeekMessageW,
// or until the time runs out. Returns WAIT_OBJECT_0 + index of the object,
// WAIT_OBJECT_0 + count for input (WAIT_OBJECT_0 when all were awaited),
// WAIT_TIMEOUT, or WAIT_FAILED (ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER
// for more than MAXIMUM_WAIT_OBJECTS - 1 handles). Like the system's, the
// wait handles no message itself: a caller that serves sent messages follows
// a WAIT_OBJECT_0 + count with PeekMessageW, which handles them.
// Kernel objects are looked at every 2 ms (they offer only their own waits);
// queue input ends the wait at once. With `waitAll` an object that a wait
// takes is taken when it is looked at, even if the others are not ready.
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, DWORD wakeMask);

// Window timers belong to the calling thread: a window of another thread is
// refused (0, ERROR_ACCESS_DENIED). A null window makes a thread timer: a
// new id, unless `id` names a thread timer of this thread, which is replaced.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC procedure);
BOOL KillTimer(HWND window, UINT_PTR id);

// Icons and cursors: handles only (nothing draws them). A program icon
// exists when its RT_GROUP_ICON resource does; system ones always do.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
BOOL DestroyIcon(HICON icon);
inline LPCWSTR IDC_ARROW() { return MAKEINTRESOURCEW(32512); }
inline LPCWSTR IDI_APPLICATION() { return MAKEINTRESOURCEW(32512); }

constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

namespace platform {

// GetWindowThreadProcessId for the windows of the window table.
DWORD WindowThreadProcessId(HWND window, LPDWORD processId);

// True while the thread waits in GetMessageW with nothing to do (for the test
// driver): waits up to `milliseconds` for the thread's queue to become idle.
bool WaitForQueueIdle(DWORD threadId, DWORD milliseconds);
// Wakes every waiting queue so that timers look at a clock moved by a test.
void WakeAllQueues();

}  // namespace platform
