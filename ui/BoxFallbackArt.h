// Plain drawn stand-ins for the message boxes' skin bitmaps, used when the
// program carries none: band-coloured buttons, a white cross on the title
// band, an information disc and the check squares. Drawn at the asked DPI
// straight away (no scaling blur) and anti-aliased.
#pragma once

#include "platform/Win32.h"

// The drawn look for skin bitmap `id` at `dpi`, owned by the caller; null
// for ids that are not the boxes' (the uninstall box's own buttons 302-305
// have none: it takes the message box's buttons instead).
HBITMAP DrawBoxFallbackBitmap(UINT id, int dpi);
