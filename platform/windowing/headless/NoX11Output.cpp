// Built when Xlib is missing: only the headless output exists, and every X11
// call reports that no display is there.
#include "platform/windowing/Screen.h"

namespace platform {
bool StartX11Output(const char*) { return false; }
void StopX11Output() {}
bool FlushX11Output(unsigned) { return false; }
bool CaptureX11Screen(int, int, int, int, Image*) { return false; }
bool SendX11Click(POINT) { return false; }
bool SendX11Key(UINT) { return false; }
}  // namespace platform
