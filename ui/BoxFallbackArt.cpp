#include "ui/BoxFallbackArt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "ui/BoxBitmaps.h"

namespace {

// Pixels are 0x00RRGGBB, as bitmaps hold them.
constexpr std::uint32_t kBand = 0x4A47B5;       // the title band's colour
constexpr std::uint32_t kBandLight = 0x6865D3;  // hover
constexpr std::uint32_t kBandDark = 0x363397;   // pressed
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kFooter = 0xF7FBFD;  // behind the buttons' corners
constexpr std::uint32_t kBoxEdge = 0x9A9A9A;

std::uint32_t Mix(std::uint32_t under, std::uint32_t over, double coverage) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double a = (under >> shift) & 0xFF, b = (over >> shift) & 0xFF;
        out |= static_cast<std::uint32_t>(std::lround(a + (b - a) * coverage)) << shift;
    }
    return out;
}

// Distance from p to the segment a-b.
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    double dx = bx - ax, dy = by - ay;
    double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// A picture of design size w × h drawn at a DPI. Shapes are given as signed
// distances in design pixels (negative inside) and blended by how much of
// each device pixel they cover.
class Art {
public:
    Art(int designWidth, int designHeight, int dpi)
        : m_scale(dpi / 96.0),
          m_width(std::max(1, BoxBitmapLength(designWidth, dpi))),
          m_height(std::max(1, BoxBitmapLength(designHeight, dpi))),
          m_pixels(static_cast<size_t>(m_width) * m_height) {}

    void Fill(std::uint32_t colour) { std::fill(m_pixels.begin(), m_pixels.end(), colour); }

    void Shape(const std::function<double(double, double)>& distance, std::uint32_t colour) {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                double d = distance((x + 0.5) / m_scale, (y + 0.5) / m_scale) * m_scale;
                double coverage = std::clamp(0.5 - d, 0.0, 1.0);
                std::uint32_t& pixel = m_pixels[static_cast<size_t>(y) * m_width + x];
                if (coverage > 0) pixel = Mix(pixel, colour, coverage);
            }
    }

    HBITMAP Bitmap() const { return CreateBitmap(m_width, m_height, 1, 32, m_pixels.data()); }

private:
    double m_scale;
    int m_width, m_height;
    std::vector<std::uint32_t> m_pixels;
};

// Rounded rectangle {left, top, right, bottom} with corner radius r.
std::function<double(double, double)> RoundedRect(double left, double top, double right, double bottom, double r) {
    return [=](double x, double y) {
        double cx = (left + right) / 2, cy = (top + bottom) / 2;
        double qx = std::abs(x - cx) - ((right - left) / 2 - r), qy = std::abs(y - cy) - ((bottom - top) / 2 - r);
        return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
    };
}

HBITMAP MakeButton(std::uint32_t fill, int dpi) {
    Art art(100, 32, dpi);
    art.Fill(kFooter);
    art.Shape(RoundedRect(0, 0, 100, 32, 4), fill);
    return art.Bitmap();
}

// The close button: a white cross on the band.
HBITMAP MakeClose(std::uint32_t back, int dpi) {
    Art art(17, 21, dpi);
    art.Fill(back);
    art.Shape(
        [](double x, double y) {
            double a = SegmentDistance(x, y, 4.5, 6.5, 12.5, 14.5), b = SegmentDistance(x, y, 12.5, 6.5, 4.5, 14.5);
            return std::min(a, b) - 0.8;
        },
        kWhite);
    return art.Bitmap();
}

// The information sign: a band-coloured disc with a white "i".
HBITMAP MakeIcon(int size, int dpi) {
    Art art(size, size, dpi);
    art.Fill(kWhite);
    const double c = size / 2.0, unit = size / 30.0;
    art.Shape([=](double x, double y) { return std::hypot(x - c, y - c) - c + 0.5; }, kBand);
    art.Shape(RoundedRect(c - 1.6 * unit, c - 2.5 * unit, c + 1.6 * unit, c + 8.5 * unit, 0.8 * unit), kWhite);
    art.Shape([=](double x, double y) { return std::hypot(x - c, y - (c - 7 * unit)) - 1.9 * unit; }, kWhite);
    return art.Bitmap();
}

// The check square: empty with a grey (or, on hover, band) edge; ticked a
// band-coloured square with a white tick.
HBITMAP MakeCheck(bool ticked, bool hover, int dpi) {
    Art art(14, 14, dpi);
    if (!ticked) {
        art.Fill(hover ? kBand : kBoxEdge);
        art.Shape(RoundedRect(1, 1, 13, 13, 0.5), kWhite);
        return art.Bitmap();
    }
    art.Fill(hover ? kBandLight : kBand);
    art.Shape(
        [](double x, double y) {
            return std::min(SegmentDistance(x, y, 3.2, 7.2, 5.9, 9.9), SegmentDistance(x, y, 5.9, 9.9, 10.8, 4.4)) -
                   0.85;
        },
        kWhite);
    return art.Bitmap();
}

}  // namespace

HBITMAP DrawBoxFallbackBitmap(UINT id, int dpi) {
    if (dpi <= 0) dpi = 96;
    switch (id) {
        case 176: return MakeButton(kBand, dpi);
        case 174: return MakeButton(kBandLight, dpi);
        case 177: return MakeButton(kBandDark, dpi);
        case 179: return MakeClose(kBand, dpi);
        case 178: return MakeClose(kBandLight, dpi);
        case 180: return MakeClose(kBandDark, dpi);
        case 175: return MakeIcon(30, dpi);
        case 192: return MakeIcon(52, dpi);
        case 157: return MakeCheck(false, false, dpi);
        case 158: return MakeCheck(false, true, dpi);
        case 159: return MakeCheck(true, false, dpi);
        case 160: return MakeCheck(true, true, dpi);
        default: return nullptr;
    }
}
