// Hex digits, hex texts and byte search (declared in StringUtil.h).
#include <cstring>

#include "util/StringUtil.h"

char HexDigitChar(int value) { return "0123456789ABCDEF"[value & 0x0F]; }

int HexCharValue(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= '0' && c <= '9') return c - '0';
    return static_cast<unsigned char>(c);
}

int HexCharValueA(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= '0' && c <= '9') return c - '0';
    return 0;
}

int HexCharValueLoose(char c) {
    int value = static_cast<unsigned char>(c);
    if (value > '`') return value - 87;
    if (value <= '@') return value - 48;
    return value - 55;
}

void BytesToHex(const unsigned char* bytes, char* buffer, size_t count) {
    if (buffer == nullptr) return;
    if (bytes == nullptr) {
        buffer[0] = '\0';
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        buffer[2 * i] = HexDigitChar(bytes[i] >> 4);
        buffer[2 * i + 1] = HexDigitChar(bytes[i] & 0x0F);
    }
    buffer[2 * count] = '\0';
}

void HexToBytes(const char* hex, unsigned char* buffer, size_t count) {
    if (buffer == nullptr || count == 0) return;
    std::memset(buffer, 0, count);
    if (hex == nullptr) return;
    size_t digits = std::strlen(hex);
    if (count == 1) {
        if (digits > 0) buffer[0] = static_cast<unsigned char>(HexCharValueLoose(hex[0]) & 0xFF);
        return;
    }
    // A text shorter than 2 * count digits fills what it can; a lone last
    // digit is the high half of its byte.
    for (size_t i = 0; i < count && 2 * i < digits; ++i) {
        int high = HexCharValueLoose(hex[2 * i]);
        int low = 2 * i + 1 < digits ? HexCharValueLoose(hex[2 * i + 1]) : 0;
        buffer[i] = static_cast<unsigned char>(((high << 4) | (low & 0x0F)) & 0xFF);
    }
}

void HexToBytesRightAligned(const char* hex, unsigned char* buffer, size_t count) {
    if (buffer == nullptr || count == 0) return;
    std::memset(buffer, 0, count);
    if (hex == nullptr) return;
    size_t digits = std::strlen(hex);
    size_t used = digits < 2 * count ? digits : 2 * count;
    for (size_t j = 0; j < used; ++j) {
        int value = HexCharValueLoose(hex[digits - 1 - j]) & 0x0F;
        unsigned char& byte = buffer[count - 1 - j / 2];
        byte = static_cast<unsigned char>(byte | (j % 2 == 0 ? value : value << 4));
    }
}

const char* FindInBuffer(const void* buffer, const char* needle, size_t length) {
    if (buffer == nullptr || needle == nullptr) return nullptr;
    const char* data = static_cast<const char*>(buffer);
    size_t needleLength = std::strlen(needle);
    if (needleLength > length) return nullptr;
    for (size_t i = 0; i + needleLength <= length; ++i)
        if (std::memcmp(data + i, needle, needleLength) == 0) return data + i;
    return nullptr;
}
