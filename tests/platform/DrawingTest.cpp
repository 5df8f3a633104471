#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/windowing/Screen.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

using DrawingTest = testsupport::MachineTest;

// A memory DC with a w x h bitmap, filled white.
struct Canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    Canvas(int w, int h) {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, w, h);
        previous = SelectObject(dc, bitmap);
        RECT all{0, 0, w, h};
        HBRUSH white = CreateSolidBrush(0xFFFFFF);
        FillRect(dc, &all, white);
        DeleteObject(white);
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::uint32_t Pixel(int x, int y, int w) const {
        std::vector<std::uint32_t> bits(static_cast<size_t>(w) * (y + 1));
        GetBitmapBits(bitmap, static_cast<LONG>(bits.size() * 4), bits.data());
        return bits[static_cast<size_t>(y) * w + x];
    }
};

TEST_F(DrawingTest, FillConvertsColorrefToFramePixelsAndClips) {
    size_t before = platform::LiveGdiObjects();
    {
        Canvas canvas(4, 3);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT area{2, 1, 10, 10};  // runs past the bitmap
        EXPECT_EQ(FillRect(canvas.dc, &area, red), 1);
        DeleteObject(red);
        EXPECT_EQ(canvas.Pixel(1, 1, 4), 0xFFFFFFu);
        EXPECT_EQ(canvas.Pixel(2, 1, 4), 0xFF0000u);  // 0x00RRGGBB
        EXPECT_EQ(canvas.Pixel(3, 2, 4), 0xFF0000u);
        EXPECT_EQ(GetPixel(canvas.dc, 3, 2), RGB(255, 0, 0));
        // A system colour brush (COLOR_x + 1) works as a handle too.
        RECT corner{0, 0, 1, 1};
        FillRect(canvas.dc, &corner, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
        EXPECT_EQ(canvas.Pixel(0, 0, 4), 0xF0F0F0u);
    }
    EXPECT_EQ(platform::LiveGdiObjects(), before);
}

TEST_F(DrawingTest, BitBltClipsAgainstSourceAndDestination) {
    struct Case {
        int x, y, w, h, sx, sy;
        int probeX, probeY;
        std::uint32_t expected;
    } cases[] = {
        {0, 0, 2, 2, 0, 0, 1, 1, 0x0000FF},    // plain copy
        {3, 3, 5, 5, 0, 0, 3, 3, 0x0000FF},    // runs off the destination
        {-1, -1, 3, 3, 0, 0, 0, 0, 0x0000FF},  // starts before it
        {0, 0, 4, 4, 1, 1, 0, 0, 0x0000FF},    // source rest only (2 x 2 source)
        {0, 0, 4, 4, 1, 1, 2, 2, 0xFFFFFF},    // beyond the source: untouched
        {2, 2, 2, 2, -2, -2, 2, 2, 0xFFFFFF},  // outside the source: nothing
    };
    for (const Case& c : cases) {
        Canvas target(4, 4), source(2, 2);
        RECT all{0, 0, 2, 2};
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(source.dc, &all, blue);
        DeleteObject(blue);
        EXPECT_TRUE(BitBlt(target.dc, c.x, c.y, c.w, c.h, source.dc, c.sx, c.sy, SRCCOPY));
        EXPECT_EQ(target.Pixel(c.probeX, c.probeY, 4), c.expected) << c.x << "," << c.y << " from " << c.sx;
    }
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
}

// A 2 x 1 source (black, white) stretched to 8 x 1: nearest-neighbour gives
// two solid halves; HALFTONE keeps the ends and ramps between them, and never
// reads past the source rectangle (a red pixel lies just beyond it).
TEST_F(DrawingTest, StretchBltHalftoneBlendsInsideTheSourceRectangle) {
    Canvas source(3, 1);
    SetPixel(source.dc, 0, 0, RGB(0, 0, 0));
    SetPixel(source.dc, 1, 0, RGB(255, 255, 255));
    SetPixel(source.dc, 2, 0, RGB(255, 0, 0));
    struct Case {
        int mode;
        std::uint32_t expected[8];
    } cases[] = {
        {COLORONCOLOR, {0, 0, 0, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
        {HALFTONE, {0, 0, 0x202020, 0x606060, 0x9F9F9F, 0xDFDFDF, 0xFFFFFF, 0xFFFFFF}},
    };
    for (const Case& c : cases) {
        Canvas target(8, 1);
        EXPECT_EQ(SetStretchBltMode(target.dc, c.mode), BLACKONWHITE);
        EXPECT_EQ(GetStretchBltMode(target.dc), c.mode);
        EXPECT_TRUE(StretchBlt(target.dc, 0, 0, 8, 1, source.dc, 0, 0, 2, 1, SRCCOPY));
        for (int x = 0; x < 8; ++x) EXPECT_EQ(target.Pixel(x, 0, 8), c.expected[x]) << "mode " << c.mode << " x " << x;
    }
    EXPECT_EQ(SetStretchBltMode(nullptr, HALFTONE), 0);
    Canvas other(1, 1);
    EXPECT_EQ(SetStretchBltMode(other.dc, 9), 0);
}

// A bitmap is in one memory DC at a time: a second selection fails and
// leaves that DC drawing where it drew, until the first DC lets it go.
TEST_F(DrawingTest, BitmapIsSelectedIntoOneDcAtATime) {
    Canvas first(4, 4);
    HDC second = CreateCompatibleDC(nullptr);
    HGDIOBJ secondDefault = GetCurrentObject(second, OBJ_BITMAP);
    SetLastError(0);
    EXPECT_EQ(SelectObject(second, first.bitmap), nullptr);
    EXPECT_EQ(GetCurrentObject(second, OBJ_BITMAP), secondDefault);
    // Selecting it again into the DC that holds it is fine.
    EXPECT_EQ(SelectObject(first.dc, first.bitmap), first.bitmap);
    // Released by selecting the DC's own bitmap back...
    SelectObject(first.dc, first.previous);
    EXPECT_EQ(SelectObject(second, first.bitmap), secondDefault);
    SelectObject(second, secondDefault);
    // ...or by deleting the DC that holds it.
    HDC third = CreateCompatibleDC(nullptr);
    HGDIOBJ thirdDefault = SelectObject(third, first.bitmap);
    ASSERT_NE(thirdDefault, nullptr);
    EXPECT_EQ(SelectObject(second, first.bitmap), nullptr);
    DeleteDC(third);
    EXPECT_NE(SelectObject(second, first.bitmap), nullptr);
    SelectObject(second, secondDefault);
    DeleteDC(second);
    SelectObject(first.dc, first.bitmap);  // the canvas puts its default back
}

TEST_F(DrawingTest, DibSectionRowsAreBottomUpAndBitsTopDown) {
    BITMAPINFO info{};
    info.bmiHeader = {40, 3, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bits, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, dib);
    SetPixel(dc, 0, 0, RGB(1, 2, 3));                            // top row
    EXPECT_EQ(static_cast<std::uint32_t*>(bits)[3], 0x010203u);  // the second stored row
    std::uint32_t topDown[6] = {};
    EXPECT_EQ(GetBitmapBits(dib, sizeof topDown, topDown), 24);
    EXPECT_EQ(topDown[0], 0x010203u);
    BITMAP header{};
    EXPECT_EQ(GetObjectW(dib, sizeof header, &header), static_cast<int>(sizeof header));
    EXPECT_EQ(header.bmBitsPixel, 32);
    EXPECT_EQ(header.bmHeight, 2);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(dib);
}

// A bitmap resource: BITMAPINFOHEADER, palette, rows (bottom-up, 4-byte aligned).
std::string Dib(int width, int height, int bits, const std::vector<std::uint32_t>& palette,
                const std::vector<unsigned char>& rows) {
    std::string out(40, '\0');
    auto put32 = [&](size_t at, std::uint32_t v) { std::memcpy(&out[at], &v, 4); };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    out[12] = 1;
    out[14] = static_cast<char>(bits);
    put32(32, static_cast<std::uint32_t>(palette.size()));
    for (std::uint32_t color : palette) out.append(reinterpret_cast<const char*>(&color), 4);
    out.append(reinterpret_cast<const char*>(rows.data()), rows.size());
    return out;
}

TEST_F(DrawingTest, BitmapResourcesOfEveryDepthBecome32Bit) {
    struct Case {
        const char* name;
        std::string bytes;
        std::uint32_t topLeft, bottomRight;  // expected 0x00RRGGBB
    } cases[] = {
        {"24-bit", Dib(2, 2, 24, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}), 0x0000FF, 0x00FF00},
        {"32-bit", Dib(1, 2, 32, {}, {1, 2, 3, 0, 4, 5, 6, 0}), 0x060504, 0x030201},
        {"8-bit", Dib(2, 1, 8, {0x112233, 0x445566}, {1, 0, 0, 0}), 0x445566, 0x112233},
        {"1-bit", Dib(2, 1, 1, {0x000000, 0xFFFFFF}, {0x40, 0, 0, 0}), 0x000000, 0xFFFFFF},
        {"file form", "BM" + std::string(12, '\0') + Dib(1, 1, 24, {}, {9, 8, 7, 0}), 0x070809, 0x070809},
    };
    for (const Case& c : cases) {
        platform::OverrideResource(RT_BITMAP(), MAKEINTRESOURCEW(500), c.bytes);
        HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(500));
        ASSERT_NE(bitmap, nullptr) << c.name;
        BITMAP header{};
        GetObjectW(bitmap, sizeof header, &header);
        std::vector<std::uint32_t> pixels(static_cast<size_t>(header.bmWidth) * header.bmHeight);
        GetBitmapBits(bitmap, static_cast<LONG>(pixels.size() * 4), pixels.data());
        EXPECT_EQ(pixels.front(), c.topLeft) << c.name;
        EXPECT_EQ(pixels.back(), c.bottomRight) << c.name;
        DeleteObject(bitmap);
    }
    for (const std::string& bad :
         {std::string("short"), Dib(100, 100, 24, {}, {1, 2, 3}), Dib(1, 1, 7, {}, {0, 0, 0, 0})}) {
        platform::OverrideResource(RT_BITMAP(), MAKEINTRESOURCEW(500), bad);
        EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(500)), nullptr);
    }
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(501)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST_F(DrawingTest, MetricsFollowTheMachineProfile) {
    machine.profile().dpi = 144;
    machine.profile().screenWidth = 1280;
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 144);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    struct Case {
        int number, numerator, denominator, expected;
    } cases[] = {{14, 144, 96, 21}, {-7, 3, 2, -11}, {7, 3, 2, 11}, {5, 1, 0, -1}, {0x7FFFFFFF, 2, 1, -1}};
    for (const Case& c : cases) EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected);
}

