// String routines on 8-bit and wide strings: replace, split, URL coding,
// trimming, case, hex text, UTF-8 validation and UUID text.
//
// Everything is a stateless free function. Character classes are taken from
// the unsigned byte in the C locale; routines that write into a caller's
// buffer take its size and never write past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Replaces every occurrence of `search` in `text` (in place) and returns a copy
// of the result; inserted text is not searched again. An empty search text
// leaves the text unchanged.
std::string ReplaceAll(std::string& text, std::string search, std::string replacement);
std::wstring ReplaceAllWide(std::wstring& text, std::wstring search, std::wstring replacement);
// The same on a copy of `text`; a null argument counts as an empty text.
std::string ReplaceAllText(const char* text, const char* search, const char* replacement);

// Appends the non-empty pieces of `text` between occurrences of `delimiter`
// to `out` and returns how many were appended (0 for an empty text or
// delimiter).
int SplitString(std::vector<std::string>& out, const std::string& text, const std::string& delimiter);
int SplitStringWide(std::vector<std::wstring>& out, const std::wstring& text, const std::wstring& delimiter);
// Pieces of `text` between separators, empty pieces included, but no empty
// last piece after a trailing separator.
std::vector<std::wstring> SplitWide(const std::wstring& text, const std::wstring& separator);

// True when the whole text is one number as stream extraction of a double reads
// it (leading blanks allowed, nothing after it).
bool IsNumberText(const std::string& text);

// Letters, digits and "-_.~" stay, a space becomes "+", every other byte
// "%XX" (upper-case hex). UrlEncodeString is the same routine.
std::string UrlEncode(const std::string& text);
std::string UrlEncodeString(const std::string& text);
// "+" becomes a space and "%" with the next two characters one byte; a "%"
// without two characters after it is copied as it stands.
std::string UrlDecodeString(const std::string& text);  // digits through HexCharValue
std::string UrlDecode(const std::string& text);        // digits through HexCharValueA
// Adds "key=value" as the first parameter of the URL.
std::string AddUrlParameter(const std::string& url, const std::string& parameter);

// White space as the C locale's isspace sees it.
std::string& TrimLeft(std::string& text);
std::string& TrimRight(std::string& text);
std::string& Trim(std::string& text);
std::string TrimCopy(std::string text);
// Removes leading and trailing space, tab, CR, LF and 0x1F bytes in place.
void TrimSpaces(char* text);

bool StartsWith(const std::string& text, const std::string& prefix);
bool EndsWith(const std::string& text, const std::string& suffix);
// n > 0: the first (last) n characters; n < 0: all but the last (first) -n
// characters, the length being added while n stays negative; 0: empty.
std::string LeftPart(const std::string& text, int count);
std::string RightPart(const std::string& text, int count);

void ToUpperString(std::string& text);
void ToLowerString(std::string& text);
// A final "\" or "/" becomes "/", otherwise "/" is appended; an empty path stays empty.
void EnsureTrailingSlash(std::string& path);
// The path up to and including its last "/" or "\"; `out` is left alone when there is none.
void GetParentFolder(const std::string& path, std::string& out);
char ToUpperChar(char c);  // ASCII letters only
char ToLowerChar(char c);
// ASCII letters changed in place; a byte 0x81-0xFE and its trail byte are one
// double-byte character and stay as they are.
void ToUpperMbcs(char* text);
void ToLowerMbcs(char* text);
// Case-insensitive comparison: <0, 0 or >0.
int CompareNoCase(const std::string& a, const std::string& b);
// Removes the first `count` bytes of the C string; a count at or past the
// length leaves an empty string.
void DropLeadingChars(char* text, size_t count);

// Bytes 0x80 and above, ASCII letters, digits and "$%'-_@{}()~!#&. ".
bool IsSafeNameChar(unsigned char c);
// Copies `source` into `target` (targetSize bytes, always NUL-terminated,
// truncated at a character boundary): rejected bytes become a space, double-byte
// characters are kept whole; with `trim` the result goes through TrimSpaces.
void MakeSafeName(const char* source, char* target, size_t targetSize, bool trim);
// The same, but rejected bytes become "_" and space, "/", "\" and a ":" in the
// second position stay.
void MakeSafePath(const char* source, char* target, size_t targetSize);

char HexDigitChar(int value);  // 0-15 to "0"-"9", "A"-"F"
// "A"-"Z" and "a"-"z" give 10-35, "0"-"9" 0-9, anything else itself.
int HexCharValue(char c);
// The same for letters and digits; anything else gives 0.
int HexCharValueA(char c);
// Arithmetic form: above "`" minus 87, up to "@" minus 48, otherwise minus 55.
int HexCharValueLoose(char c);
// Two upper-case digits per byte into `buffer`, which holds 2 * count + 1
// bytes; a null input gives an empty text.
void BytesToHex(const unsigned char* bytes, char* buffer, size_t count);
// `count` bytes from the first 2 * count digits (one digit when count is 1);
// bytes the text is too short for are zero, a null text zero-fills.
void HexToBytes(const char* hex, unsigned char* buffer, size_t count);
// The text right-aligned in `count` bytes: missing leading digits are zero, an
// odd digit count gives a leading half byte, surplus leading digits are ignored.
void HexToBytesRightAligned(const char* hex, unsigned char* buffer, size_t count);
// First position of the NUL-terminated needle inside `length` bytes, or null.
const char* FindInBuffer(const void* buffer, const char* needle, size_t length);

// Result codes of DecodeUtf8Sequence.
enum Utf8DecodeResult : int {
    UTF8_OK = 0,
    UTF8_END = 1,        // at the end, or the end came inside the sequence
    UTF8_BAD_LEAD = 2,   // a byte that starts no sequence
    UTF8_BAD_TRAIL = 3,  // a continuation byte is not 10xxxxxx
    UTF8_OVERLONG = 4,   // the code point fits a shorter form
    UTF8_BAD_VALUE = 5,  // above U+10FFFF or a surrogate
};
// Decodes one sequence at `cursor`; on success stores the code point and moves
// the cursor past it, on failure the cursor stays.
int DecodeUtf8Sequence(const char*& cursor, const char* end, std::uint32_t& codePoint);
bool IsValidUtf8(const std::string& text);

// A new random UUID in its 36-character text form.
std::string NewUuidText();
