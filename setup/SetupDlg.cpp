#include "setup/SetupDlg.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "platform/drawing/Gdi.h"
#include "setup/ProductConfig.h"
#include "setup/RunFlags.h"
#include "setup/SetupOptions.h"
#include "setup/UiWait.h"
#include "ui/SkinMessageBox.h"
#include "ui/lang/Language.h"
#include "util/ExeName.h"
#include "util/Folders.h"
#include "util/Log.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"
#include "util/StringUtil.h"
#include "util/SystemIdentity.h"
#include "util/UninstallEntry.h"

namespace {

// A private message that starts a silent run once the dialog's loop runs, so
// a silent run that ends at once does not end inside WM_INITDIALOG.
constexpr UINT WM_SETUP_SILENT_START = WM_APP + 1;

}  // namespace

SetupDlg::SetupDlg() {
    m_bFixedSize = true;
    m_nDesignWidth = kDesignWidth;
    m_nDesignHeight = kDesignHeight;
    m_nEndDialogMask = 0;  // Enter and Esc never end the dialog
    m_steps = std::make_shared<EngineInstallSteps>();
}

SetupDlg::~SetupDlg() {
    // The owner stops the threads before deleting (ReleaseMainDialog); this
    // is the last safety net.
    StopThreads(10000);
    {
        std::lock_guard<std::mutex> guard(m_downloaderLock);
        m_downloader.reset();
    }
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        m_inputList.clear();
        m_paintList.clear();
        m_controls.clear();
    }
    for (HBITMAP bitmap : m_bitmaps) DeleteObject(bitmap);
    for (HFONT font : m_fonts) DeleteObject(font);
}

void SetupDlg::SetInstallSteps(std::shared_ptr<IInstallSteps> steps) {
    std::lock_guard<std::mutex> guard(m_downloaderLock);
    if (steps) m_steps = std::move(steps);
}

void SetupDlg::SetPageState(int pageState) {
    m_pageState = pageState;
    // The new page shows at once, not at the repaint thread's next turn.
    HWND hwnd = GetHwnd();
    if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
}

std::wstring SetupDlg::GetInstallPath() {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_installPath;
}

std::wstring SetupDlg::GetPackagePath() {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_packagePath;
}

std::string SetupDlg::GetVersion() {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_version;
}

std::vector<CommonCtrl*> SetupDlg::PaintList() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    return m_paintList;
}

std::vector<CommonCtrl*> SetupDlg::InputList() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    return std::vector<CommonCtrl*>(m_inputList.begin(), m_inputList.end());
}

HFONT SetupDlg::MakeFont(int height, bool underline) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfUnderline = underline ? 1 : 0;
    std::wcsncpy(font.lfFaceName, GetUiFontName().c_str(), LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectW(&font);
    if (handle != nullptr) m_fonts.push_back(handle);
    return handle;
}

