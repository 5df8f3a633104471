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
//  - SetTimer/KillTimer work from any thread; WM_TIMER comes on the window's
//    thread, at most one pending per timer (late ticks are merged), following
//    GetTickCount (so the machine's test clock drives timers too).
// Windows have no frame of their own: the client area covers the window.
#pragma once

#include "platform/windowing/WindowTypes.h"

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
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
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL GetMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax);
constexpr UINT PM_NOREMOVE = 0x0;
constexpr UINT PM_REMOVE = 0x1;
BOOL PeekMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG* message);
LRESULT DispatchMessageW(const MSG* message);
BOOL InSendMessage();
DWORD GetMessageTime();

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
