// Who the product is on this system and whether an earlier install exists:
// registered names, the earlier install's folder, new-install detection, the
// supported-OS classes, the default folder and the processes to end.
#include "platform/registry/Registry.h"
#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "setup/SetupOptions.h"
#include "util/Folders.h"
#include "util/Log.h"
#include "util/OsVersion.h"
#include "util/ProcessControl.h"
#include "util/RegKey.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"
#include "util/UninstallEntry.h"

std::string SetupDlg::GetProductDisplayName(std::string name) {
    if (GetBitnessKind() == 2 && m_setupInfo.m_is64Bit) return name + " (x64)";
    return name;
}

std::string SetupDlg::GetProductKeyName(std::string name) { return SetupDlg::GetProductDisplayName(name); }

std::string SetupDlg::GetInfoProductName() { return m_setupInfo.m_productName; }

std::string SetupDlg::FindOldInstallPath() {
    std::string keyName = GetUninstallKeyName();
    if (keyName.empty()) keyName = GetProductDisplayName(GetInfoProductName());
    else if (m_setupInfo.m_is64Bit) keyName += " (x64)";
    std::string path;
    if (!GetInstallLocation(keyName, path) || path.empty()) {
        WriteLog("Don't find install path for old version.\n");
        return "";
    }
    WriteLog("Find install path: (%s)\n", path.c_str());
    return path;
}

bool SetupDlg::IsNewInstall(const std::wstring& installPath) {
    bool exists = PathFileExistsW(JoinPath(installPath, L"uninstall.exe").c_str()) != FALSE;
    WriteLog("Begin IsNewInstall : bHasOldVersion (%d)\n", exists ? 1 : 0);
    bool old = exists;
    if (!old) {
        std::string oldPath = FindOldInstallPath();
        old = !oldPath.empty() && PathFileExistsA(oldPath.c_str());
    }
    if (old) {
        WriteLog("IsNewInstall : bHasOldVersion(%d).\n", exists ? 1 : 0);
        return false;
    }
    wchar_t appData[MAX_PATH] = {};
    if (GetAppDataFolder(appData) && PathFileExistsW(JoinPath(appData, GetCompanyDataFolderW()).c_str())) {
        WriteLog("IsNewInstall : appdata folder\n");
        return false;
    }
    return true;
}

bool SetupDlg::HasOldVersion() {
    std::string key = GetOldVersionKeyName();
    if (key.empty()) return false;
    for (const std::string& name : {key, key + "(x64)", key + " (x64)"}) {
        std::string path;
        if (GetInstallLocation(name, path) && !path.empty()) return true;
    }
    return false;
}

bool SetupDlg::IsNewInstallByRegistry() {
    std::string keyPath = "Software\\" + GetCompanyName() + "\\" + GetProductKeyName(GetProductName());
    bool result = false;
    {
        CMyRegKey key;
        std::string value;
        if (key.Open(HKEY_LOCAL_MACHINE, keyPath.c_str(), false) == ERROR_SUCCESS &&
            key.QueryString("InstallPath", value) == ERROR_SUCCESS && !value.empty()) {
            result = true;
            WriteLog("IsNewInstall : InstallPath false\n");
        }
    }
    {
        CMyRegKey key;
        std::string value;
        if (key.OpenWithAccess(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_READ | KEY_WOW64_64KEY) == ERROR_SUCCESS &&
            key.QueryString("InstallPath", value) == ERROR_SUCCESS && !value.empty()) {
            result = true;
            WriteLog("IsNewInstall : WOW6432Node InstallPath false\n");
        }
    }
    return result;
}

int SetupDlg::OsClassOf(unsigned major, unsigned minor, unsigned build) {
    if ((build & 0xFFFF) >= 22000) return 64;
    if (major >= 10) return 32;
    if (major != 6) return 1;
    switch (minor) {
        case 0: return 2;
        case 1: return 4;
        case 2: return 8;
        case 3: return 16;
        default: return 0;
    }
}

int SetupDlg::GetOsSupportMask() {
    if (!IsWindows7OrLater()) return 0;
    unsigned major = 0, minor = 0, build = 0;
    GetOsVersion(major, minor, build);
    return (OsClassOf(major, minor, build) & GetSupportedOsBits()) != 0 ? 1 : 0;
}

std::wstring SetupDlg::GetDefaultInstallDir() {
    std::wstring folder = GetInstallFolderNameW();
    if (SetupOptions::IsStoreInstall()) folder = GetStoreInstallFolderNameW();
    else if (!GetCompanyName().empty()) folder = GetCompanyNameW() + L"\\" + folder;
    wchar_t buffer[MAX_PATH] = {};
    MakeProgramFilesPath(buffer, folder.c_str(), false, m_setupInfo.m_is64Bit != 0);
    return buffer;
}

void SetupDlg::KillProductProcesses(const std::wstring& pathFragment) {
    for (const std::wstring& name : GetProcessNames(false)) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (KillProcess(name.c_str(), pathFragment.c_str())) break;
        }
    }
}

void SetupDlg::KillExtraProcesses(const std::wstring& pathFragment) {
    for (const std::wstring& name : GetProcessNames(true)) {
        if (name.find(L".exe") != std::wstring::npos) KillProcess(name.c_str(), pathFragment.c_str());
    }
}
