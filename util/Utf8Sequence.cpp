// UTF-8 sequence decoding and validation (declared in StringUtil.h).
#include "util/StringUtil.h"

int DecodeUtf8Sequence(const char*& cursor, const char* end, std::uint32_t& codePoint) {
    if (cursor == nullptr || cursor >= end) return UTF8_END;
    const auto* bytes = reinterpret_cast<const unsigned char*>(cursor);
    unsigned char lead = bytes[0];
    size_t length;
    std::uint32_t value;
    std::uint32_t smallest;
    if (lead < 0x80) {
        length = 1, value = lead, smallest = 0;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return UTF8_BAD_LEAD;
    }
    for (size_t k = 1; k < length; ++k) {
        if (cursor + k >= end) return UTF8_END;
        if ((bytes[k] & 0xC0) != 0x80) return UTF8_BAD_TRAIL;
        value = (value << 6) | (bytes[k] & 0x3F);
    }
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return UTF8_BAD_VALUE;
    if (value < smallest) return UTF8_OVERLONG;
    codePoint = value;
    cursor += length;
    return UTF8_OK;
}

bool IsValidUtf8(const std::string& text) {
    const char* cursor = text.data();
    const char* end = cursor + text.size();
    std::uint32_t codePoint = 0;
    while (cursor < end)
        if (DecodeUtf8Sequence(cursor, end, codePoint) != UTF8_OK) return false;
    return true;
}
