#include "tests/support/DibBytes.h"

namespace testsupport {

namespace {

void Put32(std::string& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void Put16(std::string& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8));
}

}  // namespace

std::string MakeDib(int width, int height, const std::function<std::uint32_t(int, int)>& pixel) {
    std::string bytes;
    Put32(bytes, 40);
    Put32(bytes, static_cast<std::uint32_t>(width));
    Put32(bytes, static_cast<std::uint32_t>(height));
    Put16(bytes, 1);
    Put16(bytes, 32);
    Put32(bytes, 0);  // BI_RGB
    Put32(bytes, static_cast<std::uint32_t>(width * height * 4));
    for (int i = 0; i < 4; ++i) Put32(bytes, 0);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) Put32(bytes, pixel(x, y));
    return bytes;
}

}  // namespace testsupport
