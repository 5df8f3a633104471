// The desktop beyond the program's own windows, shaped like USER32's
// SwitchToThisWindow, the clipboard calls, OpenDesktopW / EnumDesktopWindows /
// CloseDesktop and the screen-saver actions of SystemParametersInfoW.
//
// SwitchToThisWindow is the same as SetForegroundWindow (the headless window
// manager has no task switcher). The clipboard and the screen saver are the
// X server's when a display is open to the process (DISPLAY set, the X11
// back end built, and WEBINSTALLER_OUTPUT not "headless"); without one these
// calls fail with ERROR_NOT_SUPPORTED and change nothing.
//
// The clipboard is read only: OpenClipboard takes a copy of the CLIPBOARD
// selection's text, which GetClipboardData hands out (CF_TEXT in the ANSI
// code page, CF_OEMTEXT in the OEM one, CF_UNICODETEXT) until CloseClipboard.
// Memory handles are their own pointers, so GlobalLock returns the handle.
//
// While the X screen saver runs, the desktop "Screen-saver" opens and holds
// one visible window; WM_CLOSE posted to it ends the saver.
#pragma once

#include "platform/base/Win32Types.h"

PLATFORM_DECLARE_HANDLE(HDESK);
using WNDENUMPROC = BOOL (*)(HWND window, LPARAM parameter);

void SwitchToThisWindow(HWND window, BOOL altTab);

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_UNICODETEXT = 13;
// One process holds the clipboard open at a time (ERROR_ACCESS_DENIED otherwise).
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL IsClipboardFormatAvailable(UINT format);
// Valid until CloseClipboard; null when the format is not offered.
HANDLE GetClipboardData(UINT format);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);

constexpr UINT SPI_GETSCREENSAVETIMEOUT = 14;    // pvParam: int seconds out
constexpr UINT SPI_SETSCREENSAVETIMEOUT = 15;    // uiParam: seconds; (UINT)-1 the server's default
constexpr UINT SPI_GETSCREENSAVERRUNNING = 114;  // pvParam: BOOL out
// Other actions fail with ERROR_INVALID_PARAMETER.
BOOL SystemParametersInfoW(UINT action, UINT uiParam, LPVOID pvParam, UINT winIni);

constexpr DWORD DESKTOP_READOBJECTS = 0x0001;
constexpr DWORD DESKTOP_WRITEOBJECTS = 0x0080;
HDESK OpenDesktopW(LPCWSTR name, DWORD flags, BOOL inherit, DWORD access);
// A null desktop is the current one: its top-level windows, as EnumWindows.
BOOL EnumDesktopWindows(HDESK desktop, WNDENUMPROC callback, LPARAM parameter);
// Every top-level window, topmost first, until the callback returns FALSE.
BOOL EnumWindows(WNDENUMPROC callback, LPARAM parameter);
BOOL CloseDesktop(HDESK desktop);

namespace platform {
// The screen saver's window on the "Screen-saver" desktop, which the window
// layer answers for: visible, and WM_CLOSE posted to it ends the saver.
HWND ScreenSaverWindow();
BOOL PostToScreenSaverWindow(UINT message);
}  // namespace platform
