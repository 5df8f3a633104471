// The local-package road of the install worker: a package file named by the
// options record is unpacked into the install folder (UnpackPackage), then
// the shortcuts, the product's first run with "/install" and the uninstall
// entry follow. Everything here runs on the install worker's thread.
#include <cctype>
#include <cstdio>
#include <cstdint>

#include "platform/Win32.h"
#include "setup/ElevatedRun.h"
#include "setup/IconSettings.h"
#include "setup/ProductConfig.h"
#include "setup/RunFlags.h"
#include "setup/SetupDlg.h"
#include "setup/SetupInfoErrors.h"
#include "setup/SetupInfoUnpack.h"
#include "setup/SetupOptions.h"
#include "ui/SkinMessageBox.h"
#include "ui/lang/Language.h"
#include "util/Folders.h"
#include "util/Log.h"
#include "util/Restart.h"
#include "util/ShellPaths.h"
#include "util/Shortcuts.h"
#include "util/StringConvert.h"
#include "util/SystemIdentity.h"
#include "util/UninstallEntry.h"

namespace {

// How long the product's "/install" run may take before it is ended.
constexpr DWORD kMainExeLimitMs = 180 * 1000;

// Two decimal digits at `at`, or -1.
int TwoDigits(const std::string& text, std::size_t at) {
    if (at + 2 > text.size() || !std::isdigit(static_cast<unsigned char>(text[at])) ||
        !std::isdigit(static_cast<unsigned char>(text[at + 1])))
        return -1;
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

bool FourDigits(const std::string& text, std::size_t at) {
    for (std::size_t i = at; i < at + 4; ++i)
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

bool IsSeparator(char c) { return !std::isalnum(static_cast<unsigned char>(c)); }

}  // namespace

std::string SetupDlg::InstallDateOf(const std::string& date) {
    // Year first ("2026-11-27") or, as the version text carries it, day
    // first ("27/11/2026"); anything else leaves the value empty.
    if (date.size() != 10) return "";
    std::string year, month, day;
    if (FourDigits(date, 0) && IsSeparator(date[4]) && IsSeparator(date[7])) {
        year = date.substr(0, 4), month = date.substr(5, 2), day = date.substr(8, 2);
    } else if (FourDigits(date, 6) && IsSeparator(date[2]) && IsSeparator(date[5])) {
        year = date.substr(6, 4), month = date.substr(3, 2), day = date.substr(0, 2);
    } else {
        return "";
    }
    const int m = TwoDigits(month, 0), d = TwoDigits(day, 0);
    if (m < 1 || m > 12 || d < 1 || d > 31) return "";
    return year + month + day;
}

bool SetupDlg::DesktopShortcutWanted(bool silent, int configFlags, bool boxTicked, bool desktopOption) {
    return desktopOption && ((silent && (configFlags & 1) != 0) || boxTicked);
}

std::wstring SetupDlg::MainExeInstallArguments(const MainExeInstallTexts& t) {
    std::wstring arguments;
    if (!t.silent) {
        arguments = L"/install";
        if (t.joinTicked) arguments += L" /add_plan";
        if (!t.installId.empty()) arguments += L" /ID:" + AnsiToWideString(t.installId);
    } else {
        arguments = t.addPlan ? L"/install  /add_plan" : L"/install";
    }
    if (t.isNew) arguments += L" /new ";
    arguments += L" --app-from " + (t.appFrom.empty() ? std::wstring(L"official") : AnsiToWideString(t.appFrom));
    if (!t.option.empty()) {
        const std::wstring o = AnsiToWideString(t.option);
        arguments += L" /option:" + o + L" /uimodule=" + o + L" --module=" + o + L" --ui-module=" + o;
    }
    if (!t.source.empty()) {
        const std::wstring s = AnsiToWideString(t.source);
        arguments += L" /source:" + s + L" /source=" + s + L" --source=" + s;
    }
    if (t.downloadSeconds > 0) {
        wchar_t time[32] = {};
        std::swprintf(time, 32, L" /time:%d ", t.downloadSeconds);
        arguments += time;
    }
    return arguments;
}

bool SetupDlg::BeforeInstall(const std::wstring& installPath, bool& restartNeeded) {
    restartNeeded = false;
    // Files that running programs may hold are moved aside, so that the
    // unpack step can write new ones; what an earlier run moved goes first.
    const std::wstring tempRoot = JoinPath(installPath, L"InstallerTemp");
    const std::wstring moveFolder = JoinPath(tempRoot, AnsiToWideString(MakeGuidString()));
    if (!installPath.empty() && !tempRoot.empty()) DeleteDirectoryTree(tempRoot.c_str());
    CreateDirectoryPath(moveFolder.c_str());
    WriteLog("Begin move file of delay remove.\n");
    const std::vector<std::wstring> names = GetProcessNames(true);
    WriteLog("move file %d\n", static_cast<int>(names.size()));
    for (const std::wstring& name : names) {
        const std::wstring source = JoinPath(installPath, name);
        const std::wstring target = JoinPath(moveFolder, name);
        if (!PathFileExistsW(source.c_str())) continue;
        if (!MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED)) {
            WriteLog("MoveFileEx error : %p. old=%s, new=%s\n",
                     reinterpret_cast<void*>(static_cast<std::uintptr_t>(GetLastError())), ToOemString(source).c_str(),
                     ToOemString(target).c_str());
        }
    }
    WriteLog("end move file of delay remove.\n");
    return true;
}

HRESULT SetupDlg::InstallFile(const std::wstring& packagePath, const std::wstring& installPath) {
    std::wstring folder = installPath.substr(0, MAX_PATH - 1);
    EventCallback progress = [this](int event, int value, void*) {
        return SetInstallProgress(event, static_cast<unsigned>(value));
    };
    HRESULT result = UnpackPackage(packagePath.c_str(), progress, folder.c_str(), true, true);
    WriteLog("Install File Result %0X", static_cast<unsigned>(result));
    return result;
}

void SetupDlg::CreateIcons(const IconSettings& s) {
    const std::wstring target = JoinPath(s.installFolder, s.executableName);
    const std::wstring uninstaller = JoinPath(s.installFolder, L"uninstall.exe");
    const wchar_t* folder = s.installFolder.c_str();
    const wchar_t* name = s.shortcutName.c_str();
    const std::wstring application = s.shortcutName + GetLangText(40);
    const std::wstring uninstall = s.shortcutName + GetLangText(39);
    const std::wstring homepage = s.shortcutName + GetLangText(42);
    // Single shortcuts that fail are left out.
    auto menu = [&](int location, const char* logLine) {
        CreateShortcut(uninstaller.c_str(), folder, GetLangText(51), location, name, uninstall.c_str(), nullptr,
                       nullptr);
        CreateShortcut(s.webLinkTarget.c_str(), nullptr, GetLangText(50), location, name, homepage.c_str(), nullptr,
                       nullptr);
        WriteLog("%s", logLine);
    };
    if (s.desktop) {
        CreateShortcut(target.c_str(), folder, name, ShortcutDesktop, nullptr, application.c_str(), nullptr, nullptr);
        WriteLog("Create DESKTOP Icons Finish.");
    }
    if (s.startMenu) menu(ShortcutPrograms, "Create START_MENU Icons Finish.");
    if (s.commonMenu) menu(ShortcutCommonPrograms, "Create COMMON_MENU Icons Finish.");
    CreateShortcut(target.c_str(), folder, name, ShortcutPrograms, name, application.c_str(), nullptr, nullptr);
    CreateShortcut(target.c_str(), folder, name, ShortcutCommonPrograms, name, application.c_str(), nullptr, nullptr);
}

bool SetupDlg::RunMainExeInstall(const std::wstring& folder, const std::wstring& executable, bool isNew,
                                 bool& restartNeeded) {
    const std::wstring path = JoinPath(folder, executable);
    WriteLog("Run MainExe.exe /install");
    if (!PathFileExistsW(path.c_str())) {
        WriteLog("Run exe failed. main exe con't found\n.");
        return false;
    }
    MainExeInstallTexts texts;
    texts.silent = SetupOptions::IsSilent() != 0;
    texts.addPlan = SetupOptions::IsAddPlan() != 0;
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        texts.joinTicked = m_joinBox != nullptr && m_joinBox->GetCheck();
    }
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        texts.installId = m_installId;
        texts.appFrom = m_appFrom;
        texts.option = m_option;
        texts.source = m_source;
    }
    texts.isNew = isNew;
    texts.downloadSeconds = static_cast<int>(RunFlags().downloadSeconds.load());
    const std::wstring arguments = MainExeInstallArguments(texts);
    WriteLog("Run Install Params: %s.\n", ToOemString(arguments).c_str());

    const DWORD exitCode = RunElevatedAndWait(path, arguments, kMainExeLimitMs);
    restartNeeded = IsRestartExitCode(static_cast<int>(exitCode));
    return true;
}

