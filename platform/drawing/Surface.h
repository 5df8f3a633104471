// A 32-bit pixel surface: what bitmaps, DIB sections and window contents are.
//
// Pixels are 0x00RRGGBB (0xAARRGGBB premultiplied in layered images). Rows are
// top-down unless the surface is a bottom-up DIB section, whose memory the
// caller sees directly. Drawing calls lock the surface while they touch it, so
// a window painted from two threads never tears; the generation counter tells
// the output back ends that the content changed.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// Ceiling on either side of a surface (keeps width × height × 4 in range).
constexpr int kMaxSurfaceSide = 16384;

struct Surface {
    std::mutex lock;
    int width = 0;
    int height = 0;
    bool bottomUp = false;
    std::vector<std::uint32_t> storage;
    std::atomic<std::uint64_t> generation{0};

    // False when the size is out of range (then the surface stays empty).
    bool Allocate(int w, int h, std::uint32_t fill) {
        if (w < 0 || h < 0 || w > kMaxSurfaceSide || h > kMaxSurfaceSide) return false;
        width = w;
        height = h;
        storage.assign(static_cast<size_t>(w) * static_cast<size_t>(h), fill);
        return true;
    }
    std::uint32_t* Row(int y) {
        int stored = bottomUp ? height - 1 - y : y;
        return storage.data() + static_cast<size_t>(stored) * static_cast<size_t>(width);
    }
    const std::uint32_t* Row(int y) const {
        int stored = bottomUp ? height - 1 - y : y;
        return storage.data() + static_cast<size_t>(stored) * static_cast<size_t>(width);
    }
    void Touch() { generation.fetch_add(1, std::memory_order_relaxed); }
    // Sets the pixels of [left, right) × [top, bottom) that lie on the
    // surface; the caller holds the lock.
    void FillArea(int left, int top, int right, int bottom, std::uint32_t pixel) {
        left = left > 0 ? left : 0;
        top = top > 0 ? top : 0;
        right = right < width ? right : width;
        bottom = bottom < height ? bottom : height;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) Row(y)[x] = pixel;
    }
};

using SurfacePtr = std::shared_ptr<Surface>;

inline std::uint32_t PixelFromColorref(std::uint32_t colorref) {
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}
inline std::uint32_t ColorrefFromPixel(std::uint32_t pixel) { return PixelFromColorref(pixel & 0xFFFFFF); }

}  // namespace platform
