// The pixels of the owner-drawn controls: each control works out its state
// and hands what to draw to these helpers. All of them accept a null DC or
// bitmap and then draw nothing.
#pragma once

#include <string>

#include "platform/windowing/WindowTypes.h"

namespace controlpaint {

// The rectangle `width` pixels inside `rect` on every side: what a border
// of that width leaves.
inline RECT Inset(const RECT& rect, int width) {
    return RECT{rect.left + width, rect.top + width, rect.right - width, rect.bottom - width};
}
// Fills a rectangle with a temporary solid brush.
int Fill(HDC dc, const RECT& rect, COLORREF color);
// Copies the top-left cx × cy pixels of a bitmap to (x, y), never reading
// past the bitmap's own size. `compatible` is the DC the memory DC is made
// compatible with (null: the screen). False when nothing could be drawn.
bool Bitmap(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy, HDC compatible);
// Draws text transparently in a colour and font (null font: the DC's own);
// DT_CALCRECT in `format` measures into `rect` instead. False for empty text.
bool Text(HDC dc, const std::wstring& text, RECT* rect, UINT format, HFONT font, COLORREF color);

}  // namespace controlpaint