void SetupDlg::WriteUninstallEntry() {
    std::string key = GetUninstallKeyName();
    if (key.empty()) key = GetProductDisplayName(GetInfoProductName());
    else if (m_setupInfo.m_is64Bit) key += " (x64)";
    if (key.empty()) {
        // No name to file the entry under: its values would land on the
        // Uninstall key itself, among every other product's entries.
        WriteLog("WriteUninstallEntry: no product name, no entry written.\n");
        return;
    }
    const std::string folder = ToOemString(GetUnpackedInstallPath());
    const std::string program = JoinPathA(folder, m_setupInfo.m_is64Bit ? GetMainExeName64() : GetMainExeName());
    const std::string uninstaller = JoinPathA(folder, "uninstall.exe");
    const std::string version = m_setupInfo.m_version;
    const std::string date = m_setupInfo.m_date;
    const std::string helpLink = m_setupInfo.m_helpLink;
    const std::string displayName = SetupOptions::IsStoreInstall()
                                        ? GetStoreInstallFolderName()
                                        : GetProductKeyName(m_setupInfo.m_productName) + " (" + date + ")";
    // Registry failures are not the install's: each value is tried on its own.
    SetUninstallString(key, "DisplayIcon", program);
    SetUninstallString(key, "Version", version);
    SetUninstallString(key, "DisplayVersion", version);
    SetUninstallString(key, "DisplayName", displayName);
    SetUninstallDword(key, "EstimatedSize", 227016);
    SetUninstallString(key, "HelpLink", helpLink);
    SetUninstallString(key, "InstallDate", InstallDateOf(date));
    SetUninstallString(key, "InstallLocation", folder);
    SetUninstallDword(key, "NoModify", 1);
    SetUninstallDword(key, "NoRepair", 1);
    SetUninstallString(key, "Publisher", GetHelpDomain());
    SetUninstallString(key, "QuietUninstallString", "\"" + uninstaller + "\" /SILENT");
    SetUninstallDword(key, "sEstimatedSize2", 229986);
    SetUninstallString(key, "UninstallString", "\"" + uninstaller + "\"");
    SetUninstallString(key, "URLInfoAbout", helpLink);
    SetUninstallString(key, "URLUpdateInfo", helpLink);
    if (!SetupOptions::IsSilent()) {
        const int flags = m_optionsFlags;
        SetUninstallDword(key, "cfg_flag", static_cast<unsigned>(flags));
        WriteLog("Write Setup Cfg Flag : %d, root(%s), key(%s).\n", flags, key.c_str(), "cfg_flag");
    }
}