int SetupDlg::OnInitDialog(HWND hwnd) {
    // The uninstall mode shows the uninstall layout, which is built only
    // without the compact flag.
    m_compact = SetupOptions::GetMode() == 1 ? 0 : 1;
    // A product that asks for the large layout gets it, at its own size.
    const bool large = !m_compact && GetProductConfig()->UseLargeLayout();
    m_nDesignWidth = large ? kLargeWidth : kDesignWidth;
    m_nDesignHeight = large ? kLargeHeight : kDesignHeight;
    SetPageState(PAGE_WELCOME);
    m_storeInstall = SetupOptions::IsStoreInstall() != 0;
    // A setup run by another one reports its progress to that one.
    if (SetupOptions::IsOutputProgress()) {
        if (OpenProgressChannel(SetupOptions::GetOutputProgressName())) WriteLog("Create Shared Memory success!\n");
        else WriteLog("Create Shared Memory fail! %d \n", static_cast<int>(GetLastError()));
    }
    CommonDlg::OnInitDialog(hwnd);
    m_dpi = GetDpi();

    SetWindowTextA(hwnd, (GetProductName() + " Installer").c_str());
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(107));
    SendMessageA(hwnd, WM_SETICON, 1, reinterpret_cast<LPARAM>(icon));
    SendMessageA(hwnd, WM_SETICON, 0, reinterpret_cast<LPARAM>(icon));
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_packagePath = SetupOptions::GetFilePath();
    }
    InitLanguage(GetProductNameW().c_str(), 0);

    // App-from, and the option and source tokens of the program's own name.
    {
        std::string option, source, appFrom;
        if (!SetupOptions::GetAppFrom().empty()) {
            appFrom = ToOemString(SetupOptions::GetAppFrom());
        } else {
            std::string name;
            GetExeBaseName(name);
            if (!name.empty()) {
                ToLowerString(name);
                ParseSetupFileName(name, option, source);
            }
            if (source.empty()) {
                wchar_t buffer[260] = {};
                LoadStringW(GetModuleHandleW(nullptr), 1500, buffer, 260);
                source = WideCharsToAnsi(buffer);
            }
            appFrom = source;
        }
        std::lock_guard<std::mutex> guard(m_textLock);
        m_option = option;
        m_source = source;
        m_appFrom = appFrom;
    }

    HDC screen = GetDC(hwnd);
    int logPixelsY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(hwnd, screen);
    m_largeFont = MakeFont(-MulDiv(22, logPixelsY, 72), false);
    {
        LOGFONTW font{};
        font.lfHeight = -MulDiv(14, logPixelsY, 96);
        std::wstring face = IsSystemLanguageJapanese() ? GetUiFontName() : std::wstring(L"ArialMT");
        std::wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        m_smallFont = CreateFontIndirectW(&font);
        if (m_smallFont != nullptr) m_fonts.push_back(m_smallFont);
    }
    InitRenderer();
    InitSetupInfo();

    std::string keyName = GetProductDisplayName(m_setupInfo.m_installFolderName);
    int flags = m_optionsFlags;
    GetUninstallDword(keyName, "cfg_flag", flags);
    m_optionsFlags = flags;
    WriteLog("Read Setup Cfg Flag : %d, root(%s), key(%s).\n", flags, keyName.c_str(), "cfg_flag");
    if (m_compact) {
        m_installType = m_installKind.DetectInstallType();
        WriteLog("Install type %s.\n", InstallTypeDetector::InstallTypeName(m_installType));
    }
    WriteLog("Serial number is: %s", GetMachineMac().c_str());

    CreateControls();

    std::string version, text;
    if (LoadVersionInfo(version, text)) {
        if (m_versionLabel != nullptr) {
            std::lock_guard<std::recursive_mutex> guard(m_uiLock);
            std::wstring labelText;
            {
                std::lock_guard<std::mutex> textGuard(m_textLock);
                labelText = m_versionLabelText;
            }
            m_versionLabel->SetText(labelText);
            // The uninstall layout's question covers the version's place.
            m_versionLabel->SetVisible(m_compact && !text.empty());
        }
        std::lock_guard<std::mutex> guard(m_textLock);
        WriteText(m_setupInfo.m_version, version);
        m_version = version;
        m_versionNoDots = version;
        m_versionNoDots.erase(std::remove(m_versionNoDots.begin(), m_versionNoDots.end(), '.'), m_versionNoDots.end());
    } else {
        if (m_versionLabel != nullptr) {
            std::lock_guard<std::recursive_mutex> guard(m_uiLock);
            m_versionLabel->SetVisible(false);
        }
        std::lock_guard<std::mutex> guard(m_textLock);
        m_version = "1.0.0.1";
    }

    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_option = ToOemString(SetupOptions::GetOption());
        m_source = ToOemString(SetupOptions::GetAppFrom());
        WriteLog("Option: %s.\n", m_option.c_str());
        WriteLog("Source: %s.\n", m_source.c_str());
    }
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        StartThread(m_repaintThread, RepaintThreadProc);
    }
    CreateInstallReport();
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        m_scanDone = false;
        StartThread(m_scanThread, ScanInstallDirThreadProc);
    }

    if (SetupOptions::IsSilent()) {
        PostMessageW(hwnd, WM_SETUP_SILENT_START, 0, 0);
    } else if (SetupOptions::GetMode() == 0) {
        SetTimer(hwnd, TIMER_AUTO_START, 1000, nullptr);
    }
    return TRUE;
}

void SetupDlg::InitSetupInfo() {
    std::lock_guard<std::mutex> guard(m_textLock);
    m_setupInfo = SetupInfoBlock{};
    m_setupInfo.m_is64Bit = IsX64Product() ? 1 : 0;
    WriteText(m_setupInfo.m_shortProductName, GetProductName());
    WriteText(m_setupInfo.m_installFolderName, GetInstallFolderName());
    WriteText(m_setupInfo.m_productName, GetProductName());
    WriteText(m_setupInfo.m_version, GetConfigVersionText());
    WriteText(m_setupInfo.m_copyright, GetNoticeText());
}

