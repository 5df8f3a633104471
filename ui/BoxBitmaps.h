// The skin bitmaps of one message box, at the box's DPI.
//
// A box lays itself out in design pixels scaled by its DPI, so its bitmaps
// are scaled the same way (smoothly) when it loads them. When the program
// carries no bitmap for one of the boxes' own ids, a plain drawn look stands
// in (see BoxFallbackArt.h), so the buttons, the close cross, the icon and
// the check square stay readable.
//
// The object owns every bitmap it hands out and deletes them with itself;
// the controls only borrow them. Used on the box's thread while it builds
// its controls.
#pragma once

#include <vector>

#include "platform/Win32.h"

// The length of a scaled bitmap: the design length scaled and rounded up, so
// the bitmap covers every control placed at scaled design edges (a 17-pixel
// close button at 144 DPI spans 25 or 26 pixels); only its top-left part the
// size of the control is drawn.
inline int BoxBitmapLength(int designLength, int dpi) {
    return static_cast<int>((static_cast<long long>(designLength) * dpi + 95) / 96);
}

class BoxBitmaps {
public:
    BoxBitmaps() = default;
    ~BoxBitmaps();
    BoxBitmaps(const BoxBitmaps&) = delete;
    BoxBitmaps& operator=(const BoxBitmaps&) = delete;

    // The DPI the bitmaps are made for (96 until set).
    void SetDpi(int dpi) { m_dpi = dpi; }

    // Resource `id` at the DPI, or null when the program has no such bitmap.
    HBITMAP Load(UINT id);
    // As Load, but a missing bitmap of the boxes' skin is drawn instead;
    // null only for ids that have no drawn look.
    HBITMAP LoadOrDraw(UINT id);

private:
    HBITMAP Keep(HBITMAP bitmap);

    int m_dpi = 96;
    std::vector<HBITMAP> m_owned;
};
