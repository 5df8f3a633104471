#include "util/ShellPaths.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/base/Environment.h"
#include "platform/files/FileSystem.h"
#include "platform/files/PathHelpers.h"
#include "platform/base/Resources.h"
#include "platform/files/ShellFolders.h"
#include "util/Folders.h"
#include "util/OsVersion.h"

namespace {

std::wstring SubPath(wchar_t* base, const wchar_t* subPath, const wchar_t* fileName, bool create) {
    if (subPath != nullptr) PathAppendW(base, subPath);
    if (create) CreateDirectoryPath(base);
    if (fileName != nullptr) PathAppendW(base, fileName);
    return base;
}

}  // namespace

std::wstring GetDocumentsSubPath(const wchar_t* subPath, const wchar_t* fileName, bool create) {
    wchar_t path[MAX_PATH] = {0};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, path);
    return SubPath(path, subPath, fileName, create);
}

std::wstring GetDownloadsSubPath(const wchar_t* subPath, const wchar_t* fileName, bool create) {
    wchar_t path[MAX_PATH] = {0};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, path);
    PathRemoveFileSpecW(path);
    PathAppendW(path, L"Downloads");
    return SubPath(path, subPath, fileName, create);
}

int GetDocumentsFolder(wchar_t* buffer) {
    if (buffer == nullptr) return 1;
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, buffer);
    return 1;
}

int GetAppDataFolder(wchar_t* buffer) {
    if (buffer == nullptr) return 0;
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &list)) || list == nullptr) return 0;
    BOOL ok = SHGetPathFromIDListW(list, buffer);
    CoTaskMemFree(list);
    return ok ? 1 : 0;
}

int MakeProgramFilesPath(wchar_t* buffer, const wchar_t* folderName, bool create, bool is64Bit) {
    if (buffer == nullptr) return 0;
    buffer[0] = 0;
    bool found = false;
    if (is64Bit && IsOs64Bit()) {
        char value[MAX_PATH] = {0};
        DWORD length = GetEnvironmentVariableA("ProgramW6432", value, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            found = MultiByteToWideChar(CP_ACP, 0, value, -1, buffer, MAX_PATH) > 0;
        }
    }
    if (!found) SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PROGRAM_FILES, FALSE);
    BOOL appended = PathAppendW(buffer, folderName != nullptr ? folderName : L"");
    if (create) return CreateDirectoryPath(buffer);
    return appended;
}

std::wstring GetSystemFolder(bool x86) {
    wchar_t path[MAX_PATH] = {0};
    SHGetFolderPathW(nullptr, x86 ? CSIDL_SYSTEMX86 : CSIDL_SYSTEM, nullptr, 0, path);
    return path;
}

std::wstring JoinPath(const std::wstring& first, const std::wstring& second) {
    wchar_t path[MAX_PATH] = {0};
    std::wcsncpy(path, first.c_str(), MAX_PATH - 1);
    PathAppendW(path, second.c_str());
    return path;
}

std::string JoinPathA(const std::string& first, const std::string& second) {
    char path[MAX_PATH] = {0};
    std::strncpy(path, first.c_str(), MAX_PATH - 1);
    PathAppendA(path, second.c_str());
    return path;
}

bool LoadResourceData(int id, const wchar_t* type, std::string& out) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(static_cast<UINT_PTR>(id)), type);
    if (resource == nullptr) return false;
    DWORD size = SizeofResource(module, resource);
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (size == 0 || bytes == nullptr) return false;
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
    std::memcpy(buffer.data(), bytes, size);
    out.assign(buffer.data());
    return true;
}

std::uint64_t GetDiskFreeMB(char driveLetter) {
    char root[4] = {driveLetter, ':', '\\', '\0'};
    ULARGE_INTEGER freeToCaller{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER totalFree{};
    if (!GetDiskFreeSpaceExA(root, &freeToCaller, &total, &totalFree)) return 0;
    return static_cast<std::uint64_t>(static_cast<double>(totalFree.QuadPart) / 1024.0 / 1024.0);
}
