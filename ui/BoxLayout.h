// Layout helpers of the message boxes: their rectangles are written in
// 96-DPI design pixels and scaled by the box's DPI as the controls are made,
// like the window, the fonts and the bitmaps.
#pragma once

#include <memory>

#include "platform/Win32.h"
#include "ui/CommonDlg.h"

// A design-pixel rectangle in client pixels at `dpi`.
inline RECT ScaledRect(int left, int top, int right, int bottom, int dpi) {
    return RECT{ScaleForDpi(left, dpi), ScaleForDpi(top, dpi), ScaleForDpi(right, dpi), ScaleForDpi(bottom, dpi)};
}

// A control of the box `hwnd` at a design-pixel rectangle.
template <typename Control>
std::unique_ptr<Control> MakeScaledControl(HWND hwnd, int dpi, int left, int top, int right, int bottom) {
    RECT r = ScaledRect(left, top, right, bottom, dpi);
    return std::make_unique<Control>(hwnd, r.left, r.top, r.right, r.bottom);
}
