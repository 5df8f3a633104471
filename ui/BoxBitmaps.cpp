#include "ui/BoxBitmaps.h"

#include "ui/BMData.h"
#include "ui/BoxFallbackArt.h"

namespace {

// A copy of `bitmap` scaled by dpi / 96 with HALFTONE blending; the
// original is deleted. Returns the original when nothing needs scaling or
// the copy cannot be made.
HBITMAP ScaledForDpi(HBITMAP bitmap, int dpi) {
    BITMAP header{};
    if (dpi == 96 || dpi <= 0 || GetObjectW(bitmap, sizeof header, &header) == 0) return bitmap;
    const int width = BoxBitmapLength(header.bmWidth, dpi), height = BoxBitmapLength(header.bmHeight, dpi);
    if (width <= 0 || height <= 0) return bitmap;
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    HBITMAP scaled = CreateCompatibleBitmap(from, width, height);
    HGDIOBJ previousFrom = SelectObject(from, bitmap);
    HGDIOBJ previousTo = SelectObject(to, scaled);
    SetStretchBltMode(to, HALFTONE);
    BOOL copied = StretchBlt(to, 0, 0, width, height, from, 0, 0, header.bmWidth, header.bmHeight, SRCCOPY);
    SelectObject(to, previousTo);
    SelectObject(from, previousFrom);
    DeleteDC(to);
    DeleteDC(from);
    if (scaled == nullptr || !copied) {
        if (scaled != nullptr) DeleteObject(scaled);
        return bitmap;
    }
    DeleteObject(bitmap);
    return scaled;
}

}  // namespace

BoxBitmaps::~BoxBitmaps() {
    for (HBITMAP bitmap : m_owned) DeleteObject(bitmap);
}

HBITMAP BoxBitmaps::Keep(HBITMAP bitmap) {
    if (bitmap != nullptr) m_owned.push_back(bitmap);
    return bitmap;
}

HBITMAP BoxBitmaps::Load(UINT id) {
    HBITMAP bitmap = LoadSkinBitmap(id);
    if (bitmap == nullptr) return nullptr;
    return Keep(ScaledForDpi(bitmap, m_dpi));
}

HBITMAP BoxBitmaps::LoadOrDraw(UINT id) {
    if (HBITMAP bitmap = Load(id); bitmap != nullptr) return bitmap;
    return Keep(DrawBoxFallbackBitmap(id, m_dpi));
}