TEST_F(DrawingTest, LayeredWindowsNeedTheStyleAndCanGoMissing) {
    HWND plain = CreateWindowExW(0, L"button", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND layered = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, L"button", L"", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0,
                                   nullptr, nullptr, nullptr, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP image = CreateCompatibleBitmap(dc, 2, 2);
    std::uint32_t pixels[4] = {0x80404040u, 0x80404040u, 0, 0xFF112233u};
    SetBitmapBits(image, sizeof pixels, pixels);
    HGDIOBJ previous = SelectObject(dc, image);
    POINT position{5, 6}, origin{0, 0};
    SIZE size{2, 2};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_FALSE(UpdateLayeredWindow(plain, nullptr, &position, &size, dc, &origin, 0, &blend, ULW_ALPHA));
    EXPECT_TRUE(UpdateLayeredWindow(layered, nullptr, &position, &size, dc, &origin, 0, &blend, ULW_ALPHA));
    EXPECT_EQ(platform::LayeredWindowUpdates(layered), 1u);
    platform::Image screen = platform::ComposeScreen();
    EXPECT_EQ(screen.At(6, 7), 0x112233u);                // opaque pixel
    EXPECT_EQ(screen.At(7, 6), platform::kDesktopPixel);  // alpha 0 leaves the desktop
    std::uint32_t blended = screen.At(5, 6);              // 0x40 + desktop * 127 / 255
    EXPECT_EQ(blended >> 16, 0x40u + (0x3Au * 127) / 255);
    HMODULE user32 = LoadLibraryW(L"USER32.DLL");
    EXPECT_NE(GetProcAddress(user32, "UpdateLayeredWindow"), nullptr);
    platform::SetLayeredWindowsMissing(true);
    EXPECT_EQ(GetProcAddress(user32, "UpdateLayeredWindow"), nullptr);
    EXPECT_FALSE(UpdateLayeredWindow(layered, nullptr, &position, &size, dc, &origin, 0, &blend, ULW_ALPHA));
    platform::SetLayeredWindowsMissing(false);
    EXPECT_EQ(LoadLibraryW(L"nothere.dll"), nullptr);
    SelectObject(dc, previous);
    DeleteObject(image);
    DeleteDC(dc);
    DestroyWindow(plain);
    DestroyWindow(layered);
}

TEST_F(DrawingTest, PngFilesAreCompleteImages) {
    platform::Image image;
    image.width = 3;
    image.height = 2;
    image.pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0, 0xFFFFFF, 0x123456};
    std::string path = Host(L"C:\\shot.png");
    ASSERT_TRUE(platform::WritePng(image, path));
    std::string bytes = ReadHostFile(path);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_EQ(static_cast<unsigned char>(bytes[19]), 3u);  // width in IHDR
    EXPECT_EQ(static_cast<unsigned char>(bytes[23]), 2u);
    platform::Image empty;
    EXPECT_FALSE(platform::WritePng(empty, path + "2"));
    EXPECT_FALSE(platform::WritePng(image, Host(L"C:\\no\\such\\folder\\x.png")));
}

}  // namespace
