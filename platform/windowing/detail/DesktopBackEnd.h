// The X server's clipboard and screen saver for Desktop.cpp. Two back ends
// implement it: x11/X11Desktop.cpp (Xlib, with the screen-saver extension
// when it is built) and headless/NoX11Desktop.cpp (every call answers "no
// display"). The X11 back end keeps a connection of its own (opened on first
// use, one call at a time), apart from the window output's.
#pragma once

#include <string>

namespace platform {

// False when no display is open to the process (DISPLAY unset, or
// WEBINSTALLER_OUTPUT=headless, or the server refuses).
bool DesktopDisplayOpen();
// The CLIPBOARD selection as UTF-8 text; `text` stays empty when nobody owns
// it or the owner offers no text. False without a display.
bool ReadClipboardText(std::string& text);
// The screen saver's timeout in seconds (0: switched off).
bool GetScreenSaverSeconds(int& seconds);
// -1 restores the server's default.
bool SetScreenSaverSeconds(int seconds);
bool IsScreenSaverOn(bool& on);
// Ends a running screen saver as user input would.
bool ResetScreenSaver();

}  // namespace platform
