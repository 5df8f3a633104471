// Font routines of the user interface.
#pragma once

#include <string>

#include "platform/windowing/WindowTypes.h"

// The face name the skinned controls use when none is configured.
std::wstring GetDefaultFontName();

// A font `size` pixels high at 96 DPI, scaled to the DPI of the window's
// display (the screen's for a null window); weight 700 when bold, else the
// default. A face name longer than the 31 units LOGFONTW holds is cut.
// The caller owns the font (DeleteObject); null when it cannot be created.
HFONT CreateScaledFont(int size, bool bold, HWND window, const wchar_t* faceName);
HFONT CreateScaledFont(int size, bool bold, const wchar_t* faceName);
