// The desktop beyond the program's own windows, shaped like USER32's
// SwitchToThisWindow, the clipboard calls and the screen-saver parts of
// SystemParametersInfoW.
//
// SwitchToThisWindow is the same as SetForegroundWindow (the headless
// window manager has no task switcher). The clipboard and the screen saver
// are the X server's when a display is open to the process (DISPLAY set and
// the X11 back end built); without one these calls fail with
// ERROR_NOT_SUPPORTED and change nothing.
#pragma once

#include "platform/base/Win32Types.h"

void SwitchToThisWindow(HWND window, BOOL altTab);
