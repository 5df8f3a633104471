#include "setup/FallbackArt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace {

// Pixels are 0x00RRGGBB, as bitmaps hold them.
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kPageBack = 0xF7F8FA;  // the large layout's background
constexpr std::uint32_t kRowBack = 0xFAFAFC;   // its even survey rows
constexpr std::uint32_t kBlue = 0x198CE5, kBlueLight = 0x3A9FEC, kBlueDark = 0x1272BF;
constexpr std::uint32_t kGreen = 0x23A68C, kGreenLight = 0x3BB89E, kGreenDark = 0x1B8A74;
constexpr std::uint32_t kGrey = 0x9A9A9A;

std::uint32_t Mix(std::uint32_t under, std::uint32_t over, double coverage) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double a = (under >> shift) & 0xFF, b = (over >> shift) & 0xFF;
        out |= static_cast<std::uint32_t>(std::lround(a + (b - a) * coverage)) << shift;
    }
    return out;
}

// A w × h picture; shapes are signed distances (negative inside), blended by
// how much of each pixel they cover.
class Art {
public:
    Art(int width, int height, std::uint32_t back)
        : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width) * height, back) {}

    void Shape(const std::function<double(double, double)>& distance, std::uint32_t colour) {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                double coverage = std::clamp(0.5 - distance(x + 0.5, y + 0.5), 0.0, 1.0);
                std::uint32_t& pixel = m_pixels[static_cast<size_t>(y) * m_width + x];
                if (coverage > 0) pixel = Mix(pixel, colour, coverage);
            }
    }
    HBITMAP Bitmap() const { return CreateBitmap(m_width, m_height, 1, 32, m_pixels.data()); }

private:
    int m_width, m_height;
    std::vector<std::uint32_t> m_pixels;
};

// Distance to a rectangle with rounded corners of radius r.
std::function<double(double, double)> RoundRect(double left, double top, double right, double bottom, double r) {
    return [=](double x, double y) {
        double qx = std::fabs(x - (left + right) / 2) - ((right - left) / 2 - r);
        double qy = std::fabs(y - (top + bottom) / 2) - ((bottom - top) / 2 - r);
        return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
    };
}

std::function<double(double, double)> Disc(double cx, double cy, double radius) {
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) - radius; };
}

// Distance to the segment a-b, minus half the stroke width.
std::function<double(double, double)> Stroke(double ax, double ay, double bx, double by, double width) {
    return [=](double x, double y) {
        double dx = bx - ax, dy = by - ay;
        double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        return std::hypot(x - ax - t * dx, y - ay - t * dy) - width / 2;
    };
}

HBITMAP Button(std::uint32_t colour) {
    Art art(100, 32, kWhite);
    art.Shape([](double, double) { return -1.0; }, colour);
    return art.Bitmap();
}

// The round option box of a survey row: open (edge colour) or chosen.
HBITMAP OptionBox(std::uint32_t back, std::uint32_t edge, bool chosen) {
    Art art(16, 16, back);
    art.Shape(Disc(8, 8, 7), chosen ? kBlue : edge);
    art.Shape(Disc(8, 8, 5.8), kWhite);
    if (chosen) art.Shape(Disc(8, 8, 3.5), kBlue);
    return art.Bitmap();
}

HBITMAP Cross(std::uint32_t colour) {
    Art art(8, 8, kPageBack);
    art.Shape(Stroke(1, 1, 7, 7, 1.4), colour);
    art.Shape(Stroke(7, 1, 1, 7, 1.4), colour);
    return art.Bitmap();
}

HBITMAP Logo() {
    Art art(24, 24, kPageBack);
    art.Shape(Disc(12, 12, 11), kBlue);
    // A play mark: the triangle as the largest of its three edge distances.
    art.Shape(
        [](double x, double y) {
            double a = 9.0 - x;
            double b = (x - 9.0) * 0.5 + (y - 12.0) * 0.866 - 4.0;
            double c = (x - 9.0) * 0.5 - (y - 12.0) * 0.866 - 4.0;
            return std::max({a, b, c});
        },
        kWhite);
    return art.Bitmap();
}

HBITMAP Picture() {
    Art art(342, 228, 0xF7F8FA);
    art.Shape([](double x, double y) { return std::fabs(std::min({x, 342 - x, y, 228 - y}) - 0.5) - 0.5; }, 0xD9DEE4);
    // A box with its lid lifted: the product leaving the computer.
    art.Shape(RoundRect(131, 96, 211, 166, 4), 0xC9D3DD);
    art.Shape(RoundRect(121, 74, 221, 92, 3), kGreen);
    return art.Bitmap();
}

}  // namespace

HBITMAP DrawDialogFallbackBitmap(UINT id) {
    switch (id) {
        case 154: return Picture();
        case 161: return Button(kGreenDark);
        case 162: return Button(kGreenLight);
        case 163: return Button(kGreen);
        case 195: return OptionBox(kRowBack, kGrey, true);
        case 197: return OptionBox(kRowBack, kGrey, false);
        case 198: return OptionBox(kRowBack, kBlue, false);
        case 199: return OptionBox(kWhite, kGrey, true);
        case 201: return OptionBox(kWhite, kGrey, false);
        case 202: return OptionBox(kWhite, kBlue, false);
        case 300: return Logo();
        case 302: return Button(kBlue);
        case 303: return Button(kBlueLight);
        case 304: return Button(kBlueDark);
        case 306: return Cross(kGrey);
        case 307: return Cross(kBlue);
        case 308: return Cross(kBlueDark);
        default: return nullptr;
    }
}