void SetupDlg::AfterInstall(int isNew, bool hasOld) {
    IconSettings settings;
    settings.installFolder = GetUnpackedInstallPath();
    settings.executableName = AnsiToWideString(m_setupInfo.m_is64Bit ? GetMainExeName64() : GetMainExeName());
    settings.shortcutName = AnsiToWideString(GetProductKeyName(GetProductName()));
    settings.webLinkTarget = AnsiToWideString(GetHomepageUrl() + m_setupInfo.m_version);
    CoInitialize(nullptr);
    WriteLog("Create Icons for %s", m_setupInfo.m_is64Bit ? "x64" : "x86");

    const bool silent = SetupOptions::IsSilent() != 0;
    bool boxTicked = false;
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        boxTicked = m_desktopBox != nullptr && m_desktopBox->GetCheck();
    }
    settings.desktop = DesktopShortcutWanted(silent, m_optionsFlags, boxTicked, SetupOptions::IsDesktop() != 0);
    settings.startMenu = settings.commonMenu = SetupOptions::IsStoreInstall() != 0;

    const std::wstring link = settings.shortcutName + L".lnk";
    for (int i = 0; i < 3; ++i) {
        DeleteStartMenuFolder(settings.shortcutName.c_str());
        DeleteShortcut(ShortcutQuickLaunch, link.c_str());
        DeleteShortcut(ShortcutTaskbarPins, link.c_str());
    }
    CreateIcons(settings);
    for (int i = 0; i < 3; ++i) RefreshShellIcons();
    WriteLog("Refresh Icons Finish.");

    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_installId = MakeRandomId();
    }
    m_finishPage = SetupOptions::IsStoreInstall() ? false : ShowFinishWebPage(isNew, hasOld) != 0;
    WriteLog("New : %d\n", isNew);
    ReportLocalInstallEnd(true);
    bool restart = false;
    RunMainExeInstall(settings.installFolder, settings.executableName, isNew != 0, restart);
    m_restartNeeded = restart;
    WriteUninstallEntry();
}

