#include "ui/ShadowPainter.h"

#include <algorithm>
#include <cmath>

namespace shadow {

namespace {

// Span table of the shadow rows with one guard row beyond each end:
// index 0 is row -1, index rows + 1 is row `rows`.
class SpanRows {
public:
    SpanRows(int rows, Span empty) : m_spans(static_cast<std::size_t>(rows) + 2, empty) {}
    Span& operator[](int row) { return m_spans[static_cast<std::size_t>(row + 1)]; }
    const Span& operator[](int row) const { return m_spans[static_cast<std::size_t>(row + 1)]; }
    int Rows() const { return static_cast<int>(m_spans.size()) - 2; }

private:
    std::vector<Span> m_spans;
};

class ShadowBuffer {
public:
    ShadowBuffer(std::uint32_t* pixels, int width, int height) : m_pixels(pixels), m_width(width), m_height(height) {}

    // Row y counted from the top; x and y outside the buffer are ignored.
    void Set(int x, int y, std::uint32_t value) {
        if (x < 0 || x >= m_width || y < 0 || y >= m_height) return;
        At(x, y) = value;
    }
    void Raise(int x, int y, std::uint32_t value) {
        if (x < 0 || x >= m_width || y < 0 || y >= m_height) return;
        std::uint32_t& pixel = At(x, y);
        if (value > pixel) pixel = value;
    }
    void Fill(int from, int to, int y, std::uint32_t value) {
        if (y < 0 || y >= m_height) return;
        from = std::max(from, 0);
        to = std::min(to, m_width);
        for (int x = from; x < to; ++x) At(x, y) = value;
    }

private:
    std::uint32_t& At(int x, int y) {
        return m_pixels[static_cast<std::size_t>(m_height - 1 - y) * static_cast<std::size_t>(m_width) +
                        static_cast<std::size_t>(x)];
    }

    std::uint32_t* m_pixels;
    int m_width;
    int m_height;
};

void Stamp(ShadowBuffer& buffer, const std::vector<std::uint32_t>& kernel, int radius, int centreX, int centreY) {
    int side = 2 * radius + 1;
    for (int dy = -radius; dy <= radius; ++dy) {
        const std::uint32_t* row = &kernel[static_cast<std::size_t>(dy + radius) * static_cast<std::size_t>(side)];
        for (int dx = -radius; dx <= radius; ++dx) {
            std::uint32_t value = row[dx + radius];
            if (value != 0) buffer.Raise(centreX + dx, centreY + dy, value);
        }
    }
}

}  // namespace

std::uint32_t PreMultiply(std::uint32_t colorref, int alpha) {
    std::uint32_t red = colorref & 0xFF;
    std::uint32_t green = (colorref >> 8) & 0xFF;
    std::uint32_t blue = (colorref >> 16) & 0xFF;
    std::uint32_t a = static_cast<std::uint32_t>(std::clamp(alpha, 0, 255));
    return (red * a / 255) << 16 | (green * a / 255) << 8 | (blue * a / 255);
}

std::vector<std::uint32_t> BuildKernel(const ShadowParams& params) {
    int radius = std::max(params.sharpness, params.size);
    int solidRadius = std::max(params.size - params.sharpness, 0);
    int side = 2 * radius + 1;
    std::vector<std::uint32_t> kernel(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0);
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy));
            int alpha = 0;
            if (distance < solidRadius) alpha = params.darkness;
            else if (distance <= radius)
                alpha = static_cast<int>((1.0 - (distance - solidRadius) / (params.sharpness + 1)) * params.darkness);
            if (alpha <= 0) continue;
            kernel[static_cast<std::size_t>(dy + radius) * static_cast<std::size_t>(side) +
                   static_cast<std::size_t>(dx + radius)] =
                static_cast<std::uint32_t>(alpha) << 24 | PreMultiply(params.color, alpha);
        }
    }
    return kernel;
}

bool RenderShadow(const ShadowParams& params, int width, int height, const std::vector<Span>& outline,
                  std::uint32_t* pixels, std::size_t pixelCount) {
    if (width < 0 || height < 0 || params.size < 0 || params.sharpness < 0 || params.darkness < 0 ||
        params.darkness > 255 || pixels == nullptr)
        return false;
    if (outline.size() != static_cast<std::size_t>(height)) return false;
    const int z = params.size;
    const int shadowWidth = width + 2 * z;
    const int shadowHeight = height + 2 * z;
    if (static_cast<std::size_t>(shadowWidth) * static_cast<std::size_t>(shadowHeight) > pixelCount) return false;

    // 1. The window's outline and the shadow spans it anchors, Z rows lower
    // and Z pixels further right.
    const Span empty{width, 0};
    SpanRows spans(shadowHeight, empty);
    for (int row = 0; row < height; ++row) {
        const Span& inside = outline[static_cast<std::size_t>(row)];
        if (!inside.Empty()) spans[row + z] = Span{inside.left + z, inside.right + z};
    }

    // 2. A soft edge wider than the margin eats into the outline.
    for (int pass = 0; pass < params.sharpness - z; ++pass) {
        SpanRows previous = spans;
        for (int y = 0; y < shadowHeight; ++y) {
            int left = std::max({previous[y - 1].left, previous[y].left, previous[y + 1].left}) + 1;
            int right = std::min({previous[y - 1].right, previous[y].right, previous[y + 1].right}) - 1;
            spans[y] = Span{left, right};
        }
    }

    // 3. The kernel.
    const int radius = std::max(params.sharpness, z);
    const std::vector<std::uint32_t> kernel = BuildKernel(params);
    ShadowBuffer buffer(pixels, shadowWidth, shadowHeight);

    // 4. Soft edges: stamp the kernel at both ends of every span and where
    // the outline steps between rows.
    for (int y = radius; y < shadowHeight - radius; ++y) {
        const Span span = spans[y];
        if (span.Empty()) continue;
        int leftEnd = std::min(span.right, std::max(spans[y - 1].left, spans[y + 1].left) + 1);
        for (int x = span.left; x < leftEnd; ++x) Stamp(buffer, kernel, radius, x, y);
        int rightStart = std::max(leftEnd, std::min(spans[y - 1].right, spans[y + 1].right) - 1);
        for (int x = rightStart; x < span.right; ++x) Stamp(buffer, kernel, radius, x, y);
    }

    // 5. The solid body, with the transparent hole under the window.
    const std::uint32_t solid =
        static_cast<std::uint32_t>(params.darkness) << 24 | PreMultiply(params.color, params.darkness);
    const int firstRow = std::min(radius, std::max(z - params.offsetY, 0));
    const int endRow = std::max(std::min(z + height - params.offsetY, height + 2 * z), shadowHeight - radius);
    for (int y = firstRow; y < endRow && y < shadowHeight; ++y) {
        const Span span = spans[y];
        int parentRow = y - z + params.offsetY;
        if (parentRow < 0 || parentRow >= height) {
            buffer.Fill(span.left, span.right, y, solid);
            continue;
        }
        const Span& inside = outline[static_cast<std::size_t>(parentRow)];
        int holeLeft = inside.left + z - params.offsetX;
        int holeRight = inside.right + z - params.offsetX;
        buffer.Fill(span.left, std::min(holeLeft, span.right), y, solid);
        buffer.Fill(std::max(holeLeft, 0), std::min(holeRight, shadowWidth), y, 0);
        buffer.Fill(std::max(span.left, holeRight), span.right, y, solid);
    }
    return true;
}

}  // namespace shadow
