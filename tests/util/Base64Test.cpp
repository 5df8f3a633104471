#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "util/Base64.h"

namespace {

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

// Standard base64 with each character replaced by the one at the same index of `alphabet`.
std::string Remap(const std::string& standard, std::string_view alphabet) {
    std::string out = standard;
    for (char& c : out)
        if (c != '=') c = alphabet[kBase64Alphabet.find(c)];
    return out;
}

struct Vector {
    const char* plain;
    const char* encoded;
};

// The test vectors of RFC 4648, section 10.
const Vector kRfcVectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

TEST(Base64, EncodesAndDecodesTheStandardsVectors) {
    for (const Vector& v : kRfcVectors) {
        const std::string plain = v.plain;
        EXPECT_EQ(Base64Encode(Bytes(plain), plain.size()), v.encoded);
        EXPECT_EQ(Base64EncodeBuffer(Bytes(plain), plain.size()), v.encoded);
        EXPECT_EQ(Base64DecodeString(v.encoded), plain);
        // The alphabet codec agrees with the standard one, character for character.
        EXPECT_EQ(AlphabetBase64Encode(plain, kBase64Alphabet), v.encoded);
        EXPECT_EQ(AlphabetBase64Decode(v.encoded, kBase64Alphabet), plain);
        EXPECT_EQ(StatsTextEncode(plain), Remap(v.encoded, kStatsAlphabet));
        EXPECT_EQ(StatsTextDecode(Remap(v.encoded, kStatsAlphabet)), plain);
    }
}

TEST(Base64, StandardDecoderEndsAtTheFirstForeignCharacter) {
    const Vector cases[] = {
        {"foo", "Zm9v\r\nYmFy"}, {"foo", "Zm9v\xFFYmFy"},  // a high byte is outside the alphabet, not a negative index
        {"fo", "Zm8=Zm9v"},      {"foob", "Zm9vYg"},       // unpadded final group
        {"foo", "Zm9vY"},                                  // a lone final character gives no byte
    };
    for (const Vector& c : cases) EXPECT_EQ(Base64DecodeString(c.encoded), c.plain) << c.encoded;
    EXPECT_TRUE(IsBase64Char('+'));
    EXPECT_TRUE(IsBase64Char('z'));
    EXPECT_FALSE(IsBase64Char('='));
    EXPECT_FALSE(IsBase64Char('-'));
    EXPECT_FALSE(IsBase64Char(0xC1));
}

TEST(Base64, AlphabetDecoderSkipsUnknownCharactersAndStopsAtPadding) {
    EXPECT_EQ(AlphabetBase64Decode("Zm9v\r\nYm\xFF"
                                   "Fy",
                                   kBase64Alphabet),
              "foobar");
    EXPECT_EQ(AlphabetBase64Decode("Zm8=Zm9v", kBase64Alphabet), "fo");
}

TEST(Base64, StatisticsAlphabetRoundTripsEveryByteValue) {
    ASSERT_EQ(kStatsAlphabet.size(), 64u);
    // Every length remainder, each holding all byte values.
    for (size_t extra = 0; extra < 3; ++extra) {
        std::vector<unsigned char> bytes;
        for (size_t i = 0; i < 256 + extra; ++i) bytes.push_back(static_cast<unsigned char>(i));
        std::string encoded = StatsBytesEncode(bytes);
        EXPECT_EQ(encoded.size() % 4, 0u);
        EXPECT_EQ(encoded, Remap(Base64Encode(bytes.data(), bytes.size()), kStatsAlphabet));
        EXPECT_EQ(StatsBytesDecode(encoded), bytes);
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_EQ(StatsTextDecode(StatsTextEncode(text)), text);
        EXPECT_EQ(AlphabetDecode(AlphabetEncode(bytes, kStatsAlphabet), kStatsAlphabet), bytes);
        EXPECT_EQ(AlphabetTextDecode(AlphabetTextEncode(text, kStatsAlphabet), kStatsAlphabet), text);
    }
}

TEST(Base64, AnyAlphabetOfSixtyFourCharactersRoundTrips) {
    // Bytes 0xC0-0xFF as the alphabet: the decoder's table must be indexed unsigned.
    std::string high;
    for (int c = 0xC0; c <= 0xFF; ++c) high.push_back(static_cast<char>(c));
    std::string reversed(kBase64Alphabet.rbegin(), kBase64Alphabet.rend());
    const std::string text = "{\"res\":true,\"msg\":\"NO_ERROR\"}\x01\xFE";
    for (const std::string& alphabet : {high, reversed}) {
        for (size_t length = 0; length <= text.size(); ++length) {
            const std::string piece = text.substr(0, length);
            EXPECT_EQ(AlphabetBase64Decode(AlphabetBase64Encode(piece, alphabet), alphabet), piece);
        }
    }
}

TEST(Base64, ShortAlphabetsStayInsideThemselves) {
    const std::string alphabet = "ab";
    std::string encoded = AlphabetBase64Encode("\xFF\xFF\xFF", alphabet);
    EXPECT_EQ(encoded, "bbbb");  // 63 taken modulo the alphabet's length
    EXPECT_EQ(AlphabetBase64Encode("abc", ""), "");
}

TEST(Base64, SelfTestsPrintTheirRoundTrips) {
    testing::internal::CaptureStdout();
    EXPECT_TRUE(StatsCodecSelfTest());
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("origin text: {\"result\":{\"res\":true,\"msg\":\"NO_ERROR\""), std::string::npos);
    EXPECT_NE(printed.find("Base64 text: "), std::string::npos);
    EXPECT_NE(printed.find("decodec text: {\"result\""), std::string::npos);
    EXPECT_NE(printed.find("Base64 success\xA3\xA1\n"), std::string::npos);

    testing::internal::CaptureStdout();
    AlphabetBase64SelfTest();
    printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 3);
}

}  // namespace
