#include "util/StringUtil.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <locale>
#include <sstream>

#include "platform/base/CodePages.h"

namespace {

template <typename String>
String ReplaceAllIn(String& text, const String& search, const String& replacement) {
    // An empty search text would match at every position without end.
    if (search.empty()) return text;
    size_t position = text.find(search);
    while (position != String::npos) {
        text.replace(position, search.size(), replacement);
        position = text.find(search, position + replacement.size());
    }
    return text;
}

template <typename String>
int SplitInto(std::vector<String>& out, const String& text, const String& delimiter) {
    if (text.empty() || delimiter.empty()) return 0;
    int count = 0;
    size_t position = 0;
    for (size_t match = text.find(delimiter); match != String::npos; match = text.find(delimiter, position)) {
        if (match > position) {
            out.push_back(text.substr(position, match - position));
            ++count;
        }
        position = match + delimiter.size();
    }
    if (position < text.size()) {
        out.push_back(text.substr(position));
        ++count;
    }
    return count;
}

bool IsSpaceByte(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool IsTrimSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\x1F'; }

bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The byte count n becomes a non-negative count below the length, as adding
// the length while n stays negative would.
size_t WrapNegative(int count, size_t length) {
    long long value = static_cast<long long>(count) % static_cast<long long>(length);
    if (value < 0) value += static_cast<long long>(length);
    return static_cast<size_t>(value);
}

// Copies source into target byte by byte; `map` turns a single byte into its
// replacement, double-byte characters are copied whole.
template <typename Map>
void CopySafe(const char* source, char* target, size_t targetSize, Map map) {
    if (target == nullptr || targetSize == 0) return;
    size_t used = 0;
    if (source != nullptr) {
        const char* cursor = source;
        while (*cursor != '\0') {
            unsigned char c = static_cast<unsigned char>(*cursor);
            if (IsDBCSLeadByte(c)) {
                const char* next = CharNextA(cursor);
                size_t length = static_cast<size_t>(next - cursor);
                if (used + length >= targetSize) break;
                std::memcpy(target + used, cursor, length);
                used += length;
                cursor = next;
                continue;
            }
            if (used + 1 >= targetSize) break;
            target[used] = map(c, static_cast<size_t>(cursor - source));
            ++used;
            ++cursor;
        }
    }
    target[used] = '\0';
}

}  // namespace

std::string ReplaceAll(std::string& text, std::string search, std::string replacement) {
    return ReplaceAllIn(text, search, replacement);
}

std::wstring ReplaceAllWide(std::wstring& text, std::wstring search, std::wstring replacement) {
    return ReplaceAllIn(text, search, replacement);
}

std::string ReplaceAllText(const char* text, const char* search, const char* replacement) {
    std::string copy = text != nullptr ? text : "";
    return ReplaceAllIn(copy, std::string(search != nullptr ? search : ""),
                        std::string(replacement != nullptr ? replacement : ""));
}

int SplitString(std::vector<std::string>& out, const std::string& text, const std::string& delimiter) {
    return SplitInto(out, text, delimiter);
}

int SplitStringWide(std::vector<std::wstring>& out, const std::wstring& text, const std::wstring& delimiter) {
    return SplitInto(out, text, delimiter);
}

std::vector<std::wstring> SplitWide(const std::wstring& text, const std::wstring& separator) {
    std::vector<std::wstring> pieces;
    if (separator.empty()) return pieces;
    size_t position = 0;
    while (position < text.size()) {
        size_t match = text.find(separator, position);
        if (match == std::wstring::npos) {
            pieces.push_back(text.substr(position));
            break;
        }
        pieces.push_back(text.substr(position, match - position));
        position = match + separator.size();
    }
    return pieces;
}

bool IsNumberText(const std::string& text) {
    std::stringstream stream(text);
    stream.imbue(std::locale::classic());
    double value = 0;
    if (!(stream >> value)) return false;
    char next = 0;
    return !(stream >> std::noskipws >> next);
}

std::string& TrimLeft(std::string& text) {
    auto first = std::find_if_not(text.begin(), text.end(), IsSpaceByte);
    text.erase(text.begin(), first);
    return text;
}

std::string& TrimRight(std::string& text) {
    auto last = std::find_if_not(text.rbegin(), text.rend(), IsSpaceByte);
    text.erase(last.base(), text.end());
    return text;
}

std::string& Trim(std::string& text) { return TrimLeft(TrimRight(text)); }

std::string TrimCopy(std::string text) { return Trim(text); }

void TrimSpaces(char* text) {
    if (text == nullptr) return;
    size_t length = std::strlen(text);
    while (length > 0 && IsTrimSpace(text[length - 1])) --length;
    size_t start = 0;
    while (start < length && IsTrimSpace(text[start])) ++start;
    std::memmove(text, text + start, length - start);
    text[length - start] = '\0';
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string LeftPart(const std::string& text, int count) {
    if (count == 0 || text.empty()) return {};
    if (count < 0) return RightPart(text, static_cast<int>(WrapNegative(count, text.size())));
    return text.substr(0, std::min(static_cast<size_t>(count), text.size()));
}

std::string RightPart(const std::string& text, int count) {
    if (count == 0 || text.empty()) return {};
    if (count < 0) return LeftPart(text, static_cast<int>(WrapNegative(count, text.size())));
    size_t length = std::min(static_cast<size_t>(count), text.size());
    return text.substr(text.size() - length);
}

void ToUpperString(std::string& text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

void ToLowerString(std::string& text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

void EnsureTrailingSlash(std::string& path) {
    if (path.empty()) return;
    if (path.back() == '\\' || path.back() == '/') path.back() = '/';
    else path.push_back('/');
}

void GetParentFolder(const std::string& path, std::string& out) {
    size_t last = path.find_last_of("/\\");
    if (last == std::string::npos) return;
    out = path.substr(0, last + 1);
}

char ToUpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char ToLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

namespace {
template <typename Change>
void ChangeMbcs(char* text, Change change) {
    if (text == nullptr) return;
    for (char* cursor = text; *cursor != '\0';) {
        unsigned char c = static_cast<unsigned char>(*cursor);
        if (c >= 0x81 && c <= 0xFE) {
            if (cursor[1] == '\0') break;  // a lead byte without its trail byte ends the text
            cursor += 2;
            continue;
        }
        *cursor = change(*cursor);
        ++cursor;
    }
}
}  // namespace

void ToUpperMbcs(char* text) { ChangeMbcs(text, ToUpperChar); }
void ToLowerMbcs(char* text) { ChangeMbcs(text, ToLowerChar); }

int CompareNoCase(const std::string& a, const std::string& b) {
    size_t shorter = std::min(a.size(), b.size());
    for (size_t i = 0; i < shorter; ++i) {
        int left = std::tolower(static_cast<unsigned char>(a[i]));
        int right = std::tolower(static_cast<unsigned char>(b[i]));
        if (left != right) return left < right ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

void DropLeadingChars(char* text, size_t count) {
    if (text == nullptr || count == 0) return;
    size_t length = std::strlen(text);
    if (count >= length) {
        text[0] = '\0';
        return;
    }
    std::memmove(text, text + count, length - count + 1);
}

bool IsSafeNameChar(unsigned char c) {
    if (c >= 0x80 || IsAsciiAlnum(c)) return true;
    return c != '\0' && std::strchr("$%'-_@{}()~!#&. ", c) != nullptr;
}

void MakeSafeName(const char* source, char* target, size_t targetSize, bool trim) {
    CopySafe(source, target, targetSize,
             [](unsigned char c, size_t) { return IsSafeNameChar(c) ? static_cast<char>(c) : ' '; });
    if (trim && target != nullptr && targetSize > 0) TrimSpaces(target);
}

void MakeSafePath(const char* source, char* target, size_t targetSize) {
    CopySafe(source, target, targetSize, [](unsigned char c, size_t offset) {
        bool kept = IsSafeNameChar(c) || c == '/' || c == '\\' || (c == ':' && offset == 1);
        return kept ? static_cast<char>(c) : '_';
    });
}
