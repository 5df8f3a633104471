#include "platform/base/CodePages.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "platform/base/LastError.h"
#include "platform/base/Machine.h"

namespace platform {

namespace {

// One converter per (from, to) pair and thread: iconv_t objects hold state and
// are not shared between threads.
class ConverterCache {
public:
    ~ConverterCache() {
        for (auto& entry : m_converters) iconv_close(entry.second);
    }
    iconv_t Get(const std::string& to, const std::string& from) {
        std::string key = to + "<" + from;
        auto it = m_converters.find(key);
        if (it == m_converters.end()) {
            // A failure (no such page, or no descriptor for the module just now) is not kept: the next call tries
            // again.
            iconv_t opened = iconv_open(to.c_str(), from.c_str());
            if (opened == reinterpret_cast<iconv_t>(-1)) return opened;
            it = m_converters.emplace(key, opened).first;
        }
        iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
        return it->second;
    }

private:
    std::map<std::string, iconv_t> m_converters;
};

thread_local ConverterCache t_converters;

UINT ResolveCodePage(UINT codePage) {
    if (codePage == CP_ACP) return Machine::Current().Profile().ansiCodePage;
    if (codePage == CP_OEMCP) return Machine::Current().Profile().oemCodePage;
    return codePage;
}

bool IsSingleByteCodePage(UINT codePage) {
    return codePage == 437 || codePage == 850 || codePage == 852 || codePage == 866 || codePage == 874 ||
           (codePage >= 1250 && codePage <= 1258);
}

// Runs iconv over `input`; `onBad` is called at a sequence iconv rejects and
// returns how many input bytes to skip (0 aborts the conversion).
template <typename OnBad>
bool Convert(iconv_t converter, const char* input, size_t inputBytes, std::string& output, OnBad onBad) {
    output.clear();
    std::vector<char> buffer(4096);
    char* in = const_cast<char*>(input);
    size_t inLeft = inputBytes;
    while (inLeft > 0) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        int error = errno;
        output.append(buffer.data(), buffer.size() - outLeft);
        if (result != static_cast<size_t>(-1)) break;
        if (error == E2BIG) continue;
        if (error == EILSEQ || error == EINVAL) {
            size_t skip = onBad(in, inLeft, output);
            if (skip == 0) return false;
            skip = std::min(skip, inLeft);
            in += skip;
            inLeft -= skip;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
            continue;
        }
        return false;
    }
    // Stateful pages (1258 combines a letter with a following tone mark) hold
    // the last character back until the end of the input is signalled.
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    if (iconv(converter, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1)) return false;
    output.append(buffer.data(), buffer.size() - outLeft);
    return true;
}

void AppendUtf16(std::string& bytes, char16_t unit) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
}

std::string ToUtf16Bytes(const wchar_t* text, size_t units) {
    std::string bytes;
    bytes.reserve(units * 2);
    for (size_t i = 0; i < units; ++i) AppendUtf16(bytes, static_cast<char16_t>(text[i] & 0xFFFF));
    return bytes;
}

std::vector<wchar_t> FromUtf16Bytes(const std::string& bytes) {
    std::vector<wchar_t> units(bytes.size() / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return units;
}

// Multi-byte to UTF-16 units; false when strict and the input is malformed.
bool DecodeToUnits(UINT codePage, const char* source, size_t bytes, bool strict, std::vector<wchar_t>& units) {
    std::string name = IconvNameOfCodePage(codePage);
    iconv_t converter = t_converters.Get("UTF-16LE", name);
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    bool singleByte = IsSingleByteCodePage(codePage);
    std::string utf16;
    bool ok = Convert(converter, source, bytes, utf16, [&](const char* at, size_t, std::string& out) -> size_t {
        if (strict) return 0;
        // Bytes a single-byte page leaves undefined keep their value, as Windows does.
        char16_t replacement = singleByte ? static_cast<char16_t>(static_cast<unsigned char>(*at)) : u'\uFFFD';
        AppendUtf16(out, replacement);
        return 1;
    });
    if (!ok) return false;
    units = FromUtf16Bytes(utf16);
    return true;
}

bool EncodeFromUnits(UINT codePage, const wchar_t* source, size_t count, const char* defaultChar, bool strict,
                     bool& usedDefault, std::string& output) {
    std::string name = IconvNameOfCodePage(codePage);
    iconv_t converter = t_converters.Get(name, "UTF-16LE");
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string utf16 = ToUtf16Bytes(source, count);
    std::string replacement =
        codePage == CP_UTF8 ? std::string("\xEF\xBF\xBD") : std::string(defaultChar ? defaultChar : "?");
    return Convert(converter, utf16.data(), utf16.size(), output,
                   [&](const char* at, size_t left, std::string& out) -> size_t {
                       if (strict) return 0;
                       usedDefault = true;
                       out += replacement;
                       // A well-formed pair the page cannot hold is one character.
                       if (left >= 4) {
                           char16_t first = static_cast<char16_t>(static_cast<unsigned char>(at[0]) |
                                                                  (static_cast<unsigned char>(at[1]) << 8));
                           char16_t second = static_cast<char16_t>(static_cast<unsigned char>(at[2]) |
                                                                   (static_cast<unsigned char>(at[3]) << 8));
                           if (first >= 0xD800 && first < 0xDC00 && second >= 0xDC00 && second < 0xE000) return 4;
                       }
                       return 2;
                   });
}

}  // namespace

