// One bitmap resource of the program with a copy of its pixels, and the
// loader of skin bitmaps.
//
// The pixel copy is width × height 32-bit pixels, rows top-down, each
// 0x00RRGGBB, whatever format the resource was stored in. The object owns the
// bitmap and the copy; it is not copyable.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/windowing/WindowTypes.h"

class BMData {
public:
    BMData() = default;
    virtual ~BMData();
    BMData(const BMData&) = delete;
    BMData& operator=(const BMData&) = delete;

    // Loads the bitmap resource `id`. On failure nothing is held: no bitmap,
    // no pixels, width and height 0.
    bool Load(UINT id);

    HBITMAP Bitmap() const { return m_bitmap; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const std::uint32_t* Pixels() const { return m_pixels.get(); }

private:
    void Clear();

    HBITMAP m_bitmap = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::unique_ptr<std::uint32_t[]> m_pixels;
};

// LoadBitmapW on the program's module; null for a missing resource. The
// caller owns the bitmap.
HBITMAP LoadSkinBitmap(UINT id);
