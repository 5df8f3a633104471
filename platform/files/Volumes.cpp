#include "platform/files/Volumes.h"

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"
#include "platform/files/FileSystem.h"

namespace {

std::wstring AnsiToWide(const char* text) {
    if (text == nullptr) return {};
    int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(bytes - 1));
    return narrow;
}

}  // namespace

DWORD GetShortPathNameW(LPCWSTR path, LPWSTR buffer, DWORD size) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring full = platform::FullWindowsPath(path);
    if (full.empty() || GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || size <= full.size()) return static_cast<DWORD>(full.size() + 1);
    std::wmemcpy(buffer, full.c_str(), full.size() + 1);
    return static_cast<DWORD>(full.size());
}

DWORD GetShortPathNameA(LPCSTR path, LPSTR buffer, DWORD size) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    wchar_t wide[MAX_PATH];
    DWORD units = GetShortPathNameW(AnsiToWide(path).c_str(), wide, MAX_PATH);
    if (units == 0 || units >= MAX_PATH) return 0;
    std::string narrow = WideToAnsi(std::wstring(wide, units));
    if (buffer == nullptr || size <= narrow.size()) return static_cast<DWORD>(narrow.size() + 1);
    std::memcpy(buffer, narrow.c_str(), narrow.size() + 1);
    return static_cast<DWORD>(narrow.size());
}
