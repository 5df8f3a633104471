// The uninstall worker: the product's main program in uninstall mode, then
// the install folder, the shortcuts, the uninstall entry and, when asked,
// the user's data. None of the steps stops the worker. It runs on a thread
// of its own and changes no control that the layout lacks.
#include "setup/UninstallWork.h"

#include <cwctype>
#include <vector>

#include "platform/Win32.h"
#include "setup/ElevatedRun.h"
#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "setup/SetupOptions.h"
#include "util/Folders.h"
#include "util/Log.h"
#include "util/ProcessControl.h"
#include "util/ShellPaths.h"
#include "util/Shortcuts.h"
#include "util/StringConvert.h"
#include "util/UninstallEntry.h"

namespace {

constexpr DWORD kMainExeLimitMs = 180 * 1000;

std::wstring Normalised(std::wstring path) {
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(c));
    return path;
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool StoreInstallRecorded() {
    wchar_t roaming[MAX_PATH] = {};
    if (!GetAppDataFolder(roaming)) return false;
    const std::wstring ini = JoinPath(JoinPath(roaming, GetCompanyDataFolderW()), L"AppInfoConfig.ini");
    if (!PathFileExistsW(ini.c_str())) return false;
    wchar_t value[64] = {};
    GetPrivateProfileStringW(L"General", L"app_from", L"", value, 64, ini.c_str());
    return std::wstring(value) == L"winstore";
}

}  // namespace

bool IsUninstallableFolder(const std::wstring& folder) {
    if (folder.empty() || IsProtectedFolder(folder)) return false;
    if (Normalised(folder) == Normalised(GetDownloadsSubPath(L"", nullptr, false))) return false;
    return PathFileExistsW(JoinPath(folder, L"uninstall.exe").c_str()) != FALSE;
}

void ClearReadOnlyTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(JoinPath(folder, L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        // "." and ".." by name, wherever the listing puts them.
        if (name == L"." || name == L"..") continue;
        const std::wstring path = JoinPath(folder, name);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            ClearReadOnlyTree(path);
        } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
            SetFileAttributesW(path.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

void DeleteUserDataFolders() {
    const std::wstring name =
        !GetCompanyName().empty() ? GetCompanyNameW() : AnsiToWideString(GetCompanyDataFolder());
    wchar_t roaming[MAX_PATH] = {};
    if (GetAppDataFolder(roaming) && PathIsDirectoryW(roaming)) {
        if (name.empty()) {
            WriteLog("get appdata path fail!\n");
        } else {
            const std::wstring folder = JoinPath(roaming, name);
            ClearReadOnlyTree(folder);
            for (int i = 0; i < 2; ++i) DeleteDirectoryTree(folder.c_str());
        }
    }
    wchar_t documents[MAX_PATH] = {};
    if (GetDocumentsFolder(documents) && PathIsDirectoryW(documents) && !name.empty()) {
        const std::wstring folder = JoinPath(documents, name);
        for (int i = 0; i < 2; ++i) DeleteDirectoryTree(folder.c_str());
    }
}

DWORD UninstallThread(LPVOID dialog) {
    if (dialog == nullptr) return static_cast<DWORD>(-1);
    static_cast<SetupDlg*>(dialog)->UninstallWork();
    return 0;
}

int SetupDlg::SetUninstallProgress(int mode, int value, void*) {
    switch (mode) {
        case 0: m_uninstallProgress = 0; break;
        case 1:
            m_uninstallProgress = 100;
            m_uninstallDone = true;
            break;
        case 2: MessageBoxW(GetHwnd(), L"UnInstall Failed!", L"ERROR", MB_OK); break;
        case 3:
            if (value >= 0 && value <= 100) m_uninstallProgress = value;
            break;
        default: break;
    }
    return 1;
}

bool SetupDlg::RunUninstaller(bool full, const std::wstring& folder, const std::wstring& executable,
                              bool& restartNeeded) {
    const std::wstring program =
        JoinPath(folder, m_setupInfo.is64Bit ? AnsiToWideString(GetMainExeName64()) : executable);
    WriteLog("Uninstall Path (%s)\n", ToOemString(program).c_str());
    if (!PathFileExistsW(program.c_str())) return false;
    const wchar_t* parameters = full ? L"/full_uninstall" : L"/uninstall";
    WriteLog("Uninstall Param (%s)\n", ToOemString(parameters).c_str());
    const DWORD exitCode = RunElevatedAndWait(program, parameters, kMainExeLimitMs);
    restartNeeded = IsRestartExitCode(static_cast<int>(exitCode));
    return true;
}

void SetupDlg::DeleteFiles(const std::wstring& folder) {
    for (const std::wstring& name : GetProcessNames(true)) {
        const std::wstring path = JoinPath(folder, name);
        // A file that a running program holds: the program is ended instead.
        if (PathFileExistsW(path.c_str()) && !DeleteFileW(path.c_str())) KillProcess(name.c_str(), folder.c_str());
    }
}

void SetupDlg::DeleteIcons(const std::wstring& name) {
    const std::wstring link = name + L".lnk";
    for (int i = 0; i < 3; ++i) {
        DeleteStartMenuFolder(name.c_str());
        DeleteShortcut(ShortcutDesktop, link.c_str());
        DeleteShortcut(ShortcutQuickLaunch, link.c_str());
        DeleteShortcut(ShortcutTaskbarPins, link.c_str());
    }
    WriteLog("End delete Icon.");
}

void SetupDlg::UninstallWork() {
    WriteLog("Begin Uninstall Work. x64mode = %s", m_setupInfo.is64Bit ? "true" : "false");
    SetUninstallProgress(0, 0, nullptr);
    SetUninstallProgress(3, 0, nullptr);
    m_storeInstall = StoreInstallRecorded();
    const std::wstring executable = AnsiToWideString(m_setupInfo.is64Bit ? GetMainExeName64() : GetMainExeName());
    const std::wstring folder = FolderOf(GetPackagePath());
    // Only the product's own install folder is ever deleted: the uninstaller
    // started from anywhere else (Downloads, a drive root, a shell folder)
    // removes no files.
    const bool removable = IsUninstallableFolder(folder);
    if (!removable) WriteLog("UninstallWork: (%s) is no install of the product; no files deleted.\n",
                             ToOemString(folder).c_str());
    PrepareInstallPath(folder, executable);
    if (removable) {
        KillExtraProcesses(folder);
        KillProductProcesses(folder);
    }
    bool restart = false;
    RunUninstaller(!m_keepData, folder, executable, restart);
    m_restartNeeded = restart;
    if (removable) {
        DeleteFiles(folder);
        KillExtraProcesses(folder);
        KillProductProcesses(folder);
        WriteLog("Begin delete file.(%s)", ToOemString(folder).c_str());
        DeleteDirectoryTree(folder.c_str());
        WriteLog("End delete file.");
    }
    DeleteIcons(AnsiToWideString(GetProductKeyName(m_setupInfo.productName)));
    RefreshShellIcons();
    WriteLog("RefreshIcons.");
    WriteLog("End Remove AppConfig.");
    std::string key = GetUninstallKeyName();
    if (key.empty()) key = GetProductDisplayName(GetInfoProductName());
    else if (m_setupInfo.is64Bit) key += " (x64)";
    if (!key.empty()) DeleteUninstallKey(key);
    WriteLog("End DeleteUninstallItem. szProgram(%s)", key.c_str());
    for (int i = 0; i < 3; ++i) SetUninstallProgress(1, 0, nullptr);
    WriteLog("Uninstall work SUCCEE.");
    if (m_storeInstall) DeleteUserDataFolders();
    wchar_t roaming[MAX_PATH] = {};
    if (!m_keepData && GetAppDataFolder(roaming) && PathIsDirectoryW(roaming)) {
        const std::wstring data = JoinPath(roaming, GetCompanyDataFolderW());
        ClearReadOnlyTree(data);
        for (int i = 0; i < 5; ++i) DeleteDirectoryTree(data.c_str());
    }
    // The dialog closes on its own thread: the worker only asks.
    if (SetupOptions::IsSilent() && GetHwnd() != nullptr) PostMessageW(GetHwnd(), WM_CLOSE, 0, 0);
}
