// Window, clipboard and screen-saver controls of the second utility library.
// The clipboard and the screen saver are the X server's when a display is
// open; without one the functions report failure (0).
#pragma once

#include "platform/base/Win32Types.h"

// SetWindowPos(HWND_TOPMOST) without moving or sizing.
BOOL SetWindowTopmost(HWND window);
// SwitchToThisWindow, looked up once in user32 (alt-tab style); 0 when missing.
int SwitchToWindow(HWND window);

// 1 and at most `length` - 1 characters of the clipboard's text (CF_TEXT)
// when it offers text, else 0 (and an empty buffer when one was given).
int GetClipboardText(char* buffer, int length);
// Set: the screen saver's timeout becomes 0 (switched off); clear: the
// timeout read at the first call comes back (-1, the default, when none
// could be read). 1 when the system took it.
int SetScreenSaverTimeout(int flag);
// 1 when a screen saver ran and was asked to close, else 0.
int CloseScreenSaver();
