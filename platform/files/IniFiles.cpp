#include "platform/files/IniFiles.h"

#include <cstdio>
#include <algorithm>
#include <cwctype>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/files/FileSystem.h"
#include "platform/base/HostPaths.h"

namespace {

struct IniLine {
    std::wstring text;
};

struct IniText {
    bool utf16 = false;
    std::vector<std::wstring> lines;
};

std::wstring Trim(const std::wstring& text) {
    size_t begin = text.find_first_not_of(L" \t\r\n");
    if (begin == std::wstring::npos) return {};
    size_t end = text.find_last_not_of(L" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

constexpr size_t kMaxIniBytes = 1u << 20;

bool ReadIni(LPCWSTR fileName, IniText& ini) {
    FILE* file = nullptr;
    if (fileName == nullptr || _wfopen_s(&file, fileName, L"rb") != 0 || file == nullptr) return false;
    std::string bytes;
    char buffer[4096];
    size_t got;
    bool tooLarge = false;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        bytes.append(buffer, got);
        // Settings files are small: a larger one (or a device that never ends) reads as missing.
        if (bytes.size() > kMaxIniBytes) {
            tooLarge = true;
            break;
        }
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (tooLarge || failed) return false;
    std::wstring text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        ini.utf16 = true;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    } else if (!bytes.empty()) {
        int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        text.resize(static_cast<size_t>(units > 0 ? units : 0));
        if (units > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), units);
    }
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\n') {
            ini.lines.push_back(line);
            line.clear();
        } else if (c != L'\r') {
            line.push_back(c);
        }
    }
    if (!line.empty()) ini.lines.push_back(line);
    return true;
}

bool IsSection(const std::wstring& line, std::wstring& name) {
    std::wstring trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != L'[') return false;
    size_t close = trimmed.find(L']');
    name = Trim(trimmed.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
    return true;
}

bool SplitKey(const std::wstring& line, std::wstring& key, std::wstring& value) {
    size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) return false;
    key = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    return !key.empty();
}

bool FindValue(const IniText& ini, const std::wstring& section, const std::wstring& key, std::wstring& value) {
    bool inSection = false;
    for (const std::wstring& line : ini.lines) {
        std::wstring name;
        if (IsSection(line, name)) {
            inSection = platform::NamesEqualNoCase(name, section);
            continue;
        }
        std::wstring lineKey;
        std::wstring lineValue;
        if (inSection && SplitKey(line, lineKey, lineValue) && platform::NamesEqualNoCase(lineKey, key)) {
            if (lineValue.size() >= 2 && ((lineValue.front() == L'"' && lineValue.back() == L'"') ||
                                          (lineValue.front() == L'\'' && lineValue.back() == L'\'')))
                lineValue = lineValue.substr(1, lineValue.size() - 2);
            value = lineValue;
            return true;
        }
    }
    return false;
}

DWORD CopyOut(const std::wstring& text, LPWSTR buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    size_t count = std::min(text.size(), static_cast<size_t>(size - 1));
    std::wmemcpy(buffer, text.c_str(), count);
    buffer[count] = 0;
    return static_cast<DWORD>(count);
}

}  // namespace

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName) {
    IniText ini;
    std::wstring value;
    if (section == nullptr || key == nullptr || !ReadIni(fileName, ini) || !FindValue(ini, section, key, value))
        return static_cast<UINT>(defaultValue);
    // Leading digits count, as with the real call: "12abc" is 12, "abc" is 0.
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == L'-' || value[i] == L'+')) negative = value[i++] == L'-';
    unsigned long long number = 0;
    if (i + 1 < value.size() && value[i] == L'0' && (value[i + 1] == L'x' || value[i + 1] == L'X')) {
        for (i += 2; i < value.size() && std::iswxdigit(static_cast<wint_t>(value[i])); ++i)
            number = number * 16 + static_cast<unsigned>(std::iswdigit(static_cast<wint_t>(value[i]))
                                                             ? value[i] - L'0'
                                                             : (value[i] | 0x20) - L'a' + 10);
    } else {
        for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i) number = number * 10 + (value[i] - L'0');
    }
    UINT result = static_cast<UINT>(number);
    return negative ? static_cast<UINT>(0u - result) : result;
}

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                               LPCWSTR fileName) {
    std::wstring fallback = defaultValue != nullptr ? Trim(defaultValue) : L"";
    IniText ini;
    if (section == nullptr || key == nullptr) {
        // Listing forms: names separated by NULs and closed by a second NUL.
        std::wstring list;
        if (ReadIni(fileName, ini)) {
            bool inSection = false;
            for (const std::wstring& line : ini.lines) {
                std::wstring name;
                std::wstring lineKey;
                std::wstring lineValue;
                if (IsSection(line, name)) {
                    inSection = section != nullptr && platform::NamesEqualNoCase(name, section);
                    if (section == nullptr) list += name + L'\0';
                } else if (section != nullptr && inSection && SplitKey(line, lineKey, lineValue)) {
                    list += lineKey + L'\0';
                }
            }
        }
        if (buffer == nullptr || size < 2) return 0;
        size_t count = std::min(list.size(), static_cast<size_t>(size - 2));
        std::wmemcpy(buffer, list.data(), count);
        buffer[count] = 0;
        buffer[count + 1] = 0;
        return static_cast<DWORD>(count);
    }
    std::wstring value;
    if (!ReadIni(fileName, ini) || !FindValue(ini, section, key, value)) value = fallback;
    return CopyOut(value, buffer, size);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName) {
    if (section == nullptr || fileName == nullptr) return FALSE;
    IniText ini;
    ReadIni(fileName, ini);
    std::vector<std::wstring> out;
    bool inSection = false;
    bool sectionSeen = false;
    bool written = false;
    auto finishSection = [&]() {
        if (inSection && !written && key != nullptr && value != nullptr) {
            out.push_back(std::wstring(key) + L"=" + value);
            written = true;
        }
    };
    for (const std::wstring& line : ini.lines) {
        std::wstring name;
        if (IsSection(line, name)) {
            finishSection();
            inSection = platform::NamesEqualNoCase(name, section);
            sectionSeen = sectionSeen || inSection;
            if (inSection && key == nullptr) continue;  // the whole section goes
            out.push_back(line);
            continue;
        }
        std::wstring lineKey;
        std::wstring lineValue;
        if (inSection) {
            if (key == nullptr) continue;
            if (SplitKey(line, lineKey, lineValue) && platform::NamesEqualNoCase(lineKey, key)) {
                if (value != nullptr && !written) out.push_back(std::wstring(key) + L"=" + value);
                written = true;
                continue;
            }
        }
        out.push_back(line);
    }
    finishSection();
    if (!sectionSeen && key != nullptr && value != nullptr) {
        out.push_back(L"[" + std::wstring(section) + L"]");
        out.push_back(std::wstring(key) + L"=" + value);
    }
    std::wstring text;
    for (const std::wstring& line : out) text += line + L"\r\n";
    std::string bytes;
    if (ini.utf16) {
        bytes = "\xFF\xFE";
        for (wchar_t c : text) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
        }
    } else if (!text.empty()) {
        int length =
            WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        bytes.resize(static_cast<size_t>(length > 0 ? length : 0));
        if (length > 0)
            WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                                nullptr);
    }
    FILE* file = nullptr;
    if (_wfopen_s(&file, fileName, L"wb") != 0 || file == nullptr) return FALSE;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    return ok ? TRUE : FALSE;
}
