#include "ui/BMData.h"

#include <new>

#include "platform/drawing/Gdi.h"
#include "platform/base/Resources.h"

BMData::~BMData() { Clear(); }

void BMData::Clear() {
    if (m_bitmap != nullptr) DeleteObject(m_bitmap);
    m_bitmap = nullptr;
    m_pixels.reset();
    m_width = 0;
    m_height = 0;
}

bool BMData::Load(UINT id) {
    // A failed load leaves nothing behind, so no caller reads a stale copy
    // against a size that no longer matches it.
    Clear();
    HBITMAP bitmap = LoadSkinBitmap(id);
    if (bitmap == nullptr) return false;
    BITMAP header{};
    if (GetObjectW(bitmap, sizeof header, &header) != static_cast<int>(sizeof header) || header.bmWidth <= 0 ||
        header.bmHeight <= 0) {
        DeleteObject(bitmap);
        return false;
    }
    size_t count = static_cast<size_t>(header.bmWidth) * static_cast<size_t>(header.bmHeight);
    std::unique_ptr<std::uint32_t[]> pixels(new (std::nothrow) std::uint32_t[count]());
    if (!pixels) {
        DeleteObject(bitmap);
        return false;
    }
    // Loaded bitmaps are 32-bit 0x00RRGGBB, rows top-down, whatever the
    // resource's own format was.
    LONG bytes = static_cast<LONG>(count * 4);
    if (GetBitmapBits(bitmap, bytes, pixels.get()) != bytes) {
        DeleteObject(bitmap);
        return false;
    }
    m_bitmap = bitmap;
    m_width = header.bmWidth;
    m_height = header.bmHeight;
    m_pixels = std::move(pixels);
    return true;
}

HBITMAP LoadSkinBitmap(UINT id) { return LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)); }
