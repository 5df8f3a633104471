// The run of the downloaded package: elevated ("runas"), hidden and silent,
// with the progress channel's name and the install path on its command line;
// then the finished page, and the start of the installed product.
#include <algorithm>

#include "setup/ProductConfig.h"
#include "setup/RunFlags.h"
#include "setup/SetupDlg.h"
#include "setup/SetupInfoErrors.h"
#include "setup/SetupOptions.h"
#include "ui/SkinMessageBox.h"
#include "ui/lang/Language.h"
#include "util/ExeName.h"
#include "util/Log.h"
#include "util/ProcessControl.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"
#include "util/StringUtil.h"

namespace {

// The buffers the product's executable and arguments are copied into.
constexpr size_t kProductTextLimit = 779;

// How often the worker looks up from the package's process to see whether
// the dialog is closing.
constexpr DWORD kPackageWaitSliceMs = 200;

}  // namespace

std::wstring SetupDlg::PackageArguments(const std::wstring& channelName, bool desktop, const std::wstring& installPath,
                                        const std::string& option, const std::string& source) {
    std::wstring arguments = L"/start_mode_online /very_silent /output_progress:" + channelName;
    if (desktop) arguments += L" /desktop";
    arguments += L" /install_path\"" + installPath + L"\"";
    if (!option.empty()) arguments += L" /option:" + AnsiToWideString(option);
    if (!source.empty()) {
        std::wstring wide = AnsiToWideString(source);
        arguments += L" /source:" + wide + L" /app_from:" + wide;
    }
    return arguments;
}

std::wstring SetupDlg::ProductArgumentPieces(const std::string& option, const std::string& source) {
    std::wstring pieces;
    if (!option.empty()) {
        std::wstring o = AnsiToWideString(option);
        pieces += L" --option " + o + L" /uimodule=" + o + L" --module=" + o + L" --ui-module=" + o;
    }
    if (!source.empty()) {
        std::wstring s = AnsiToWideString(source);
        pieces += L" --installsource " + s + L" /source=" + s + L" --source=" + s + L" --app_from=" + s;
    }
    return pieces;
}

