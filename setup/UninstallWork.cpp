// The uninstall worker: the product's main program in uninstall mode, then
// the install folder, the shortcuts, the uninstall entry and, when asked,
// the user's data. None of the steps stops the worker. It runs on a thread
// of its own and changes no control that the layout lacks; the uninstall
// layout's controls it changes under the UI lock.
#include "setup/UninstallWork.h"

#include <cwctype>
#include <vector>

#include "platform/Win32.h"
#include "setup/ElevatedRun.h"
#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "setup/SetupOptions.h"
#include "ui/lang/Language.h"
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

bool HasDotStep(const std::wstring& path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring step = path.substr(start, end - start);
        if (step == L"." || step == L"..") return true;
        start = end + 1;
    }
    return false;
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
    // An absolute drive path without "." or ".." steps, so that the checks
    // below see the folder that would really be removed.
    if (folder.size() < 3 || folder[1] != L':' || (folder[2] != L'\\' && folder[2] != L'/')) return false;
    if (HasDotStep(folder) || IsProtectedFolder(folder)) return false;
    // Neither the Downloads folder nor anything below it, where downloads
    // and stray copies of the uninstaller live.
    std::vector<std::wstring> downloads{GetDownloadsSubPath(L"", nullptr, false)};
    wchar_t profile[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile)) && profile[0] != 0)
        downloads.push_back(JoinPath(profile, L"Downloads"));
    const std::wstring lowered = Normalised(folder);
    for (const std::wstring& path : downloads) {
        const std::wstring base = Normalised(path);
        if (!base.empty() && lowered.compare(0, base.size(), base) == 0 &&
            (lowered.size() == base.size() || lowered[base.size()] == L'\\'))
            return false;
    }
    const DWORD attributes = GetFileAttributesW(JoinPath(folder, L"uninstall.exe").c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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
    const std::wstring name = !GetCompanyName().empty() ? GetCompanyNameW() : AnsiToWideString(GetCompanyDataFolder());
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
    // The page's controls change under the UI lock; the layout may lack any of them.
    HWND hwnd = GetHwnd();
    switch (mode) {
        case 0: {
            m_uninstallProgress = 0;
            std::lock_guard<std::recursive_mutex> guard(m_uiLock);
            if (m_uninstallBar != nullptr) m_uninstallBar->SetPos(0);
            if (m_questionLabel != nullptr) m_questionLabel->SetText(GetLangText(26));
            break;
        }
        case 1:
            m_uninstallProgress = 100;
            if (!GetProductConfig()->UseLargeLayout()) {
                {
                    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
                    if (m_uninstallBar != nullptr) m_uninstallBar->SetPos(100);
                }
                Sleep(200);
                std::lock_guard<std::recursive_mutex> guard(m_uiLock);
                if (m_uninstallBar != nullptr) m_uninstallBar->SetVisible(false);
                if (m_keepDataLabel != nullptr) m_keepDataLabel->SetVisible(false);
                if (m_cancelButton != nullptr) {
                    m_cancelButton->SetId(IDC_SETUP_CLOSE_THIRD);
                    m_cancelButton->SetText(GetLangText(28));
                    m_cancelButton->SetVisible(true);
                }
                if (m_questionLabel != nullptr) m_questionLabel->SetText(GetLangText(27));
            }
            m_uninstallDone = true;
            break;
        case 2: MessageBoxW(hwnd, L"UnInstall Failed!", L"ERROR", MB_OK); break;
        case 3:
            if (value >= 0 && value <= 100) {
                m_uninstallProgress = value;
                std::lock_guard<std::recursive_mutex> guard(m_uiLock);
                if (m_uninstallBar != nullptr) m_uninstallBar->SetPos(value);
            }
            break;
        default: break;
    }
    if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
    return 1;
}

bool SetupDlg::RunUninstaller(bool full, const std::wstring& folder, const std::wstring& executable,
                              bool& restartNeeded) {
    const std::wstring program =
        JoinPath(folder, m_setupInfo.m_is64Bit ? AnsiToWideString(GetMainExeName64()) : executable);
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
    WriteLog("Begin Uninstall Work. x64mode = %s", m_setupInfo.m_is64Bit ? "true" : "false");
    SetUninstallProgress(0, 0, nullptr);
    SetUninstallProgress(3, 0, nullptr);
    m_storeInstall = StoreInstallRecorded();
    const std::wstring executable = AnsiToWideString(m_setupInfo.m_is64Bit ? GetMainExeName64() : GetMainExeName());
    const std::wstring folder = FolderOf(GetPackagePath());
    // Only the product's own install folder is ever deleted: the uninstaller
    // started from anywhere else (Downloads, a drive root, a shell folder)
    // removes no files.
    const bool removable = IsUninstallableFolder(folder);
    if (!removable)
        WriteLog("UninstallWork: (%s) is no install of the product; no files deleted.\n", ToOemString(folder).c_str());
    PrepareInstallPath(folder, executable);
    if (removable) {
        KillExtraProcesses(folder);
        KillProductProcesses(folder);
    }
    // Nor is a program started from such a folder told to uninstall.
    bool restart = false;
    if (removable) RunUninstaller(!m_keepData, folder, executable, restart);
    m_restartNeeded = restart;
    if (removable) {
        DeleteFiles(folder);
        KillExtraProcesses(folder);
        KillProductProcesses(folder);
        WriteLog("Begin delete file.(%s)", ToOemString(folder).c_str());
        DeleteDirectoryTree(folder.c_str());
        WriteLog("End delete file.");
    }
    DeleteIcons(AnsiToWideString(GetProductKeyName(m_setupInfo.m_productName)));
    RefreshShellIcons();
    WriteLog("RefreshIcons.");
    WriteLog("End Remove AppConfig.");
    std::string key = GetUninstallKeyName();
    if (key.empty()) key = GetProductDisplayName(GetInfoProductName());
    else if (m_setupInfo.m_is64Bit) key += " (x64)";
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
