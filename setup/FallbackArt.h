// Plain drawn stand-ins for the skin bitmaps of the uninstall and large
// layouts, used when the program carries none of its own for an id: flat
// buttons, round option boxes, a close cross, a logo disc and a picture
// panel, each at the size its control shows it (design pixels).
#pragma once

#include "platform/Win32.h"

// The stand-in for bitmap `id`, owned by the caller; null for ids without one.
HBITMAP DrawDialogFallbackBitmap(UINT id);