void SetupDlg::RunPackage() {
    bool hasOld = HasOldVersion();
    std::wstring installPath = GetInstallPath();
    bool isNew = IsNewInstall(installPath);

    std::wstring channelName = ProgressChannelName(GetProductName());
    bool channelOk = CreateProgressChannel(channelName);

    // The option and source come again from the program's own name, without
    // the default source.
    std::string option, source;
    {
        std::string name;
        GetExeBaseName(name);
        std::lock_guard<std::mutex> guard(m_textLock);
        if (!name.empty()) {
            ToLowerString(name);
            std::string parsedOption, parsedSource;
            ParseSetupFileName(name, parsedOption, parsedSource);
            m_option = parsedOption;
            m_source = parsedSource;
            WriteLog("Option: %s.\n", m_option.c_str());
            WriteLog("Source: %s.\n", m_source.c_str());
        }
        option = m_option;
        source = m_source;
    }
    // A silent run has no options panel: the options record stands for its boxes.
    bool silent = SetupOptions::IsSilent() != 0;
    bool desktop = false, runAfter = false;
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        desktop = silent || m_desktopBox == nullptr ? SetupOptions::IsDesktop() != 0 : m_desktopBox->GetCheck();
        runAfter = silent || m_runAfterBox == nullptr ? SetupOptions::IsRunApp() != 0 : m_runAfterBox->GetCheck();
    }
    std::wstring arguments = PackageArguments(channelName, desktop, installPath, option, source);
    std::wstring packagePath = GetPackagePath();
    HWND hwnd = GetHwnd();
    std::shared_ptr<InstallStatsReport> report = InstallReport();

    for (;;) {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.hwnd = nullptr;
        info.lpVerb = L"runas";
        info.lpFile = packagePath.c_str();
        info.lpParameters = arguments.c_str();
        info.lpDirectory = nullptr;
        info.nShow = SW_HIDE;

        ++m_packageAttempts;
        if (report) report->OnInstallBegin();
        m_elevation.asked = true;
        BOOL started = ShellExecuteExW(&info);
        DWORD error = started ? 0 : GetLastError();
        m_elevation.callReturned = true;

        if (started) {
            m_elevation.processStarted = true;
            if (info.hProcess != nullptr) {
                if (hwnd != nullptr) PostMessageW(hwnd, WM_SETUP_PROGRESS_TIMER, 1, 0);
                // Sliced, so a dialog that is closing is not held by a package
                // that keeps running; the handle is closed either way.
                while (WaitForSingleObject(info.hProcess, kPackageWaitSliceMs) == WAIT_TIMEOUT && !m_stop) {
                }
                if (hwnd != nullptr) PostMessageW(hwnd, WM_SETUP_PROGRESS_TIMER, 0, 0);
                DWORD exitCode = 0;
                GetExitCodeProcess(info.hProcess, &exitCode);  // any exit code counts as ended
                WriteLog("RunPackage: the package ended with %lu.\n", static_cast<unsigned long>(exitCode));
                CloseHandle(info.hProcess);
            }
            if (m_stop) {
                if (channelOk) CloseProgressChannel();
                return;
            }
            m_finishPage = ShowFinishWebPage(isNew ? 1 : 0, hasOld) != 0;
            m_packageRun = true;
            if (report) report->OnInstallEnd(true, GetUnpackLastError(), GetUnpackErrorName(), m_finishPage);
            EndPackageRun(true);
            if (channelOk) CloseProgressChannel();
            if (runAfter) {
                RunFlags().runAfter = true;
                RunProduct(L" --installmode --runapp");
                OnBtnClose();
            } else {
                RunFlags().runAfter = false;
            }
            return;
        }
        if (error != ERROR_CANCELLED) {
            // The finished page all the same; the channel stays until the end.
            EndPackageRun(false);
            WriteLog("Install File FAILED error code = %0X, last error = %d.\n", 0, GetUnpackLastError());
            if (report) report->OnInstallEnd(false, GetUnpackLastError(), GetUnpackErrorName(), m_finishPage);
            return;
        }
        // The user declined elevation: ask whether to try again.
        m_elevation.declined = true;
        m_elevation.processStarted = false;
        std::wstring message = std::wstring(GetLangText(89)) + L"\n" + GetLangText(90) + L"\n\n" + GetLangText(91);
        int answer = SkinMessageBox::ShowYesNoSized(hwnd, GetProductNameW(), message, GetLangText(58), GetLangText(22),
                                                    600, 260);
        if (answer == SkinMessageBox::kFirstButtonId && !m_stop) {
            m_elevation.continueChosen = true;
            continue;
        }
        m_elevation.continueChosen = false;
        m_packageRun = false;
        ShowPage(PAGE_FINISHED);
        {
            std::lock_guard<std::mutex> guard(m_textLock);
            m_packagePath.clear();
        }
        if (channelOk) CloseProgressChannel();
        if (!m_stop) OnBtnClose();
        return;
    }
}

void SetupDlg::RunProduct(std::wstring arguments) {
    std::string option, source;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        option = m_option;
        source = m_source;
    }
    arguments += ProductArgumentPieces(option, source);
    std::string exeName = m_setupInfo.m_is64Bit ? GetMainExeName64() : GetMainExeName();
    std::wstring executable = JoinPath(GetInstallPath(), ToWideString(exeName));
    if (executable.size() > kProductTextLimit) executable.resize(kProductTextLimit);
    if (arguments.size() > kProductTextLimit) arguments.resize(kProductTextLimit);

    std::wstring text;
    if (IsAdministrator()) {
        // The shell's unelevated token runs a whole command line.
        text = L"\"" + executable + L"\" " + arguments;
        if (text.size() > kProductTextLimit) text.resize(kProductTextLimit);
        RunProcessUnelevated(nullptr, text.c_str(), nullptr, SW_SHOWNORMAL);
    } else {
        text = arguments;
        RunProcessUnelevated(executable.c_str(), text.c_str(), nullptr, SW_SHOWNORMAL);
    }
    WriteLog("Run Qov!!! %s  - %s \n", ToOemString(executable).c_str(), ToOemString(text).c_str());
    WriteLog("Finish and Close Setup!");
}
