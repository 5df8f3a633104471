#include "setup/WebsiteSmallDownloader.h"

#include "setup/ProductConfig.h"
#include "util/Folders.h"
#include "util/Log.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"
#include "util/UninstallEntry.h"

std::string WebsiteSmallDownloader::GetProductDisplayName(std::string name) {
    return m_setupInfo.m_is64Bit ? name + " (x64)" : name;
}

std::string WebsiteSmallDownloader::FindOldInstallPath() { return SetupDlg::FindOldInstallPath(); }

bool WebsiteSmallDownloader::IsRemovableInstallFolder(const std::wstring& folder) {
    if (folder.empty() || IsProtectedFolder(folder)) return false;
    // Only a folder that is recognisably the product's own install.
    for (const std::wstring& file : {std::wstring(L"uninstall.exe"), GetMainExeNameW(), GetMainExeName64W()}) {
        if (PathFileExistsW(JoinPath(folder, file).c_str())) return true;
    }
    return false;
}

bool WebsiteSmallDownloader::BeforeInstall(const std::wstring& installPath, bool& restartNeeded) {
    if (m_setupInfo.m_is64Bit) {
        std::string key = GetUninstallKeyName();
        if (key.empty()) key = GetInfoProductName();
        std::string oldPath;
        if (!GetInstallLocation(key, oldPath)) oldPath.clear();
        if (!oldPath.empty()) {
            std::wstring oldFolder = ToWideString(oldPath);
            KillExtraProcesses(oldFolder);
            KillProductProcesses(oldFolder);
            // The folder comes from another entry's "InstallLocation": it is
            // removed only when it is plainly that install.
            if (IsRemovableInstallFolder(oldFolder)) {
                for (int i = 0; i < 3; ++i) DeleteDirectoryTree(oldFolder.c_str());
            } else {
                WriteLog("BeforeInstall: kept folder (%s), not an install of the product.\n", oldPath.c_str());
            }
            DeleteIcons(ToWideString(key));
            DeleteUninstallKey(key);
        }
    }
    return SetupDlg::BeforeInstall(installPath, restartNeeded);
}
