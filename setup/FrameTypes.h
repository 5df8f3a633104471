// Pixel operations and small records of the frame renderer.
//
// Frames are W × H arrays of 32-bit pixels, rows top-down, each 0x00RRGGBB
// in a little-endian word (bytes blue, green, red, then one that nothing
// reads), as BMData holds a bitmap's pixels.
#pragma once

#include <cstdint>

#include "platform/base/Win32Types.h"

// The first three bytes of a pixel as 0x00RRGGBB.
std::uint32_t ReadPixel(const std::uint32_t* pixel);
// Per channel: truncate(channel(a) × x + channel(b) × (1 − x)).
std::uint32_t BlendColor(std::uint32_t a, std::uint32_t b, float x);
// sqrt(dx² + dy²).
double PixelDistance(double dx, double dy);

// One expanding ring of the install animation.
struct RippleRing {
    int radius = 0;                // pixels
    DWORD startTick = 0xFFFFFFFF;  // GetTickCount when it started
    float alpha = 0.05f;
    std::uint32_t colour = 0x999999;
};

// Ripple alpha at an age: 0.05 while 2,000 ms or more remain of the ring's
// 5,000 ms, then remaining × 0.000025 (a fade to 0).
float RippleAlpha(DWORD ageMs);

// The download page's shown speed: refreshed at most once a second (or
// while it is 0), from the bytes and tick of the last sample.
struct SpeedSample {
    std::uint32_t shown = 0;
    std::uint32_t lastBytes = 0;
    DWORD lastTick = 0;
    // Takes a sample of `done` bytes at `now`. A zero interval changes
    // nothing; fewer bytes than last time (a new download after a retry)
    // starts the sampling over from them.
    void Update(std::uint32_t done, DWORD now);
};
