// Mouse and keyboard: the pointer, mouse capture, keyboard focus, and the
// door through which input enters (the test driver and the X11 back end).
//
// Mouse messages go to the window that holds the capture, else to the
// deepest visible window under the pointer; a disabled top-level window (an
// owner while its modal dialog runs) gets none. Key messages go to the focus
// window, else to the foreground window.
#pragma once

#include "platform/windowing/WindowTypes.h"

HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND window);
HWND GetFocus();
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
short GetKeyState(int virtualKey);
short GetAsyncKeyState(int virtualKey);
HWND WindowFromPoint(POINT point);

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;

namespace platform {

// Moves the pointer to a screen point and posts the mouse message
// (WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP)
// to its target. Returns the target, or null when nothing took it.
HWND InjectMouse(UINT message, POINT screenPoint);
// Posts WM_KEYDOWN/WM_KEYUP (WM_SYSKEYDOWN/UP with Alt) to the key target.
HWND InjectKey(UINT virtualKey, bool down, bool alt);
// Posts WM_CHAR for one UTF-16 unit to the key target.
HWND InjectChar(wchar_t character);

}  // namespace platform
