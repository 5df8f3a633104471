#include "ui/ControlPainter.h"

#include <algorithm>

#include "platform/drawing/Gdi.h"
#include "platform/drawing/Text.h"

namespace controlpaint {

int Fill(HDC dc, const RECT& rect, COLORREF color) {
    if (dc == nullptr) return 0;
    HBRUSH brush = CreateSolidBrush(color);
    int result = FillRect(dc, &rect, brush);
    DeleteObject(brush);
    return result;
}

bool Bitmap(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy, HDC compatible) {
    if (dc == nullptr || bitmap == nullptr) return false;
    BITMAP header{};
    if (GetObjectW(bitmap, sizeof header, &header) != static_cast<int>(sizeof header)) return false;
    // Never copy more than the bitmap holds.
    cx = std::min<int>(cx, header.bmWidth);
    cy = std::min<int>(cy, header.bmHeight);
    if (cx <= 0 || cy <= 0) return false;
    HDC memory = CreateCompatibleDC(compatible);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(dc, x, y, cx, cy, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return true;
}

bool Text(HDC dc, const std::wstring& text, RECT* rect, UINT format, HFONT font, COLORREF color) {
    if (dc == nullptr || text.empty() || rect == nullptr) return false;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), rect, format);
    if (previous != nullptr) SelectObject(dc, previous);
    return true;
}

}  // namespace controlpaint
