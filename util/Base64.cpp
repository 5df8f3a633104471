#include "util/Base64.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

// Position of each byte value in the standard alphabet, -1 outside it.
constexpr std::array<int, 256> MakeStandardTable() {
    std::array<int, 256> table{};
    for (int& entry : table) entry = -1;
    for (size_t i = 0; i < kBase64Alphabet.size(); ++i)
        table[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<int>(i);
    return table;
}
constexpr std::array<int, 256> kStandardTable = MakeStandardTable();

void PadToFour(std::string& out) {
    while (out.size() % 4 != 0) out.push_back('=');
}

}  // namespace

std::string Base64Encode(const unsigned char* bytes, size_t count) {
    std::string out;
    if (bytes == nullptr || count == 0) return out;
    out.reserve((count + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        std::uint32_t group =
            static_cast<std::uint32_t>(bytes[i]) << 16 | static_cast<std::uint32_t>(bytes[i + 1]) << 8 | bytes[i + 2];
        out.push_back(kBase64Alphabet[(group >> 18) & 63]);
        out.push_back(kBase64Alphabet[(group >> 12) & 63]);
        out.push_back(kBase64Alphabet[(group >> 6) & 63]);
        out.push_back(kBase64Alphabet[group & 63]);
    }
    if (i < count) {
        std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (i + 1 < count) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        out.push_back(kBase64Alphabet[(group >> 18) & 63]);
        out.push_back(kBase64Alphabet[(group >> 12) & 63]);
        if (i + 1 < count) out.push_back(kBase64Alphabet[(group >> 6) & 63]);
        PadToFour(out);
    }
    return out;
}

std::string Base64EncodeBuffer(const unsigned char* bytes, size_t count) { return Base64Encode(bytes, count); }

bool IsBase64Char(unsigned char c) { return c != '=' && kStandardTable[c] >= 0; }

std::string Base64DecodeString(const std::string& text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t group = 0;
    int held = 0;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (!IsBase64Char(byte)) break;  // "=" or anything outside the alphabet ends the input
        group = group << 6 | static_cast<std::uint32_t>(kStandardTable[byte]);
        if (++held == 4) {
            out.push_back(static_cast<char>((group >> 16) & 0xFF));
            out.push_back(static_cast<char>((group >> 8) & 0xFF));
            out.push_back(static_cast<char>(group & 0xFF));
            group = 0;
            held = 0;
        }
    }
    if (held == 2) {
        out.push_back(static_cast<char>((group >> 4) & 0xFF));
    } else if (held == 3) {
        out.push_back(static_cast<char>((group >> 10) & 0xFF));
        out.push_back(static_cast<char>((group >> 2) & 0xFF));
    }
    return out;
}

std::string AlphabetBase64EncodeBytes(const unsigned char* bytes, size_t count, std::string_view alphabet) {
    std::string out;
    if (alphabet.empty() || (bytes == nullptr && count > 0)) return out;
    out.reserve((count + 2) / 3 * 4);
    auto character = [&](std::uint32_t value) { return alphabet[(value & 63) % alphabet.size()]; };
    // Unsigned, so the bits shifted out at the top are simply dropped.
    std::uint32_t accumulator = 0;
    int bits = -6;
    for (size_t i = 0; i < count; ++i) {
        accumulator = (accumulator << 8) + bytes[i];
        bits += 8;
        while (bits >= 0) {
            out.push_back(character(accumulator >> bits));
            bits -= 6;
        }
    }
    if (bits > -6) out.push_back(character((accumulator << 8) >> (bits + 8)));
    PadToFour(out);
    return out;
}

std::vector<unsigned char> AlphabetBase64DecodeBytes(const std::string& text, std::string_view alphabet) {
    std::array<int, 256> table;
    table.fill(-1);
    for (size_t i = 0; i < alphabet.size() && i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<int>(i);
    std::vector<unsigned char> out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t accumulator = 0;
    int bits = -8;
    for (char c : text) {
        int value = table[static_cast<unsigned char>(c)];
        if (value == -1) {
            if (c == '=') break;
            continue;
        }
        accumulator = (accumulator << 6) + static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 0) {
            out.push_back(static_cast<unsigned char>((accumulator >> bits) & 0xFF));
            bits -= 8;
        }
    }
    return out;
}

