// Base64 codecs: the standard RFC 4648 codec and a codec over an alphabet the
// caller gives, which the statistics client uses with an alphabet of its own.
//
// Both share the 6-bit grouping and the "=" padding; "=" is never mapped. The
// decoders never fail: the standard one ends at the first "=" or character
// outside its alphabet, the alphabet one skips unknown characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Constant-initialised, so they are ready before any static initialiser runs.
inline constexpr std::string_view kBase64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
inline constexpr std::string_view kStatsAlphabet = "Qw3*Er7TyU1iOp-AsDf9GhJk2LzXc5VbNm0qW4eRtY6uIoP8aSdFgHjKlZxCvBnM";

std::string Base64Encode(const unsigned char* bytes, size_t count);
std::string Base64EncodeBuffer(const unsigned char* bytes, size_t count);  // the same codec
std::string Base64DecodeString(const std::string& text);
bool IsBase64Char(unsigned char c);  // letters, digits, "+" and "/"

// The alphabet codec. An alphabet of fewer than 64 characters gives 6-bit
// values at or past its length the character at (value mod length); an empty
// alphabet encodes to an empty text.
std::string AlphabetBase64EncodeBytes(const unsigned char* bytes, size_t count, std::string_view alphabet);
std::vector<unsigned char> AlphabetBase64DecodeBytes(const std::string& text, std::string_view alphabet);
std::string AlphabetBase64Encode(const std::string& text, std::string_view alphabet);
std::string AlphabetBase64Decode(const std::string& text, std::string_view alphabet);

// The second library's forms of the alphabet codec.
std::string AlphabetEncode(const std::vector<unsigned char>& bytes, std::string_view alphabet);
std::string AlphabetTextEncode(const std::string& text, std::string_view alphabet);
std::vector<unsigned char> AlphabetDecode(const std::string& text, std::string_view alphabet);
std::string AlphabetTextDecode(const std::string& text, std::string_view alphabet);

// The alphabet codec with the statistics alphabet.
std::string StatsBytesEncode(const std::vector<unsigned char>& bytes);
std::string StatsTextEncode(const std::string& text);
std::vector<unsigned char> StatsBytesDecode(const std::string& text);
std::string StatsTextDecode(const std::string& text);

// Encode a fixed sample, decode it again and print the three texts to
// standard output. StatsCodecSelfTest also prints whether the round trip held
// and returns true when it did.
void AlphabetBase64SelfTest();
bool StatsCodecSelfTest();
