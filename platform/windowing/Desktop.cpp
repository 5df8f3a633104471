#include "platform/windowing/Desktop.h"

#include "platform/windowing/Windowing.h"

void SwitchToThisWindow(HWND window, BOOL) { SetForegroundWindow(window); }