std::string AlphabetBase64Encode(const std::string& text, std::string_view alphabet) {
    return AlphabetBase64EncodeBytes(reinterpret_cast<const unsigned char*>(text.data()), text.size(), alphabet);
}

std::string AlphabetBase64Decode(const std::string& text, std::string_view alphabet) {
    std::vector<unsigned char> bytes = AlphabetBase64DecodeBytes(text, alphabet);
    return std::string(bytes.begin(), bytes.end());
}

std::string AlphabetEncode(const std::vector<unsigned char>& bytes, std::string_view alphabet) {
    return AlphabetBase64EncodeBytes(bytes.data(), bytes.size(), alphabet);
}

std::string AlphabetTextEncode(const std::string& text, std::string_view alphabet) {
    return AlphabetBase64Encode(text, alphabet);
}

std::vector<unsigned char> AlphabetDecode(const std::string& text, std::string_view alphabet) {
    return AlphabetBase64DecodeBytes(text, alphabet);
}

std::string AlphabetTextDecode(const std::string& text, std::string_view alphabet) {
    return AlphabetBase64Decode(text, alphabet);
}

std::string StatsBytesEncode(const std::vector<unsigned char>& bytes) { return AlphabetEncode(bytes, kStatsAlphabet); }
std::string StatsTextEncode(const std::string& text) { return AlphabetTextEncode(text, kStatsAlphabet); }
std::vector<unsigned char> StatsBytesDecode(const std::string& text) { return AlphabetDecode(text, kStatsAlphabet); }
std::string StatsTextDecode(const std::string& text) { return AlphabetTextDecode(text, kStatsAlphabet); }

// The samples and labels are stored in code page 936, as the console shows them.
void AlphabetBase64SelfTest() {
    static const char kAlphabet[] = "ZyXwVu9T8sRq7PoNm6LkJi5GfEd4CbA3zYxW2vUt1SrQ0pOnMlK+jI/gFeDcBa";
    static const char kSample[] =
        "\xB1\xE0\xC2\xEB\xB2\xE2\xCA\xD4\xA3\xBA\xD5\xE2\xCA\xC7\xD2\xBB\xB6\xCE\xD3\xC3\xD3\xDA\xBC\xEC\xD1\xE9"
        "\xD7\xD4\xB6\xA8\xD2\xE5\xD7\xD6\xC4\xB8\xB1\xED\xB1\xE0\xC2\xEB\xB5\xC4\xD6\xD0\xCE\xC4\xBE\xE4\xD7\xD3"
        "\xA1\xA3";
    std::string encoded = AlphabetBase64Encode(kSample, kAlphabet);
    std::string decoded = AlphabetBase64Decode(encoded, kAlphabet);
    std::printf("\xD4\xAD\xCE\xC4\xA3\xBA%s\n", kSample);
    std::printf("\xB1\xE0\xC2\xEB\xA3\xBA%s\n", encoded.c_str());
    std::printf("\xBD\xE2\xC2\xEB\xA3\xBA%s\n", decoded.c_str());
}

bool StatsCodecSelfTest() {
    static const char kSample[] =
        "{\"result\":{\"res\":true,\"msg\":\"NO_ERROR\",\"\xBD\xE1\xB9\xFB\xD0\xC5\xCF\xA2\":1}}";
    std::string encoded = StatsTextEncode(kSample);
    std::string decoded = StatsTextDecode(encoded);
    std::printf("origin text: %s\n", kSample);
    std::printf("Base64 text: %s\n", encoded.c_str());
    std::printf("decodec text: %s\n", decoded.c_str());
    bool same = decoded == kSample;
    std::printf("%s\xA3\xA1\n", same ? "Base64 success" : "Base64 fail");
    return same;
}
