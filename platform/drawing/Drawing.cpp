// Pixel operations: fills, block transfers, single pixels and layered-window
// images. Every operation clips to the surfaces it touches.
#include <algorithm>
#include <cstring>

#include "platform/drawing/Gdi.h"
#include "platform/drawing/detail/GdiInternals.h"
#include "platform/base/LastError.h"
#include "platform/windowing/WindowSurfaces.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {

// Locks one or two surfaces without risking a lock-order deadlock.
class SurfaceLocks {
public:
    SurfaceLocks(Surface* a, Surface* b) {
        if (b == nullptr || a == b) {
            m_one = std::unique_lock<std::mutex>(a->lock);
        } else {
            std::lock(a->lock, b->lock);
            m_one = std::unique_lock<std::mutex>(a->lock, std::adopt_lock);
            m_two = std::unique_lock<std::mutex>(b->lock, std::adopt_lock);
        }
    }

private:
    std::unique_lock<std::mutex> m_one, m_two;
};

}  // namespace
}  // namespace platform

using namespace platform;

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    COLORREF color = 0;
    SurfacePtr target = TargetOf(dc);
    if (rect == nullptr || !LookupDc(dc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!BrushColor(brush, &color)) return brush != nullptr && LookupGdi<BrushObject>(brush) ? 1 : 0;
    if (!target) return 1;
    std::uint32_t pixel = PixelFromColorref(color);
    std::lock_guard<std::mutex> guard(target->lock);
    target->FillArea(rect->left, rect->top, rect->right, rect->bottom, pixel);
    target->Touch();
    return 1;
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
    if (!LookupDc(destination)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    SurfacePtr to = TargetOf(destination);
    if (rop == BLACKNESS || rop == WHITENESS) {
        if (!to) return TRUE;
        std::uint32_t pixel = rop == BLACKNESS ? 0 : 0xFFFFFF;
        std::lock_guard<std::mutex> guard(to->lock);
        to->FillArea(x, y, x + width, y + height, pixel);
        to->Touch();
        return TRUE;
    }
    if (rop != SRCCOPY) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (!LookupDc(source)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    SurfacePtr from = TargetOf(source);
    if (!to || !from || width <= 0 || height <= 0) return TRUE;
    SurfaceLocks locks(to.get(), from.get());
    // Clip against the source, then against the destination.
    if (sourceX < 0) {
        x -= sourceX;
        width += sourceX;
        sourceX = 0;
    }
    if (sourceY < 0) {
        y -= sourceY;
        height += sourceY;
        sourceY = 0;
    }
    if (x < 0) {
        sourceX -= x;
        width += x;
        x = 0;
    }
    if (y < 0) {
        sourceY -= y;
        height += y;
        y = 0;
    }
    width = std::min({width, from->width - sourceX, to->width - x});
    height = std::min({height, from->height - sourceY, to->height - y});
    if (width <= 0 || height <= 0) return TRUE;
    if (to == from && y > sourceY) {
        for (int row = height - 1; row >= 0; --row)
            std::memmove(to->Row(y + row) + x, from->Row(sourceY + row) + sourceX, static_cast<size_t>(width) * 4);
    } else {
        for (int row = 0; row < height; ++row)
            std::memmove(to->Row(y + row) + x, from->Row(sourceY + row) + sourceX, static_cast<size_t>(width) * 4);
    }
    to->Touch();
    return TRUE;
}

BOOL StretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
    if (width == sourceWidth && height == sourceHeight)
        return BitBlt(destination, x, y, width, height, source, sourceX, sourceY, rop);
    if (rop != SRCCOPY || !LookupDc(destination) || !LookupDc(source)) return FALSE;
    SurfacePtr to = TargetOf(destination), from = TargetOf(source);
    if (!to || !from || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return TRUE;
    const bool halftone = GetStretchBltMode(destination) == HALFTONE;
    SurfaceLocks locks(to.get(), from.get());
    // The source pixels a blend may read: the source rectangle cut to its surface.
    const int firstColumn = std::max(sourceX, 0), lastColumn = std::min(sourceX + sourceWidth, from->width) - 1;
    const int firstRow = std::max(sourceY, 0), lastRow = std::min(sourceY + sourceHeight, from->height) - 1;
    if (lastColumn < firstColumn || lastRow < firstRow) return TRUE;
    // One axis of the mapping: the source position (in 1/256 pixel) whose
    // centre falls on destination pixel i.
    auto position = [](int i, int from, int to, int origin) {
        return origin * 256 + static_cast<int>(((2LL * i + 1) * from * 256 / to - 256) / 2);
    };
    for (int row = 0; row < height; ++row) {
        int ty = y + row;
        if (ty < 0 || ty >= to->height) continue;
        std::uint32_t* out = to->Row(ty);
        if (!halftone) {
            int sy = sourceY + static_cast<int>(static_cast<long long>(row) * sourceHeight / height);
            if (sy < 0 || sy >= from->height) continue;
            for (int column = 0; column < width; ++column) {
                int tx = x + column;
                int sx = sourceX + static_cast<int>(static_cast<long long>(column) * sourceWidth / width);
                if (tx < 0 || tx >= to->width || sx < 0 || sx >= from->width) continue;
                out[tx] = from->Row(sy)[sx];
            }
            continue;
        }
        int py = std::clamp(position(row, sourceHeight, height, sourceY), firstRow * 256, lastRow * 256);
        int y0 = py >> 8, fy = py & 0xFF, y1 = std::min(y0 + 1, lastRow);
        const std::uint32_t* upper = from->Row(y0);
        const std::uint32_t* lower = from->Row(y1);
        for (int column = 0; column < width; ++column) {
            int tx = x + column;
            if (tx < 0 || tx >= to->width) continue;
            int px = std::clamp(position(column, sourceWidth, width, sourceX), firstColumn * 256, lastColumn * 256);
            int x0 = px >> 8, fx = px & 0xFF, x1 = std::min(x0 + 1, lastColumn);
            std::uint32_t pixel = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                auto channel = [shift](std::uint32_t value) { return static_cast<int>((value >> shift) & 0xFF); };
                int top = channel(upper[x0]) * (256 - fx) + channel(upper[x1]) * fx;
                int bottom = channel(lower[x0]) * (256 - fx) + channel(lower[x1]) * fx;
                pixel |= static_cast<std::uint32_t>((top * (256 - fy) + bottom * fy + 32768) >> 16) << shift;
            }
            out[tx] = pixel;
        }
    }
    to->Touch();
    return TRUE;
}

int SetStretchBltMode(HDC dc, int mode) {
    if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
    return ExchangeDcField(dc, &DeviceContext::stretchMode, mode, 0);
}

int GetStretchBltMode(HDC dc) { return ReadDcField(dc, &DeviceContext::stretchMode, 0); }

COLORREF GetPixel(HDC dc, int x, int y) {
    SurfacePtr target = TargetOf(dc);
    if (!target) return 0xFFFFFFFF;  // CLR_INVALID
    std::lock_guard<std::mutex> guard(target->lock);
    if (x < 0 || y < 0 || x >= target->width || y >= target->height) return 0xFFFFFFFF;
    return ColorrefFromPixel(target->Row(y)[x]);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
    SurfacePtr target = TargetOf(dc);
    if (!target) return 0xFFFFFFFF;
    std::lock_guard<std::mutex> guard(target->lock);
    if (x < 0 || y < 0 || x >= target->width || y >= target->height) return 0xFFFFFFFF;
    target->Row(y)[x] = PixelFromColorref(color);
    target->Touch();
    return color & 0xFFFFFF;
}

BOOL UpdateLayeredWindow(HWND window, HDC, POINT* position, SIZE* size, HDC source, POINT* sourcePosition, COLORREF,
                         BLENDFUNCTION* blend, DWORD flags) {
    if (LayeredWindowsMissing()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    bool layered = false;
    if (!WindowIsLayered(window, &layered)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!layered) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (size == nullptr || size->cx <= 0 || size->cy <= 0 || size->cx > kMaxSurfaceSide || size->cy > kMaxSurfaceSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SurfacePtr from = TargetOf(source);
    if (!from) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto image = std::make_shared<Surface>();
    image->Allocate(size->cx, size->cy, 0);
    int sx = sourcePosition != nullptr ? sourcePosition->x : 0, sy = sourcePosition != nullptr ? sourcePosition->y : 0;
    bool perPixel = (flags & ULW_ALPHA) && blend != nullptr && (blend->AlphaFormat & AC_SRC_ALPHA);
    BYTE constant = blend != nullptr ? blend->SourceConstantAlpha : 255;
    {
        std::lock_guard<std::mutex> guard(from->lock);
        for (int y = 0; y < size->cy; ++y) {
            if (sy + y < 0 || sy + y >= from->height) continue;
            for (int x = 0; x < size->cx; ++x) {
                if (sx + x < 0 || sx + x >= from->width) continue;
                std::uint32_t pixel = from->Row(sy + y)[sx + x];
                if (!perPixel) pixel = (pixel & 0xFFFFFF) | 0xFF000000u;
                if (constant != 255) {
                    // Scale all four premultiplied channels by the constant alpha.
                    std::uint32_t scaled = 0;
                    for (int shift = 0; shift < 32; shift += 8)
                        scaled |= (((pixel >> shift) & 0xFF) * constant / 255) << shift;
                    pixel = scaled;
                }
                image->Row(y)[x] = pixel;
            }
        }
    }
    int x = 0, y = 0;
    if (!StoreLayeredImage(window, image, position, &x, &y)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);  // destroyed meanwhile
        return FALSE;
    }
    MoveWindow(window, x, y, size->cx, size->cy, FALSE);
    NotifyScreenChanged();
    return TRUE;
}
