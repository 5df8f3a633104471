#include "util/Shortcuts.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "platform/base/Clock.h"
#include "platform/files/FileSystem.h"
#include "platform/base/MachineEvents.h"
#include "platform/files/PathHelpers.h"
#include "platform/files/ShellFolders.h"
#include "platform/files/ShellLink.h"
#include "util/Folders.h"
#include "util/RegKey.h"

namespace {

bool SpecialFolder(int csidl, wchar_t* path) {
    path[0] = L'\0';
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || list == nullptr) return false;
    bool ok = SHGetPathFromIDListW(list, path) != FALSE;
    CoTaskMemFree(list);
    return ok;
}

bool AppDataSubFolder(const wchar_t* tail, wchar_t* path) {
    if (!SpecialFolder(CSIDL_APPDATA, path)) return false;
    return PathAppendW(path, tail) != FALSE;
}

bool LocationFolder(int location, wchar_t* path) {
    switch (location) {
        case ShortcutQuickLaunch: return GetQuickLaunchFolder(path);
        case ShortcutTaskbarPins: return GetTaskbarPinsFolder(path);
        case ShortcutPrograms: return GetProgramsFolder(path);
        case ShortcutCommonPrograms: return GetCommonProgramsFolder(path);
        default: return GetDesktopFolder(path);
    }
}

// The shell has no windows here: the broadcast is recorded on the machine.
void BroadcastIconChange() { platform::RecordMachineEvent("PostMessage HWND_BROADCAST WM_WININICHANGE 42"); }

}  // namespace

bool GetDesktopFolder(wchar_t* path) { return SpecialFolder(CSIDL_DESKTOP, path); }
bool GetQuickLaunchFolder(wchar_t* path) {
    return AppDataSubFolder(L"Microsoft\\Internet Explorer\\Quick Launch", path);
}
bool GetProgramsFolder(wchar_t* path) { return SpecialFolder(CSIDL_PROGRAMS, path); }
bool GetCommonProgramsFolder(wchar_t* path) { return SpecialFolder(CSIDL_COMMON_PROGRAMS, path); }
bool GetTaskbarPinsFolder(wchar_t* path) {
    return AppDataSubFolder(L"Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar", path);
}
bool GetPersonalFolder(wchar_t* path) { return SpecialFolder(CSIDL_PERSONAL, path); }

bool CreateLink(const wchar_t* target, const wchar_t* folder, const wchar_t* name, const wchar_t* workingFolder,
                WORD hotKey, const wchar_t* description, const wchar_t* iconPath, const wchar_t* arguments, int show) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) || target == nullptr) {
        if (file != nullptr) file->Release();
        link->Release();
        return false;
    }
    link->SetPath(target);
    link->SetIconLocation(iconPath != nullptr ? iconPath : target, 0);
    if (arguments != nullptr) link->SetArguments(arguments);
    if (workingFolder != nullptr) link->SetWorkingDirectory(workingFolder);
    if (hotKey != 0) link->SetHotkey(hotKey);
    if (description != nullptr) link->SetDescription(description);
    link->SetShowCmd(show);
    wchar_t linkPath[MAX_PATH * 2] = {};
    std::swprintf(linkPath, MAX_PATH * 2, L"%ls\\%ls.lnk", folder != nullptr ? folder : L"",
                  name != nullptr ? name : L"");
    HRESULT saved = file->Save(linkPath, TRUE);
    file->Release();
    link->Release();
    return SUCCEEDED(saved);
}

HRESULT CreateShortcut(const wchar_t* target, const wchar_t* folder, const wchar_t* name, int location,
                       const wchar_t* subFolder, const wchar_t* description, const wchar_t* iconPath,
                       const wchar_t* arguments) {
    if (target == nullptr || name == nullptr) return E_POINTER;
    wchar_t path[MAX_PATH] = {};
    if (location == ShortcutGivenFolder) {
        if (folder == nullptr || std::wcslen(folder) >= MAX_PATH) return E_FAIL;
        std::wcscpy(path, folder);
    } else if (!LocationFolder(location, path)) {
        return E_FAIL;
    }
    if (!PathFileExistsW(path)) return E_FAIL;
    if (subFolder != nullptr) {
        if (!PathAppendW(path, subFolder)) return E_FAIL;
        CreateDirectoryPath(path);
    }
    return CreateLink(target, path, name, folder, 0, description, iconPath, arguments, SW_SHOWNORMAL) ? S_OK : E_FAIL;
}

bool DeleteShortcut(int location, const wchar_t* fileName) {
    wchar_t path[MAX_PATH] = {};
    if (!LocationFolder(location, path) || !PathFileExistsW(path)) return false;
    std::wstring file = std::wstring(path) + L"\\" + (fileName != nullptr ? fileName : L"");
    DeleteFileW(file.c_str());
    return true;
}

bool DeleteShortcutFolder(int location, const wchar_t* folderName) {
    if (folderName == nullptr || folderName[0] == L'\0') return false;  // would delete the whole location
    wchar_t path[MAX_PATH] = {};
    if (!LocationFolder(location, path) || !PathFileExistsW(path)) return false;
    std::wstring folder = std::wstring(path) + L"\\" + folderName;
    DeleteDirectoryTree(folder.c_str());
    return true;
}

bool DeleteStartMenuFolder(const wchar_t* folderName) {
    DeleteShortcutFolder(ShortcutPrograms, folderName);
    DeleteShortcutFolder(ShortcutCommonPrograms, folderName);
    return true;
}

void RefreshShellIcons() {
    const char* path = "Control Panel\\Desktop\\WindowMetrics";
    const char* name = "Shell Icon Size";
    int size = 32;
    {
        CMyRegKey key;
        std::string text;
        if (key.Open(HKEY_CURRENT_USER, path, false) == ERROR_SUCCESS && key.QueryString(name, text) == ERROR_SUCCESS) {
            int read = std::atoi(text.c_str());
            if (read > 0) size = read;
        }
    }
    auto write = [&](int value) {
        CMyRegKey key;
        if (key.Open(HKEY_CURRENT_USER, path, true) != ERROR_SUCCESS) return;
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        key.SetString(name, text);
    };
    write(size + 1);
    BroadcastIconChange();
    Sleep(200);
    write(size);
    BroadcastIconChange();
}