bool SetupDlg::LoadVersionInfo(std::string& version, std::string& text) {
    if (!LoadResourceData(IsX64Product() ? 504 : 503, L"txt", text)) {
        WriteLog("Get version error!!\n");
        return false;
    }
    if (text.size() <= 5) return false;
    std::string loaded = text;
    std::wstring wide = ToWideString(text);
    ReplaceAllWide(wide, L"official", GetLangText(56));
    text = ToOemString(wide);
    // The label keeps the wide text: the OEM form cannot hold every
    // language's channel word, and reading it back as ANSI would garble it.
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_versionLabelText = wide;
    }

    std::vector<std::string> tokens;
    SplitString(tokens, loaded, " ");
    if (!tokens.empty()) version = tokens[0];
    if (tokens.size() > 2) {
        std::string date = tokens[2];
        date.erase(std::remove_if(date.begin(), date.end(), [](char c) { return c == '(' || c == ')'; }), date.end());
        std::lock_guard<std::mutex> guard(m_textLock);
        WriteText(m_setupInfo.m_date, date);
    }
    return true;
}

int SetupDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    // Pages are laid out in design pixels; the window is scaled by the DPI.
    int dpi = m_dpi.load();
    if (dpi > 0 && dpi != 96) {
        x = MulDiv(x, 96, dpi);
        y = MulDiv(y, 96, dpi);
    }
    switch (message) {
        case WM_CLOSE: return OnClose();
        case WM_ERASEBKGND: return 1;
        case WM_SETUP_SILENT_START:
            if (SetupOptions::GetMode() == 0) OnBtnInstall();
            else if (SetupOptions::GetMode() == 1) OnBtnUninstall();
            return 1;
        case WM_SETUP_PROGRESS_TIMER:
            if (wParam != 0) SetTimer(GetHwnd(), TIMER_PACKAGE_PROGRESS, 500, nullptr);
            else KillTimer(GetHwnd(), TIMER_PACKAGE_PROGRESS);
            return 1;
        case WM_TIMER: OnTimer(wParam); break;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: {
            // The handlers run over a copy of the list and outside the UI
            // lock: a release sends the control's command, whose handler may
            // change the lists, open a box or close the dialog.
            std::vector<ButtonCtrlEx*> controls = MouseControls();
            int sum = 0;
            if (message == WM_MOUSEMOVE) {
                bool held = (wParam & MK_LBUTTON) != 0 || m_mouseDown != 0;
                for (ButtonCtrlEx* control : controls) {
                    if (held) control->OnLButtonDown(x, y);
                    else control->OnLButtonUp(x, y);
                }
                for (ButtonCtrlEx* control : controls) control->OnMouseMove(x, y);
            } else if (message == WM_LBUTTONDOWN) {
                OutputDebugStringW(L"SetupDlg::WM_LBUTTONDOWN\n");
                for (ButtonCtrlEx* control : controls) sum += control->OnLButtonDown(x, y);
                if (sum != 0) m_mouseDown = 1;
            } else {
                OutputDebugStringW(L"SetupDlg::WM_LBUTTONUP\n");
                m_mouseDown = 0;
                for (ButtonCtrlEx* control : controls) sum += control->OnLButtonUp(x, y);
            }
            HWND hwnd = GetHwnd();
            if (hwnd != nullptr && IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, FALSE);
            if (message != WM_MOUSEMOVE) return sum;
            break;
        }
        default: break;
    }
    return CommonDlg::OnMessage(message, wParam, lParam);
}

int SetupDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
        case IDC_SETUP_CLOSE:
        case IDC_SETUP_CLOSE_OTHER:
        case IDC_SETUP_CLOSE_THIRD: OnBtnClose(); return 1;
        case IDC_SETUP_MINIMIZE: OnBtnMinimize(); return 1;
        case IDC_SETUP_INSTALL: OnBtnInstall(); return 1;
        case IDC_SETUP_CUSTOM: OnCheckCustom(); return 1;
        case IDC_SETUP_LICENSE: OnCheckLicense(); return 1;
        case IDC_SETUP_LICENSE_LINK: OpenPrivacyPage(); return 1;
        case IDC_SETUP_BROWSE: OnBtnBrower(); return 1;
        case IDC_SETUP_DESKTOP: OnCheckDesktop(); return 1;
        case IDC_SETUP_JOIN: OnCheckJoin(); return 1;
        case IDC_SETUP_PROGRAMME_LINK: OpenTermsPage(); return 1;
        case IDC_SETUP_KEEP_DATA: {
            std::lock_guard<std::recursive_mutex> guard(m_uiLock);
            if (m_keepDataBox == nullptr) {
                m_keepData = !m_keepData;
            } else {
                m_keepDataBox->SetCheck(!m_keepDataBox->GetCheck());
                m_keepData = m_keepDataBox->GetCheck();
            }
            return 1;
        }
        case IDC_SETUP_UNINSTALL: OnBtnUninstall(); return 1;
        case IDC_SETUP_RUN_AFTER: OnCheckRunAfter(); return 1;
        case IDC_SETUP_SURVEY_ROW: OnSurveyCommand(static_cast<int>(lParam)); return 1;
        case IDC_SETUP_MORE_APPS_ROW: OnMoreAppsCommand(static_cast<int>(lParam)); return 1;
        default: return CommonDlg::OnCommand(wParam, lParam);
    }
}

void SetupDlg::OnCreate() { m_shadow.Create(GetHwnd(), true); }

void SetupDlg::OnTimer(UINT_PTR timerId) {
    switch (timerId) {
        case TIMER_AUTO_START: OnAutoStartTimer(); break;
        case TIMER_UNINSTALL_COUNTDOWN: OnCountdownTimer(); break;
        case TIMER_PACKAGE_PROGRESS: OnProgressTimer(); break;
        default: break;
    }
}

void SetupDlg::OnAutoStartTimer() {
    int seconds = RunFlags().countdownSeconds.load();
    if (m_countdownLabel != nullptr) {
        std::wstring text = GetLangText(53);
        ReplaceAllWide(text, L"XXX", std::to_wstring(seconds));
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        m_countdownLabel->SetText(text);
    }
    if (RunFlags().countdownSeconds.fetch_sub(1) - 1 >= 0) return;
    KillTimer(GetHwnd(), TIMER_AUTO_START);
    RunFlags().autoStarted = true;
    OnBtnInstall();
}

int SetupDlg::CountdownPercent(int counter, int estimate) {
    if (estimate <= 0) return 0;
    return static_cast<int>((1.0 - static_cast<double>(counter) / estimate) * 100.0);
}

void SetupDlg::OnCountdownTimer() {
    // The uninstalling page of the large layout: the remaining seconds and
    // the bar count down; the result page follows once the work is done.
    int counter = m_countdownCounter;
    if (counter == kCountdownNotStarted) counter = m_uninstallEstimate;
    if (counter < 1) {
        if (!m_uninstallDone) return;
        KillTimer(GetHwnd(), TIMER_UNINSTALL_COUNTDOWN);
        UpdateCtrlStatus(PAGE_UNINSTALLED);
        SetPageState(PAGE_UNINSTALLED);
    }
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        if (m_remainingLabel != nullptr) {
            std::wstring text = GetLangText(81);
            ReplaceAllWide(text, L"XXX", std::to_wstring(counter));
            m_remainingLabel->SetText(text);
        }
        if (m_large && m_uninstallBar != nullptr)
            m_uninstallBar->SetPos(CountdownPercent(counter, m_uninstallEstimate));
    }
    m_countdownCounter = counter - 1;
}

void SetupDlg::SendClose() {
    HWND hwnd = GetHwnd();
    if (hwnd == nullptr) return;
    if (GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId()) {
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        return;
    }
    // From another thread: returns once the dialog has handled the close, or
    // at once when the window or its thread is gone.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, WM_CLOSE, 0, 0, SMTO_ERRORONEXIT, 600000, &result);
}

void SetupDlg::OnBtnClose() {
    SetCloseReason("botton");
    SendClose();
}

void SetupDlg::CloseWithReason(const std::string& reason) {
    SetCloseReason(reason);
    SendClose();
}

void SetupDlg::OnBtnMinimize() { ShowWindow(GetHwnd(), SW_MINIMIZE); }

void SetupDlg::OnCheckCustom() {
    if (m_optionsToggle == nullptr) return;
    bool checked = !m_optionsToggle->GetCheck();
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        m_optionsToggle->SetCheck(checked);
    }
    ShowOptionsPanel(checked);
}

