// Without Xlib there is no display: the desktop calls fail.
#include "platform/windowing/detail/DesktopBackEnd.h"

namespace platform {

bool DesktopDisplayOpen() { return false; }
bool ReadClipboardText(std::string&) { return false; }
bool GetScreenSaverSeconds(int&) { return false; }
bool SetScreenSaverSeconds(int) { return false; }
bool IsScreenSaverOn(bool&) { return false; }
bool ResetScreenSaver() { return false; }

}  // namespace platform
