#include "util/StringConvert.h"

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "platform/base/CodePages.h"
#include "util/StringUtil.h"

namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// A code point as UTF-16 units; values outside Unicode become U+FFFD.
void AppendUtf16(std::wstring& out, std::uint32_t codePoint) {
    if (codePoint > 0x10FFFF) codePoint = kReplacement;
    if (codePoint < 0x10000) {
        out.push_back(static_cast<wchar_t>(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 | (codePoint >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 | (codePoint & 0x3FF)));
}

// Code points of a wide string: surrogate pairs are joined, lone surrogates
// and values outside Unicode become U+FFFD.
template <typename Sink>
void ForEachCodePoint(const std::wstring& text, Sink sink) {
    for (size_t i = 0; i < text.size(); ++i) {
        std::uint32_t unit = static_cast<std::uint32_t>(text[i]);
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(static_cast<std::uint32_t>(text[i + 1]))) {
            std::uint32_t low = static_cast<std::uint32_t>(text[++i]);
            sink(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit) || unit > 0x10FFFF) {
            sink(kReplacement);
        } else {
            sink(unit);
        }
    }
}

std::wstring MultiByteToWide(UINT codePage, const char* text, int bytes) {
    int units = MultiByteToWideChar(codePage, 0, text, bytes, nullptr, 0);
    if (units <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(units) + 1, L'\0');
    if (MultiByteToWideChar(codePage, 0, text, bytes, buffer.data(), units) <= 0) return {};
    // A NUL-terminated conversion includes the NUL; a counted one keeps inner NULs.
    if (bytes == -1) return std::wstring(buffer.data());
    return std::wstring(buffer.data(), static_cast<size_t>(units));
}

std::string WideToMultiByte(UINT codePage, const wchar_t* text, int units) {
    int bytes = WideCharToMultiByte(codePage, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::vector<char> buffer(static_cast<size_t>(bytes) + 1, '\0');
    if (WideCharToMultiByte(codePage, 0, text, units, buffer.data(), bytes, nullptr, nullptr) <= 0) return {};
    if (units == -1) return std::string(buffer.data());
    return std::string(buffer.data(), static_cast<size_t>(bytes));
}

int CountOf(size_t size) { return size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size); }

}  // namespace

void AnsiToWide(std::string text, std::wstring& out) { out = MultiByteToWide(CP_ACP, text.c_str(), -1); }
void AnsiStringToWide(std::string text, std::wstring& out) { AnsiToWide(std::move(text), out); }
std::wstring ToWideString(const std::string& text) { return MultiByteToWide(CP_ACP, text.c_str(), -1); }

std::string WideCharsToOem(const wchar_t* text) {
    if (text == nullptr) return {};
    return WideToMultiByte(CP_OEMCP, text, -1);
}
void WideToOem(std::wstring text, std::string& out) { out = WideCharsToOem(text.c_str()); }
std::string ToOemString(const std::wstring& text) { return WideCharsToOem(text.c_str()); }

std::string WideCharsToAnsi(const wchar_t* text) {
    if (text == nullptr) return {};
    return WideToMultiByte(CP_ACP, text, -1);
}
void WideStringToAnsi(std::wstring text, std::string& out) { out = WideCharsToAnsi(text.c_str()); }

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    return WideToMultiByte(CP_ACP, text.data(), CountOf(text.size()));
}

std::wstring AnsiToWideCounted(const std::string& text) {
    if (text.empty()) return {};
    return MultiByteToWide(CP_ACP, text.data(), CountOf(text.size()));
}

std::string WideToUtf8Text(const std::wstring& text) {
    std::string out;
    out.reserve(text.size() * 3);
    ForEachCodePoint(text, [&](std::uint32_t codePoint) { AppendUtf8(out, codePoint); });
    return out;
}

