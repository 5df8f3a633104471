#include "platform/files/ShellFolders.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"

struct ITEMIDLIST {
    wchar_t path[MAX_PATH];
};

namespace {

// Windows path of a folder id, empty when the machine has no such folder.
std::wstring FolderPath(int folder) {
    const platform::Machine& machine = platform::Machine::Current();
    const platform::MachineProfile& profile = machine.Profile();
    bool wow64 = profile.os64Bit && !profile.process64Bit;
    switch (folder & 0xFF) {
        case CSIDL_PERSONAL: return machine.DocumentsFolder();
        case CSIDL_APPDATA: return machine.AppDataFolder();
        case CSIDL_LOCAL_APPDATA: return machine.LocalAppDataFolder();
        case CSIDL_DESKTOP:
        case CSIDL_DESKTOPDIRECTORY: return machine.DesktopFolder();
        case CSIDL_PROGRAMS: return machine.ProgramsFolder();
        case CSIDL_STARTMENU: return machine.AppDataFolder() + L"\\Microsoft\\Windows\\Start Menu";
        case CSIDL_STARTUP: return machine.ProgramsFolder() + L"\\Startup";
        case CSIDL_COMMON_PROGRAMS: return L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
        case CSIDL_COMMON_STARTMENU: return L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
        case CSIDL_COMMON_DESKTOPDIRECTORY: return L"C:\\Users\\Public\\Desktop";
        case CSIDL_COMMON_APPDATA: return L"C:\\ProgramData";
        case CSIDL_COMMON_DOCUMENTS: return L"C:\\Users\\Public\\Documents";
        case CSIDL_PROFILE: return machine.UserProfileFolder();
        case CSIDL_WINDOWS: return machine.WindowsFolder();
        case CSIDL_SYSTEM: return machine.WindowsFolder() + L"\\System32";
        case CSIDL_SYSTEMX86: return machine.WindowsFolder() + (profile.os64Bit ? L"\\SysWOW64" : L"\\System32");
        case CSIDL_PROGRAM_FILES:
            return (profile.os64Bit && !wow64) ? L"C:\\Program Files"
                   : profile.os64Bit           ? L"C:\\Program Files (x86)"
                                               : L"C:\\Program Files";
        case CSIDL_PROGRAM_FILESX86: return profile.os64Bit ? L"C:\\Program Files (x86)" : L"C:\\Program Files";
        default: return {};
    }
}

bool EnsureFolder(const std::wstring& path) {
    std::optional<std::string> host = platform::ToHostPath(path);
    if (!host) return false;
    std::error_code ec;
    std::filesystem::create_directories(*host, ec);
    return std::filesystem::is_directory(*host, ec);
}

}  // namespace

HRESULT SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, LPWSTR path) {
    if (path == nullptr) return E_INVALIDARG;
    path[0] = 0;
    std::wstring result = FolderPath(folder);
    if (result.empty() || result.size() >= MAX_PATH) return E_INVALIDARG;
    if ((folder & CSIDL_FLAG_CREATE) != 0 && !EnsureFolder(result)) return static_cast<HRESULT>(0x80070005u);
    std::wcscpy(path, result.c_str());
    return S_OK;
}

HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path) {
    if (path == nullptr) return E_INVALIDARG;
    wchar_t wide[MAX_PATH] = {0};
    HRESULT result = SHGetFolderPathW(owner, folder, token, flags, wide);
    path[0] = 0;
    if (SUCCEEDED(result)) WideCharToMultiByte(CP_ACP, 0, wide, -1, path, MAX_PATH, nullptr, nullptr);
    return result;
}

BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int folder, BOOL create) {
    return SUCCEEDED(SHGetFolderPathW(owner, folder | (create ? CSIDL_FLAG_CREATE : 0), nullptr, 0, path)) ? TRUE
                                                                                                           : FALSE;
}

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list) {
    if (list == nullptr) return E_INVALIDARG;
    *list = nullptr;
    auto* item = static_cast<ITEMIDLIST*>(std::calloc(1, sizeof(ITEMIDLIST)));
    if (item == nullptr) return E_OUTOFMEMORY;
    HRESULT result = SHGetFolderPathW(owner, folder, nullptr, 0, item->path);
    if (FAILED(result)) {
        std::free(item);
        return result;
    }
    *list = item;
    return S_OK;
}

BOOL SHGetPathFromIDListW(LPCITEMIDLIST list, LPWSTR path) {
    if (list == nullptr || path == nullptr) return FALSE;
    std::wcscpy(path, list->path);
    return TRUE;
}

PIDLIST_ABSOLUTE ILCreateFromPathW(LPCWSTR path) {
    if (path == nullptr || std::wcslen(path) >= MAX_PATH) return nullptr;
    auto* item = static_cast<ITEMIDLIST*>(std::calloc(1, sizeof(ITEMIDLIST)));
    if (item != nullptr) std::wcscpy(item->path, path);
    return item;
}

void CoTaskMemFree(LPVOID memory) { std::free(memory); }

DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
    std::wstring temp = platform::Machine::Current().TempFolder() + L"\\";
    if (buffer == nullptr || bufferLength <= temp.size()) return static_cast<DWORD>(temp.size() + 1);
    std::wcscpy(buffer, temp.c_str());
    return static_cast<DWORD>(temp.size());
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
    std::wstring folder = platform::Machine::Current().WindowsFolder();
    if (buffer == nullptr || size <= folder.size()) return static_cast<UINT>(folder.size() + 1);
    std::wcscpy(buffer, folder.c_str());
    return static_cast<UINT>(folder.size());
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
    std::wstring folder = platform::Machine::Current().WindowsFolder() + L"\\System32";
    if (buffer == nullptr || size <= folder.size()) return static_cast<UINT>(folder.size() + 1);
    std::wcscpy(buffer, folder.c_str());
    return static_cast<UINT>(folder.size());
}
