// Window, clipboard and screen-saver controls of the second utility library.
// The clipboard and the screen saver are the X server's when a display is
// open; without one the functions report failure (0).
#pragma once

#include "platform/base/Win32Types.h"

// SetWindowPos(HWND_TOPMOST) without moving or sizing.
BOOL SetWindowTopmost(HWND window);
// SwitchToThisWindow, looked up once in user32 (alt-tab style); 0 when missing.
int SwitchToWindow(HWND window);
