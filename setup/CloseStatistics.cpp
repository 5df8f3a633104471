// The close statistics, the install-folder scan before them, and the
// registered user name the web pages and the reports send.
#include "setup/CloseStatistics.h"

#include <mutex>

#include "platform/base/Clock.h"
#include "platform/files/FileSystem.h"
#include "setup/ProductConfig.h"
#include "setup/RunFlags.h"
#include "setup/SetupDlg.h"
#include "stats/InstallStatsReport.h"
#include "stats/StatsRetry.h"
#include "util/Log.h"
#include "util/RegKey.h"
#include "util/StringConvert.h"

namespace {

// The registered user name, once found.
std::mutex g_userNameLock;
std::string g_userName;

// Reads "Key" of the open key; true with the text when there is one.
bool ReadUserNameValue(CMyRegKey& key, std::string& out) {
    char buffer[780] = {};
    DWORD size = sizeof buffer;
    if (key.QueryStringValue("Key", buffer, size) != ERROR_SUCCESS) return false;
    out = buffer;
    return !out.empty();
}

}  // namespace

CloseStatsInfo MakeCloseStatsInfo(const DialogCloseState& state) {
    CloseStatsInfo info;
    info.downloadEnded = state.downloadDone;
    info.autoInstall = state.autoStarted;
    info.runApp = state.runAfter ? false : state.productStarted;
    info.changeInstallPath = state.pathChanged;
    info.addPlan = state.joinBox;
    info.createDesktop = state.desktopBox;
    info.autoRunApp = state.runAfter;
    info.pageOpenResult = state.pageOpenResult;
    info.closeReason = state.closeReason.empty() ? "other" : state.closeReason;
    info.elevationAsked = state.elevationAsked;
    info.continueChosen = state.continueChosen;
    info.processStarted = state.processStarted;
    info.callReturned = state.callReturned;
    info.elevationDeclined = state.elevationDeclined;
    return info;
}

std::string SetupDlg::GetRegisteredUserName() {
    std::lock_guard<std::mutex> guard(g_userNameLock);
    if (!g_userName.empty()) return g_userName;
    const std::string path = "Software\\" + GetProductConfig()->GetCompanyName() + "\\RegInfo\\Username";
    // Read-only: looking for a name must not create the key.
    std::string name;
    {
        CMyRegKey key;
        if (key.OpenWithAccess(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ) == ERROR_SUCCESS &&
            ReadUserNameValue(key, name))
            g_userName = name;
    }
    if (g_userName.empty()) {
        CMyRegKey key;
        if (key.OpenWithAccess(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ | KEY_WOW64_64KEY) == ERROR_SUCCESS &&
            ReadUserNameValue(key, name))
            g_userName = name;
    }
    return g_userName;
}

void SetupDlg::ScanInstallDir() {
    std::wstring installPath = GetInstallPath();
    if (installPath.empty()) return;
    m_scanDone = false;
    std::string folder = ToOemString(installPath);
    if (folder.back() != '\\') folder += "\\";
    const std::string checker = folder + "devcon.exe";
    if (!PathFileExistsA(checker.c_str())) {
        WriteLog("TokenChecker not found,wait 2 s\n");
        for (int slept = 0; slept < 2000 && !m_stop; slept += 50) Sleep(50);
    }
    if (!PathFileExistsA(checker.c_str())) {
        WriteLog("TokenChecker not found,%s\n", folder.c_str());
        _finddata64i32_t found{};
        const std::string pattern = folder + "*.exe";
        const intptr_t handle = _findfirst64i32(pattern.c_str(), &found);
        if (handle == -1) {
            WriteLog("get install file list not fail\n");
        } else {
            std::string names;
            do {
                const std::string name = found.name;
                if (name != "." && name != "..") names += name + "|";
            } while (_findnext64i32(handle, &found) == 0);
            _findclose(handle);
            if (names.empty()) WriteLog("empty\n");
            else WriteLog("%s\n", names.c_str());
        }
    }
    if (std::shared_ptr<InstallStatsReport> report = InstallReport()) report->GetTokenFromCookies(folder);
    m_scanDone = true;
}

void SetupDlg::SendCloseStatistics() {
    m_closeStatsDone = false;
    for (int waits = 0; !m_scanDone && waits < 60; ++waits) Sleep(500);
    std::shared_ptr<InstallStatsReport> report = InstallReport();
    if (report) {
        SetupRunFlags& flags = RunFlags();
        DialogCloseState state;
        state.downloadDone = flags.downloadDone;
        state.autoStarted = flags.autoStarted;
        if (flags.runAfter) flags.productStarted = false;
        state.productStarted = flags.productStarted;
        state.runAfter = flags.runAfter;
        state.pathChanged = flags.pathChanged;
        state.joinBox = flags.joinBox;
        state.desktopBox = flags.desktopBox;
        state.pageOpenResult = flags.pageOpenResult;
        state.closeReason = GetCloseReason();
        FillElevationState(state);
        const CloseStatsInfo info = MakeCloseStatsInfo(state);
        PostWithRetries([&] { return report->PostFinalReport(info); }, GetProductConfig()->GetStatsUrl(), nullptr);
    }
    m_closeStatsDone = true;
}

void SetupDlg::FillElevationState(DialogCloseState& state) {
    state.elevationAsked = m_elevation.asked;
    state.continueChosen = m_elevation.continueChosen;
    state.processStarted = m_elevation.processStarted;
    state.callReturned = m_elevation.callReturned;
    state.elevationDeclined = m_elevation.declined;
}