std::string IconvNameOfCodePage(UINT codePage) {
    codePage = ResolveCodePage(codePage);
    switch (codePage) {
        case CP_UTF8: return "UTF-8";
        case 20127: return "ASCII";
        case 28591: return "ISO-8859-1";
        case 437:
        case 850:
        case 852:
        case 855:
        case 857:
        case 860:
        case 861:
        case 862:
        case 863:
        case 865:
        case 866:
        case 869:
        case 874:
        case 932:
        case 936:
        case 949:
        case 950:
        case 1250:
        case 1251:
        case 1252:
        case 1253:
        case 1254:
        case 1255:
        case 1256:
        case 1257:
        case 1258: return "CP" + std::to_string(codePage);
        default: return {};
    }
}

std::string Utf16ToUtf8(const std::wstring& text) {
    std::string out;
    bool used = false;
    if (!EncodeFromUnits(CP_UTF8, text.data(), text.size(), nullptr, false, used, out)) return {};
    return out;
}

std::wstring Utf8ToUtf16(const std::string& text) {
    std::vector<wchar_t> units;
    if (!DecodeToUnits(CP_UTF8, text.data(), text.size(), false, units)) return {};
    return std::wstring(units.begin(), units.end());
}

}  // namespace platform

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR target, int targetUnits) {
    if (source == nullptr || sourceBytes == 0 || sourceBytes < -1 || targetUnits < 0 ||
        (targetUnits > 0 && target == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT page = codePage == CP_ACP ? GetACP() : codePage == CP_OEMCP ? GetOEMCP() : codePage;
    if (platform::IconvNameOfCodePage(page).empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t bytes = sourceBytes == -1 ? std::strlen(source) + 1 : static_cast<size_t>(sourceBytes);
    std::vector<wchar_t> units;
    if (!platform::DecodeToUnits(page, source, bytes, (flags & MB_ERR_INVALID_CHARS) != 0, units)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (targetUnits == 0) return static_cast<int>(units.size());
    if (units.size() > static_cast<size_t>(targetUnits)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(units.begin(), units.end(), target);
    return static_cast<int>(units.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceUnits, LPSTR target, int targetBytes,
                        LPCSTR defaultChar, BOOL* usedDefaultChar) {
    if (source == nullptr || sourceUnits == 0 || sourceUnits < -1 || targetBytes < 0 ||
        (targetBytes > 0 && target == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT page = codePage == CP_ACP ? GetACP() : codePage == CP_OEMCP ? GetOEMCP() : codePage;
    if (platform::IconvNameOfCodePage(page).empty() ||
        (page == CP_UTF8 && (defaultChar != nullptr || usedDefaultChar != nullptr))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t units = sourceUnits == -1 ? std::wcslen(source) + 1 : static_cast<size_t>(sourceUnits);
    std::string out;
    bool used = false;
    bool strict = (flags & WC_ERR_INVALID_CHARS) != 0 && page == CP_UTF8;
    if (!platform::EncodeFromUnits(page, source, units, defaultChar, strict, used, out)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (usedDefaultChar != nullptr) *usedDefaultChar = used ? TRUE : FALSE;
    if (targetBytes == 0) return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(targetBytes)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(target, out.data(), out.size());
    return static_cast<int>(out.size());
}

UINT GetACP() { return platform::Machine::Current().Profile().ansiCodePage; }
UINT GetOEMCP() { return platform::Machine::Current().Profile().oemCodePage; }

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar) {
    UINT page = codePage == CP_ACP ? GetACP() : codePage == CP_OEMCP ? GetOEMCP() : codePage;
    switch (page) {
        case 932: return (testChar >= 0x81 && testChar <= 0x9F) || (testChar >= 0xE0 && testChar <= 0xFC);
        case 936:
        case 949:
        case 950: return testChar >= 0x81 && testChar <= 0xFE;
        default: return FALSE;
    }
}

BOOL IsDBCSLeadByte(BYTE testChar) { return IsDBCSLeadByteEx(CP_ACP, testChar); }

LPSTR CharNextA(LPCSTR current) {
    if (current == nullptr || *current == '\0') return const_cast<LPSTR>(current);
    if (IsDBCSLeadByte(static_cast<BYTE>(*current)) && current[1] != '\0') return const_cast<LPSTR>(current + 2);
    return const_cast<LPSTR>(current + 1);
}

namespace platform {

std::wstring CodePageToWide(UINT codePage, const char* text) {
    if (text == nullptr || *text == '\0') return {};
    int units = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, text, -1, wide.data(), units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

std::string WideToCodePage(UINT codePage, const std::wstring& text) {
    if (text.empty()) return {};
    int bytes = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(bytes - 1));
    return narrow;
}

}  // namespace platform
