// The pixels of a drop shadow: a blurred copy of a window's outline with a
// fully transparent hole where the window itself lies.
//
// Pure computation on a caller's 32-bit premultiplied-alpha buffer; the
// window side (CWndShadow) collects the outline and shows the result. The
// buffer is stored bottom-up, as a DIB section with a positive height keeps
// it: shadow row y (counted from the top) is buffer row height - 1 - y.
#pragma once

#include <cstdint>
#include <vector>

namespace shadow {

struct ShadowParams {
    int darkness = 30;   // alpha of the solid shadow, 0..255
    int sharpness = 30;  // width of the soft edge
    int size = 30;       // margin around the window, 0 or more
    int offsetX = 0;     // shift of the shadow against the window
    int offsetY = 0;
    std::uint32_t color = 0x00323232;  // COLORREF 0x00BBGGRR
};

// One row of the window's outline: the inside points are [left, right). A
// row without inside points holds the empty span {width, 0}.
struct Span {
    int left;
    int right;
    bool Empty() const { return left >= right; }
};

// The colour with each component scaled by alpha / 255 (integer division),
// as 0x00RRGGBB; the caller adds alpha << 24.
std::uint32_t PreMultiply(std::uint32_t colorref, int alpha);

// The (2K + 1) x (2K + 1) table stamped along the outline, K = max(sharpness,
// size), row-major from (-K, -K); entry (K, K) is the centre.
std::vector<std::uint32_t> BuildKernel(const ShadowParams& params);

// Shadow size for a window of width x height: width + 2 * size.
inline int ShadowExtent(int extent, const ShadowParams& params) { return extent + 2 * params.size; }

// Renders the shadow of a window of `width` x `height` whose outline is
// `outline` (one span per window row) into `pixels`, a zeroed bottom-up
// buffer of ShadowExtent(width) x ShadowExtent(height) values. Every write
// stays inside the buffer. Returns false (and draws nothing) when the sizes
// do not fit the outline or the parameters are out of range.
bool RenderShadow(const ShadowParams& params, int width, int height, const std::vector<Span>& outline,
                  std::uint32_t* pixels, std::size_t pixelCount);

}  // namespace shadow