std::wstring Utf8TextToWide(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        unsigned char lead = bytes[i];
        size_t length;
        std::uint32_t value;
        if (lead < 0x80) {
            length = 1, value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, value = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, value = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, value = lead & 0x07;
        } else if ((lead & 0xFC) == 0xF8) {
            length = 5, value = lead & 0x03;
        } else if ((lead & 0xFE) == 0xFC) {
            length = 6, value = lead & 0x01;
        } else {
            // A continuation byte or 0xFE/0xFF starts nothing.
            out.push_back(static_cast<wchar_t>(kReplacement));
            ++i;
            continue;
        }
        if (size - i < length) {
            out.push_back(static_cast<wchar_t>(kReplacement));
            break;
        }
        // Continuation bytes are taken as they come, without checking their tag.
        for (size_t k = 1; k < length; ++k) value = (value << 6) | (bytes[i + k] & 0x3F);
        AppendUtf16(out, value);
        i += length;
    }
    return out;
}

std::string Utf8TextToAnsi(const std::string& text) { return WideToAnsi(Utf8TextToWide(text)); }
std::string AnsiTextToUtf8(const std::string& text) { return WideToUtf8Text(AnsiToWideCounted(text)); }

std::string WideToUtf8(const std::wstring& text) { return WideToUtf8Text(text); }

std::wstring Utf8ToWide(const std::string& text) {
    if (!IsValidUtf8(text)) return {};
    std::wstring out;
    out.reserve(text.size());
    const char* cursor = text.data();
    const char* end = cursor + text.size();
    std::uint32_t codePoint = 0;
    while (DecodeUtf8Sequence(cursor, end, codePoint) == UTF8_OK) AppendUtf16(out, codePoint);
    return out;
}

std::string WideToAnsiString(const std::wstring& text) { return WideToAnsi(text); }
std::wstring AnsiToWideString(const std::string& text) { return AnsiToWideCounted(text); }
std::string Utf8ToAnsi(const std::string& text) { return WideToAnsiString(Utf8ToWide(text)); }
std::string AnsiToUtf8(const std::string& text) { return WideToUtf8(AnsiToWideString(text)); }

std::wstring MultiByteToWideCrt(const std::string& text) {
    std::vector<wchar_t> buffer(text.size() + 1, L'\0');
    size_t count = std::mbstowcs(buffer.data(), text.c_str(), text.size());
    if (count == static_cast<size_t>(-1)) return {};
    std::wstring out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) AppendUtf16(out, static_cast<std::uint32_t>(buffer[i]));
    return out;
}

std::string WideToMultiByteCrt(const std::wstring& text) {
    // The C runtime's wide characters are whole code points here.
    std::wstring points;
    points.reserve(text.size());
    ForEachCodePoint(text, [&](std::uint32_t codePoint) { points.push_back(static_cast<wchar_t>(codePoint)); });
    // Sized by a query: a fixed 2 bytes per unit would cut three-byte characters off.
    size_t needed = std::wcstombs(nullptr, points.c_str(), 0);
    if (needed == static_cast<size_t>(-1)) return {};
    std::vector<char> buffer(needed + 1, '\0');
    size_t count = std::wcstombs(buffer.data(), points.c_str(), needed);
    if (count == static_cast<size_t>(-1)) return {};
    return std::string(buffer.data(), count);
}

BOOL CreateDirectoryUtf8(const char* path, LPSECURITY_ATTRIBUTES attributes) {
    std::wstring wide = Utf8ToWide(path != nullptr ? path : "");
    return CreateDirectoryW(wide.c_str(), attributes);
}

DWORD GetFileAttributesUtf8(const char* path) {
    std::wstring wide = Utf8ToWide(path != nullptr ? path : "");
    return GetFileAttributesW(wide.c_str());
}

HANDLE CreateFileUtf8(const char* path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes, DWORD creation,
                      DWORD flags, HANDLE templateFile) {
    std::wstring wide = Utf8ToWide(path != nullptr ? path : "");
    return CreateFileW(wide.c_str(), access, share, attributes, creation, flags, templateFile);
}
