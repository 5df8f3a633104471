// What the drawing area needs of the window table: the surface a window is
// drawn into and the image a layered window shows. The window records stay
// private to the window area; these calls take the table's lock themselves.
#pragma once

#include "platform/drawing/Surface.h"
#include "platform/windowing/WindowTypes.h"

namespace platform {

// The surface of a window's client area; null for a stale or foreign handle.
SurfacePtr WindowSurface(HWND window);
// Whether the window was created with WS_EX_LAYERED; false (and *layered
// untouched) for a stale or foreign handle.
bool WindowIsLayered(HWND window, bool* layered);
// Makes `image` what the layered window shows and counts the update. The
// window's place is returned in *x, *y when `position` is null (else the
// given position). False for a stale or foreign handle.
bool StoreLayeredImage(HWND window, SurfacePtr image, const POINT* position, int* x, int* y);
// Tells the output back ends that what the screen shows changed.
void NotifyScreenChanged();

}  // namespace platform