void SetupDlg::OnCheckLicense() {
    if (m_licenseBox == nullptr) return;
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    bool checked = !m_licenseBox->GetCheck();
    m_licenseBox->SetCheck(checked);
    if (m_installButton != nullptr) m_installButton->SetEnabled(checked);
}

void SetupDlg::OnCheckDesktop() {
    if (m_desktopBox == nullptr) return;
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    bool checked = !m_desktopBox->GetCheck();
    m_desktopBox->SetCheck(checked);
    RunFlags().desktopBox = checked;
}

void SetupDlg::OnCheckJoin() {
    if (m_joinBox == nullptr) return;
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    bool checked = !m_joinBox->GetCheck();
    m_joinBox->SetCheck(checked);
    RunFlags().joinBox = checked;
}

void SetupDlg::OnCheckRunAfter() {
    if (m_runAfterBox == nullptr) return;
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    m_runAfterBox->SetCheck(!m_runAfterBox->GetCheck());
}

namespace {

// Preselects the folder whose path `data` holds once the browser is up.
int BrowseFolderCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

}  // namespace

void SetupDlg::OnBtnBrower() {
    std::wstring path = GetInstallPath();
    WriteLog("OnBtnBrower() path = %s", ToOemString(path).c_str());
    // A bounded copy: a longer path is cut at the buffer's size.
    wchar_t buffer[MAX_PATH] = {};
    std::wcsncpy(buffer, path.c_str(), MAX_PATH - 1);
    if (buffer[0] != 0 && !PathFileExistsW(buffer)) CreateDirectoryPath(buffer);

    std::wstring title = GetLangText(17);
    BROWSEINFOW info{};
    info.hwndOwner = nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseFolderCallback;
    info.lParam = reinterpret_cast<LPARAM>(buffer);
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
    if (list == nullptr) {
        WriteLog("OnBtnBrower()NULL == idl, error = %p",
                 reinterpret_cast<void*>(static_cast<uintptr_t>(GetLastError())));
        return;
    }
    wchar_t chosen[MAX_PATH] = {};
    BOOL found = SHGetPathFromIDListW(list, chosen);
    CoTaskMemFree(list);
    if (!found) return;
    std::wstring folderName;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        folderName = ToWideString(m_setupInfo.m_installFolderName);
    }
    // PathAppendW keeps the buffer's bound: a result that would not fit
    // leaves the chosen folder as it is.
    if (!folderName.empty() && std::wstring(chosen).find(folderName) == std::wstring::npos)
        PathAppendW(chosen, folderName.c_str());
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_installPath = chosen;
    }
    if (m_editBox != nullptr) SetWindowTextW(m_editBox, chosen);
}

int SetupDlg::OnClose() {
    HWND hwnd = GetHwnd();
    if (m_closing) return 0;
    int page = m_pageState;
    if (m_compact && !SetupOptions::IsSilent() && page != PAGE_FINISHED && page != PAGE_FAILED) {
        // One question at a time: a close that arrives while it is asked is dropped.
        static thread_local bool asking = false;
        if (asking) return 0;
        asking = true;
        int answer =
            SkinMessageBox::ShowYesNo(hwnd, GetProductNameW(), GetLangText(92), GetLangText(19), GetLangText(20));
        asking = false;
        if (answer != SkinMessageBox::kFirstButtonId) {
            SetCloseReason("");
            return 0;
        }
        if (m_closing) return 0;
    }
    m_closing = true;
    ShowWindow(hwnd, SW_HIDE);
    m_stop = true;
    KillTimer(hwnd, TIMER_AUTO_START);
    m_closeStatsDone = false;
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        StartThread(m_closeStatsThread, CloseStatsThreadProc);
    }
    // The final statistics have their own bounded retries; the wait keeps
    // serving what other threads send to this window meanwhile.
    WaitServingMessages([this] { return m_closeStatsDone.load(); }, 120000);
    // A close sent by one of the dialog's own threads cannot wait for that
    // thread here (it waits for this handler): the program joins it once the
    // dialog has ended.
    if (!InSendMessage()) StopThreads(10000);
    EndDialog(hwnd, 0);
    return 0;
}

int SetupDlg::GetDisplayProgress(int progress) { return progress; }
bool SetupDlg::IsRestartExitCode(int) { return false; }
bool SetupDlg::CheckSystem() { return true; }
void SetupDlg::PrepareInstallPath(const std::wstring&, const std::wstring&) {}
