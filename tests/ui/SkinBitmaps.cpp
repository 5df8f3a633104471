#include "tests/ui/SkinBitmaps.h"

#include <cmath>
#include <functional>
#include <string>

#include "platform/base/Resources.h"
#include "platform/base/Win32Types.h"
#include "tests/support/DibBytes.h"

namespace skintest {

namespace {

// A 32-bit DIB whose pixel (x, y), y from the top, is pixel(x, y).
std::string Dib(int width, int height, const std::function<std::uint32_t(int, int)>& pixel) {
    return testsupport::MakeDib(width, height, pixel);
}

void Register(int id, const std::string& bytes) {
    platform::OverrideResource(RT_BITMAP(), MAKEINTRESOURCEW(id), bytes);
}

std::uint32_t Disc(int x, int y, int size, std::uint32_t inside, std::uint32_t mark, std::uint32_t outside) {
    double centre = (size - 1) / 2.0;
    double distance = std::hypot(x - centre, y - centre);
    if (distance > size / 2.0) return outside;
    // An upright bar with a dot above it, as an information sign.
    int mid = size / 2;
    bool bar = std::abs(x - mid) <= size / 14 && y >= size * 4 / 10 && y <= size * 3 / 4;
    bool dot = std::hypot(x - mid, y - size * 0.27) <= size / 12.0;
    return (bar || dot) ? mark : inside;
}

}  // namespace

void RegisterSkinBitmaps(bool withUninstallButtons) {
    const std::uint32_t band = 0x4A47B5;
    auto solid = [](std::uint32_t colour) { return [colour](int, int) { return colour; }; };
    auto cross = [band](std::uint32_t back) {
        return [back](int x, int y) {
            int cx = x - 8, cy = y - 10;
            return (std::abs(cx) <= 4 && (cx == cy || cx == -cy)) ? 0xFFFFFFu : back;
        };
    };
    Register(176, Dib(100, 32, solid(kButtonPixel)));
    Register(174, Dib(100, 32, solid(kButtonHoverPixel)));
    Register(177, Dib(100, 32, solid(kButtonPressedPixel)));
    Register(179, Dib(17, 21, cross(band)));
    Register(178, Dib(17, 21, cross(0x6865D3)));
    Register(180, Dib(17, 21, cross(0x363397)));
    Register(175, Dib(30, 30, [](int x, int y) { return Disc(x, y, 30, 0x4A47B5, 0xFFFFFF, 0xFFFFFF); }));
    Register(192, Dib(52, 52, [](int x, int y) { return Disc(x, y, 52, 0x4A47B5, 0xFFFFFF, 0xFFFFFF); }));
    // Check box: an empty square, its hover look, and the ticked square.
    auto box = [](bool ticked, std::uint32_t edge) {
        return [ticked, edge](int x, int y) -> std::uint32_t {
            if (x == 0 || y == 0 || x == 13 || y == 13) return edge;
            if (ticked) return (x >= 3 && x <= 10 && y >= 3 && y <= 10) ? 0x4A47B5u : 0xFFFFFFu;
            return 0xFFFFFFu;
        };
    };
    Register(157, Dib(14, 14, box(false, 0x9A9A9A)));
    Register(158, Dib(14, 14, box(false, 0x4A47B5)));
    Register(159, Dib(14, 14, box(true, 0x4A47B5)));
    Register(160, Dib(14, 14, box(true, 0x6865D3)));
    if (withUninstallButtons) {
        Register(302, Dib(100, 32, solid(kUninstallButtonPixel)));
        Register(303, Dib(100, 32, solid(0x5AA5F5)));
        Register(304, Dib(100, 32, solid(0x1A6FC8)));
        Register(305, Dib(100, 32, solid(0xBBBBBB)));
    }
}

}  // namespace skintest