void SetupDlg::ReportLocalInstallEnd(bool success) {
    if (std::shared_ptr<InstallStatsReport> report = InstallReport())
        report->OnInstallEnd(success, GetUnpackLastError(), GetUnpackErrorName(), m_finishPage);
}

void SetupDlg::DoLocalInstall() {
    const std::wstring packagePath = GetPackagePath();
    const std::wstring installPath = GetInstallPath();
    if (std::shared_ptr<InstallStatsReport> report = InstallReport()) {
        report->MarkLocalPackage();
        report->OnInstallBegin();
    }
    WriteLog("Do Install File : %s", ToOemString(packagePath).c_str());
    KillProductProcesses(installPath);
    PrepareInstallPath(installPath, AnsiToWideString(m_setupInfo.m_is64Bit ? GetMainExeName64() : GetMainExeName()));
    WriteLog("Install Path : %s", ToOemString(installPath).c_str());
    const bool hasOld = HasOldVersion();
    const bool isNew = IsNewInstall(installPath);
    KillProductProcesses(installPath);
    WriteLog("Begin depack file.\n");

    bool restart = false;
    if (!BeforeInstall(installPath, restart)) WriteLog("process Before Install Error.\n");
    m_restartNeeded = restart;
    if (restart) {
        const int answer = SkinMessageBox::Show(GetHwnd(), GetProductNameW(), GetLangText(43), GetLangText(11));
        SetInstallProgress(1, 1000);
        ShowPage(PAGE_FINISHED);
        std::string name = GetProductName();
        for (char& c : name)
            if (c == ' ') c = '_';
        const std::string command = ToOemString(packagePath);
        const bool added = SetRunOnceValue(name + "_Once", command);
        WriteLog("Add Run Once : Rel = %d, path(%s)", added ? 1 : 0, command.c_str());
        ReportLocalInstallEnd(true);
        if (answer == 1628 || answer == 1629) RestartComputer();
        CloseWithReason("restart");
        return;
    }

    const HRESULT result = InstallFile(packagePath, installPath);
    m_packageRun = result >= 0;
    if (result < 0) {
        WriteLog("Install File FAILED error code = %0X, last error = %d.\n", static_cast<unsigned>(result),
                 GetUnpackLastError());
        ShowPage(PAGE_FINISHED);
        ReportLocalInstallEnd(false);
        return;
    }
    m_installProgress = 1000;
    AfterInstall(isNew ? 1 : 0, hasOld);
    WriteLog("UpdateCtrlStatus(AfterInstall)");
    ShowPage(PAGE_FINISHED);
    CoUninitialize();
    m_animationMode = ANIMATION_FINISH;
    ShowPage(PAGE_FINISHED);
    WriteLog("Finish(AfterInstall)");
    ReportLocalInstallEnd(true);

    if (SetupOptions::IsSilent()) {
        RunFlags().runAfter = false;
        if (SetupOptions::IsRunApp()) RunProduct(L" --installmode --runapp");
        CloseWithReason("silent");
        return;
    }
    bool runAfter = false;
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        runAfter = m_runAfterBox != nullptr && m_runAfterBox->GetCheck();
    }
    RunFlags().runAfter = runAfter;
    if (runAfter) {
        RunProduct(L" --installmode --runapp");
        CloseWithReason("auto_run_app");
    }
}
