// The shadow's pixels, computed on a memory buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/ShadowPainter.h"

namespace {

using shadow::ShadowParams;
using shadow::Span;

std::vector<Span> RectOutline(int width, int height) { return std::vector<Span>(height, Span{0, width}); }

// Reads shadow pixel (x, y), y counted from the top, of a bottom-up buffer.
struct Picture {
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(height - 1 - y) * width + static_cast<std::size_t>(x)];
    }
};

Picture Render(const ShadowParams& params, int width, int height, const std::vector<Span>& outline) {
    Picture picture{shadow::ShadowExtent(width, params), shadow::ShadowExtent(height, params), {}};
    picture.pixels.assign(static_cast<std::size_t>(picture.width) * picture.height, 0);
    EXPECT_TRUE(shadow::RenderShadow(params, width, height, outline, picture.pixels.data(), picture.pixels.size()));
    return picture;
}

TEST(ShadowPainter, KernelValues) {
    ShadowParams params;
    std::vector<std::uint32_t> kernel = shadow::BuildKernel(params);
    ASSERT_EQ(kernel.size(), 61u * 61u);
    auto at = [&](int dx, int dy) { return kernel[static_cast<std::size_t>(dy + 30) * 61 + (dx + 30)]; };
    EXPECT_EQ(at(0, 0), 0x1E050505u);   // alpha 30, 50 * 30 / 255 = 5
    EXPECT_EQ(at(15, 0), 0x0F020202u);  // (1 - 15/31) * 30 = 15.48
    EXPECT_EQ(at(29, 0), 0x01000000u);  // (1 - 29/31) * 30 = 1.9
    EXPECT_EQ(at(30, 0), 0u);           // 0.97 truncates to 0
    EXPECT_EQ(at(-30, -30), 0u);        // beyond the radius
    EXPECT_EQ(at(0, -15), at(15, 0));
    EXPECT_EQ(shadow::PreMultiply(0x00FF8000, 128), 0x00004080u);  // COLORREF in, RRGGBB out
}

TEST(ShadowPainter, RectangleGetsSoftEdgesAroundATransparentHole) {
    ShadowParams params;
    Picture picture = Render(params, 100, 80, RectOutline(100, 80));
    ASSERT_EQ(picture.width, 160);
    ASSERT_EQ(picture.height, 140);
    for (int y = 30; y < 110; ++y)
        for (int x = 30; x < 130; ++x) ASSERT_EQ(picture.At(x, y), 0u) << x << "," << y;
    // One pixel off each side of the window: the kernel one step from its centre.
    EXPECT_EQ(picture.At(29, 70), 0x1D050505u);
    EXPECT_EQ(picture.At(130, 70), 0x1D050505u);
    EXPECT_EQ(picture.At(80, 29), 0x1D050505u);
    EXPECT_EQ(picture.At(80, 110), 0x1D050505u);
    // The outer ring fades to nothing.
    EXPECT_EQ(picture.At(1, 70), 0x01000000u);
    EXPECT_EQ(picture.At(0, 70), 0u);
    EXPECT_EQ(picture.At(0, 0), 0u);
    EXPECT_EQ(picture.At(159, 139), 0u);
    // Alpha never exceeds the darkness.
    for (std::uint32_t pixel : picture.pixels) ASSERT_LE(pixel >> 24, 30u);
}

TEST(ShadowPainter, HoleFollowsTheOutlineAndBufferIsBottomUp) {
    // An L shape: the top half of the window is only its left half.
    std::vector<Span> outline = RectOutline(60, 40);
    for (int row = 0; row < 20; ++row) outline[row] = Span{0, 30};
    ShadowParams params;
    Picture picture = Render(params, 60, 40, outline);
    EXPECT_EQ(picture.At(40, 35), 0u);  // inside the window
    EXPECT_NE(picture.At(75, 35), 0u);  // beside the missing corner: shadow
    EXPECT_EQ(picture.At(75, 65), 0u);  // lower half, inside
    EXPECT_EQ(picture.pixels[0], picture.At(0, picture.height - 1));
}

TEST(ShadowPainter, OtherParametersStayInsideTheBuffer) {
    struct Case {
        ShadowParams params;
        int width;
        int height;
    };
    const Case cases[] = {
        {{30, 10, 2, 0, 0, 0x00323232}, 40, 30},      // soft edge wider than the margin: erosion
        {{30, 5, 20, 0, 0, 0x00323232}, 40, 30},      // margin wider than the soft edge: solid core
        {{30, 30, 30, 45, -45, 0x00323232}, 40, 30},  // offsets past the margin
        {{255, 0, 0, 0, 0, 0x00FFFFFF}, 1, 1},        // no margin at all
        {{30, 30, 30, 0, 0, 0x00323232}, 0, 0},       // empty window
    };
    for (const Case& tc : cases) {
        Picture picture = Render(tc.params, tc.width, tc.height, RectOutline(tc.width, tc.height));
        for (std::uint32_t pixel : picture.pixels)
            ASSERT_LE(pixel >> 24, static_cast<std::uint32_t>(tc.params.darkness));
    }
    // Margin wider than the soft edge: the solid radius gives full darkness next to the window.
    Picture solid = Render(cases[1].params, 40, 30, RectOutline(40, 30));
    EXPECT_EQ(solid.At(19, 35) >> 24, 30u);
}

TEST(ShadowPainter, RefusesBuffersAndOutlinesThatDoNotFit) {
    ShadowParams params;
    std::vector<std::uint32_t> small(10, 0);
    EXPECT_FALSE(shadow::RenderShadow(params, 100, 80, RectOutline(100, 80), small.data(), small.size()));
    std::vector<std::uint32_t> enough(160 * 140, 0);
    EXPECT_FALSE(shadow::RenderShadow(params, 100, 80, RectOutline(100, 79), enough.data(), enough.size()));
    ShadowParams negative;
    negative.size = -1;
    EXPECT_FALSE(shadow::RenderShadow(negative, 100, 80, RectOutline(100, 80), enough.data(), enough.size()));
    for (std::uint32_t pixel : small) EXPECT_EQ(pixel, 0u);
}

}  // namespace
