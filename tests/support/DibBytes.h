// Bitmap resources drawn by tests: the bytes of a 32-bit DIB (a
// BITMAPINFOHEADER, then bottom-up rows) whose pixel (x, y), y from the top,
// is pixel(x, y) as 0x00RRGGBB. Register them with platform::OverrideResource.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace testsupport {

std::string MakeDib(int width, int height, const std::function<std::uint32_t(int, int)>& pixel);

}  // namespace testsupport
