#include "platform/kernel/Module.h"

#include <unistd.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"

namespace {

std::wstring ModulePath() {
    const std::wstring& named = platform::Machine::Current().Profile().moduleFileName;
    if (!named.empty()) return named;
    std::vector<char> buffer(4096);
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return L"Z:\\setup.exe";
    return platform::FromHostPath(std::string(buffer.data(), static_cast<size_t>(length)));
}

}  // namespace

DWORD GetModuleFileNameW(HMODULE, LPWSTR fileName, DWORD size) {
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::wstring path = ModulePath();
    if (path.size() >= size) {
        // Truncated and terminated, as on Windows XP and later.
        std::wmemcpy(fileName, path.c_str(), size - 1);
        fileName[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::wmemcpy(fileName, path.c_str(), path.size() + 1);
    SetLastError(0);
    return static_cast<DWORD>(path.size());
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    std::vector<wchar_t> wide(MAX_PATH * 4);
    DWORD length = GetModuleFileNameW(module, wide.data(), static_cast<DWORD>(wide.size()));
    if (length == 0 || fileName == nullptr || size == 0) return 0;
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, fileName, static_cast<int>(size), nullptr, nullptr);
    if (bytes <= 0) {
        fileName[0] = 0;
        return 0;
    }
    return static_cast<DWORD>(bytes - 1);
}
