#include "setup/FrameTypes.h"

#include <cmath>

std::uint32_t ReadPixel(const std::uint32_t* pixel) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(pixel);
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16);
}

std::uint32_t BlendColor(std::uint32_t a, std::uint32_t b, float x) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        float channel =
            static_cast<float>((a >> shift) & 0xFF) * x + static_cast<float>((b >> shift) & 0xFF) * (1.0f - x);
        int value = static_cast<int>(channel);
        if (value < 0) value = 0;
        if (value > 255) value = 255;
        result |= static_cast<std::uint32_t>(value) << shift;
    }
    return result;
}

double PixelDistance(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

float RippleAlpha(DWORD ageMs) {
    if (ageMs >= 5000) return 0.0f;
    DWORD remaining = 5000 - ageMs;
    return remaining >= 2000 ? 0.05f : static_cast<float>(remaining * 0.000025);
}

void SpeedSample::Update(std::uint32_t done, DWORD now) {
    if (done < lastBytes) {
        // A new download began (a retry): count from its bytes, not across it.
        lastBytes = done;
        lastTick = now;
        shown = 0;
        return;
    }
    DWORD interval = now - lastTick;
    if (interval == 0) return;
    if (interval > 1000 || shown == 0) {
        double seconds = interval / 1000.0;
        shown = static_cast<std::uint32_t>((done - lastBytes) / seconds);
        lastBytes = done;
        lastTick = now;
    }
}
