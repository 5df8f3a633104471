// LoadBitmapW: decodes an RT_BITMAP resource into a 32-bit bitmap.
//
// The resource holds a DIB (BITMAPINFOHEADER, colour table, pixel rows), or a
// whole .bmp file (then its 14-byte file header comes first). 1, 4, 8, 16, 24
// and 32 bits per pixel, BI_RGB and BI_BITFIELDS, bottom-up or top-down rows
// are read; every pixel becomes 0x00RRGGBB. Anything malformed fails.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/drawing/Gdi.h"
#include "platform/drawing/detail/GdiInternals.h"
#include "platform/base/LastError.h"
#include "platform/base/Resources.h"

namespace {

std::uint32_t Read32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Read16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Value of `pixel` under a channel mask, scaled to 0..255.
std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    std::uint32_t max = mask >> shift;
    return ((pixel & mask) >> shift) * 255 / max;
}

HBITMAP Decode(const unsigned char* data, size_t size) {
    if (size >= 14 && data[0] == 'B' && data[1] == 'M') {
        data += 14;
        size -= 14;
    }
    if (size < 40) return nullptr;
    std::uint32_t headerSize = Read32(data);
    if (headerSize < 40 || headerSize > size) return nullptr;
    auto width = static_cast<std::int32_t>(Read32(data + 4));
    auto height = static_cast<std::int32_t>(Read32(data + 8));
    std::uint16_t bits = Read16(data + 14);
    std::uint32_t compression = Read32(data + 16);
    std::uint32_t colorsUsed = Read32(data + 32);
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > platform::kMaxSurfaceSide || height > platform::kMaxSurfaceSide)
        return nullptr;
    if (compression != BI_RGB && compression != BI_BITFIELDS) return nullptr;
    size_t offset = headerSize;
    std::uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    if (bits == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    if (compression == BI_BITFIELDS) {
        if (bits != 16 && bits != 32) return nullptr;
        if (headerSize == 40) {
            if (size < offset + 12) return nullptr;
            for (int i = 0; i < 3; ++i) masks[i] = Read32(data + offset + 4 * i);
            offset += 12;
        } else {
            for (int i = 0; i < 3; ++i) masks[i] = Read32(data + 40 + 4 * i);
        }
    }
    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        if (bits != 1 && bits != 4 && bits != 8) return nullptr;
        size_t count = colorsUsed != 0 ? colorsUsed : (1u << bits);
        if (count > 256 || size < offset + count * 4) return nullptr;
        for (size_t i = 0; i < count; ++i) palette.push_back(Read32(data + offset + 4 * i) & 0xFFFFFF);
        offset += count * 4;
    } else if (bits != 16 && bits != 24 && bits != 32) {
        return nullptr;
    }
    size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    if (size < offset + stride * static_cast<size_t>(height)) return nullptr;

    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, width, height);
    if (bitmap == nullptr) return nullptr;
    auto object = platform::LookupGdi<platform::BitmapObject>(bitmap);
    platform::Surface& surface = *object->surface;
    std::lock_guard<std::mutex> guard(surface.lock);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = data + offset + stride * static_cast<size_t>(topDown ? y : height - 1 - y);
        std::uint32_t* out = surface.Row(y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = 0;
            switch (bits) {
                case 1: pixel = palette[std::min<size_t>((row[x / 8] >> (7 - x % 8)) & 1, palette.size() - 1)]; break;
                case 4:
                    pixel = palette[std::min<size_t>((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF, palette.size() - 1)];
                    break;
                case 8: pixel = palette[std::min<size_t>(row[x], palette.size() - 1)]; break;
                case 16: {
                    std::uint32_t value = Read16(row + 2 * x);
                    pixel =
                        (Channel(value, masks[0]) << 16) | (Channel(value, masks[1]) << 8) | Channel(value, masks[2]);
                    break;
                }
                case 24:
                    pixel = static_cast<std::uint32_t>(row[3 * x]) | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
                    break;
                default: {
                    std::uint32_t value = Read32(row + 4 * x);
                    pixel = compression == BI_BITFIELDS ? (Channel(value, masks[0]) << 16) |
                                                              (Channel(value, masks[1]) << 8) | Channel(value, masks[2])
                                                        : value & 0xFFFFFF;
                    break;
                }
            }
            out[x] = pixel;
        }
    }
    surface.Touch();
    return bitmap;
}

}  // namespace

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
    HRSRC resource = FindResourceW(static_cast<HMODULE>(instance), name, RT_BITMAP());
    if (resource == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    DWORD size = SizeofResource(static_cast<HMODULE>(instance), resource);
    const void* bytes = LockResource(LoadResource(static_cast<HMODULE>(instance), resource));
    HBITMAP bitmap = bytes != nullptr ? Decode(static_cast<const unsigned char*>(bytes), size) : nullptr;
    if (bitmap == nullptr) SetLastError(ERROR_INVALID_DATA);
    return bitmap;
}
