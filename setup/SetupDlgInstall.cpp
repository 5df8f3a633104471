// The install button, the pre-checks and the install worker's online road:
// download the package named by the embedded manifest, then hand it to the
// package step.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/files/FileSystem.h"
#include "setup/ProductConfig.h"
#include "setup/RunFlags.h"
#include "setup/SetupDlg.h"
#include "setup/SetupOptions.h"
#include "setup/UiWait.h"
#include "ui/SkinMessageBox.h"
#include "ui/lang/Language.h"
#include "util/Log.h"
#include "util/OsVersion.h"
#include "util/Restart.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"

namespace {

// How long an engine that stopped without its final event is waited for.
constexpr DWORD kSilentEngineLimitMs = 10000;

}  // namespace

std::wstring SetupDlg::ReadEditText() {
    // 519 characters and the end: a longer text is cut, never overrun.
    wchar_t buffer[520] = {};
    if (m_editBox != nullptr) GetWindowTextW(m_editBox, buffer, 520);
    return buffer;
}

void SetupDlg::OnBtnInstall() {
    HWND hwnd = GetHwnd();
    KillTimer(hwnd, TIMER_AUTO_START);
    int page = m_pageState;
    WriteLog("SetupDlg::OnBtnInstall, eInstall(%d).\n", page);
    if (page == PAGE_FINISHED) {
        if (m_restartNeeded) {
            RestartComputer();
        } else {
            RunFlags().productStarted = true;
            RunProduct(L" --installmode");
        }
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        return;
    }
    if (page != PAGE_WELCOME && page != PAGE_FAILED) {
        WriteLog("OnBtnInstall(what ?\?\?)");
        return;
    }
    if (!CheckBeforeInstall()) {
        if (SetupOptions::IsSilent()) CloseWithReason("silent");
        return;
    }
    WriteLog("OnBtnInstall(OnInstall)");
    ShowOptionsPanel(false);
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        if (m_optionsToggle != nullptr) m_optionsToggle->SetVisible(false);
        if (m_versionLabel != nullptr) m_versionLabel->SetVisible(false);
        if (!SetupOptions::IsSilent()) {
            int flags = 0;
            if (m_desktopBox != nullptr && m_desktopBox->GetCheck()) flags |= 1;
            if (m_joinBox != nullptr && m_joinBox->GetCheck()) flags |= 2;
            m_optionsFlags = flags;
        }
    }
    if (page == PAGE_FAILED) UpdateCtrlStatus(PAGE_BUSY);
    SetPageState(PAGE_BUSY);
    SetAnimationMode(ANIMATION_RING);
    StartRenderThread();
    HANDLE previous = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        previous = m_installThread;
        m_installThread = nullptr;
    }
    if (previous != nullptr) {
        // The previous worker has shown the failed page and is about to end.
        WaitForThreadServing(previous, 5000);
        CloseHandle(previous);
    }
    std::lock_guard<std::mutex> guard(m_threadLock);
    StartThread(m_installThread, InstallThreadProc);
}

bool SetupDlg::CheckBeforeInstall() {
    HWND hwnd = GetHwnd();
    bool silent = SetupOptions::IsSilent() != 0;
    std::wstring title = ToWideString(m_setupInfo.m_productName);
    auto refuse = [&](int textId) {
        WriteLog("OnBtnInstall(MySkinMessagxBox)");
        // A silent run asks nothing; it ends with its close reason.
        if (!silent) SkinMessageBox::Show(hwnd, title, GetLangText(textId), GetLangText(11));
        return false;
    };
    if (m_setupInfo.m_is64Bit && !IsOs64Bit()) return refuse(36);
    if (GetOsSupportMask() == 0) return refuse(33);
    if (!CheckSystem()) return refuse(33);

    std::wstring newPath = (silent || m_editBox == nullptr) ? GetInstallPath() : ReadEditText();
    std::wstring oldPath;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        oldPath = m_installPath;
        m_installPath = newPath;
    }
    double payload = static_cast<double>(m_setupInfo.m_payloadSize);
    double required = payload / 0.30000000000000004 * 1.1;
    if (newPath.find(L"C:\\") != std::wstring::npos) required += payload;
    std::uint64_t requiredBytes = static_cast<std::uint64_t>(required);
    std::uint64_t requiredMb = static_cast<std::uint64_t>(requiredBytes / 1024.0 / 1024.0);
    char drive = newPath.empty() ? '\0' : static_cast<char>(newPath[0]);
    std::uint64_t freeMb = drive != '\0' ? GetDiskFreeMB(drive) : 0;
    std::string driveText = drive != '\0' ? std::string(1, drive) + ":" : std::string();
    WriteLog("FreeSpace Info : %lld MB in %s .", static_cast<long long>(freeMb), driveText.c_str());
    if (freeMb > requiredMb) {
        if (newPath != oldPath) RunFlags().pathChanged = true;
        return true;
    }
    if (!silent) SkinMessageBox::Show(hwnd, title, GetLangText(35), GetLangText(11));
    return false;
}

int SetupDlg::ProgressPercent(int value, void* data) {
    // Both travel as their low 32 bits: read as unsigned, a size of 2 GiB or
    // more is not negative. No size gives 0, never a division by zero.
    auto done = static_cast<std::uint32_t>(value);
    auto total = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data));
    if (total == 0) return 0;
    double percent = static_cast<double>(done) * 100.0 / total;
    if (!(percent >= 0.0)) return 0;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

std::shared_ptr<IDownloader> SetupDlg::DownloaderSnapshot() {
    std::lock_guard<std::mutex> guard(m_downloaderLock);
    return m_downloader;
}

void SetupDlg::DoInstall() {
    m_installStarted = true;
    // A package file named by the options record is installed as it is.
    if (SetupOptions::GetFilePath()[0] != L'\0' && !GetPackagePath().empty()) {
        DoLocalInstall();
        return;
    }
    std::shared_ptr<InstallStatsReport> report = InstallReport();
    if (report) report->MarkStarted();
    std::shared_ptr<IInstallSteps> steps;
    {
        std::lock_guard<std::mutex> guard(m_downloaderLock);
        steps = m_steps;
        m_downloader.reset();  // an engine of an earlier try goes when its last reader lets go
    }
    // The target: <product>(<version>).exe in Downloads\<company data folder>.
    std::wstring folder = GetDownloadsSubPath(GetCompanyDataFolderW().c_str(), nullptr, true);
    std::string version = GetVersion();
    std::wstring name = GetProductNameW();
    if (!version.empty()) name += L"(" + ToWideString(version) + L")";
    std::string target = WideToAnsi(JoinPath(folder, name + L".exe"));
    if (target.size() > MAX_PATH - 1) target.resize(MAX_PATH - 1);

    auto fail = [this](const char* line) {
        if (line != nullptr) WriteLog("%s", line);
        ShowPage(PAGE_FAILED);
    };

    IDownloader* raw = steps->CreateDownloader();
    if (raw == nullptr) {
        fail("Download Failed. Show retry.\n");
        return;
    }
    // Released through the steps when the last holder (worker or painter) lets go.
    std::shared_ptr<IDownloader> engine(raw, [steps](IDownloader* gone) { steps->ReleaseDownloader(gone); });
    if (report) report->OnDownloadBegin();
    RunFlags().downloadDone = false;
    m_downloadPercent = 0;
    engine->SetEventCallback([this](int event, int value, void* data) { return OnDownloadEvent(event, value, data); });
    {
        std::lock_guard<std::mutex> guard(m_downloaderLock);
        m_downloader = engine;
    }
    auto forgetEngine = [this, &engine] {
        {
            std::lock_guard<std::mutex> guard(m_downloaderLock);
            m_downloader.reset();
        }
        engine.reset();
    };

    std::string manifest;
    if (!LoadResourceData(m_setupInfo.m_is64Bit ? 502 : 501, L"xml", manifest) || manifest.empty()) {
        engine->Stop();
        forgetEngine();
        fail(nullptr);
        return;
    }
    // The done flag was cleared before the start: an engine that fails at once
    // reports inside the start call, and that report must not be lost.
    engine->StartFromBuffer(manifest.data(), static_cast<int>(manifest.size()), target);
    RunFlags().downloadStartTick = GetTickCount();

    DWORD silentSince = 0;
    while (engine->IsRunning() || !RunFlags().downloadDone) {
        if (m_stop) {
            engine->Stop();
            break;
        }
        m_cdnSwitch = engine->GetSwitchAmazon();
        {
            std::unique_lock<std::mutex> lock(m_downloadDoneLock);
            m_downloadDoneCv.wait_for(lock, std::chrono::milliseconds(1000),
                                      [this] { return RunFlags().downloadDone.load() || m_stop.load(); });
        }
        // An engine that stopped without reporting its end is not waited for
        // for ever.
        if (!engine->IsRunning() && !RunFlags().downloadDone) {
            DWORD now = GetTickCount();
            if (silentSince == 0) silentSince = now == 0 ? 1 : now;
            else if (now - silentSince >= kSilentEngineLimitMs) {
                WriteLog("Download_Wait: the engine stopped without a result.\n");
                break;
            }
        }
    }
    RunFlags().downloadSeconds = (GetTickCount() - RunFlags().downloadStartTick) / 1000;
    steps->Pause(2000, m_stop);
    if (RunFlags().alreadyDownloaded) RunFlags().downloadSeconds = 1;

    int result = engine->GetState();
    WriteLog("Download Finish Result : %s(%d).\n", result == DownloadState_Finished ? "succeed" : "failed", result);
    if (report) report->OnDownloadEnd(CollectDownloadResults(*engine));
    m_downloadSucceeded = result == DownloadState_Finished;
    m_downloadErrorCode = engine->GetErrorCode();
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_downloadErrorName = engine->GetErrorName();
    }
    m_cdnSwitch = engine->GetSwitchAmazon();
    engine->Stop();
    forgetEngine();

    std::string sideFile = target + ".cfg";
    if (PathFileExistsA(sideFile.c_str())) DeleteFileA(sideFile.c_str());
    if (m_stop) return;  // closing: no page changes any more

    if (PathFileExistsA(target.c_str()) && result == DownloadState_Finished) {
        WriteLog("Begin install...\n");
        {
            std::lock_guard<std::mutex> guard(m_textLock);
            m_packagePath = ToWideString(target);
        }
        ShowPage(PAGE_BUSY);
        SetAnimationMode(ANIMATION_INSTALL);
        steps->Pause(1000, m_stop);
        if (m_stop) return;
        steps->RunPackage(*this);
        return;
    }
    fail("Download Failed. Show retry.\n");
}

int SetupDlg::OnDownloadEvent(int event, int value, void* data) {
    switch (event) {
        case DOWNLOAD_EVENT_PROGRESS: {
            int percent = ProgressPercent(value, data);
            m_downloadPercent = percent;
            wchar_t line[260] = {};
            swprintf(line, 260, L"Current Download Pos : %d.\n", percent);
            OutputDebugStringW(line);
            break;
        }
        case DOWNLOAD_EVENT_FAILED:
            std::fputs("\nDownload Failed!!\n", stdout);
            {
                // Told first, then set, both under the lock: a worker that
                // sees the flag (and may end the run) comes after this call.
                std::lock_guard<std::mutex> guard(m_downloadDoneLock);
                m_downloadDoneCv.notify_all();
                RunFlags().downloadDone = true;
            }
            break;
        case DOWNLOAD_EVENT_FINISHED:
            std::fputs("\nDownload Finish!!\n", stdout);
            m_downloadEnded = true;
            if (reinterpret_cast<intptr_t>(data) == 1) RunFlags().alreadyDownloaded = true;
            {
                // Told first, then set, both under the lock: a worker that
                // sees the flag (and may end the run) comes after this call.
                std::lock_guard<std::mutex> guard(m_downloadDoneLock);
                m_downloadDoneCv.notify_all();
                RunFlags().downloadDone = true;
            }
            break;
        case DOWNLOAD_EVENT_RANGE_ERROR:
            // One exchange: only the first range error of the run is reported.
            if (RunFlags().rangeErrorReportPending.exchange(false)) StartRangeErrorReport();
            break;
        default: break;
    }
    return 1;
}

int SetupDlg::SetInstallProgress(int mode, unsigned value) {
    std::shared_ptr<IInstallSteps> steps;
    {
        std::lock_guard<std::mutex> guard(m_downloaderLock);
        steps = m_steps;
    }
    switch (mode) {
        case 0: m_installProgress = 0; break;
        case 1:
            m_installProgress = 1000;
            m_installSucceeded = 1;
            steps->Pause(200, m_stop);
            break;
        case 2:
            MessageBoxW(GetHwnd(), L"Install Failed!", L"ERROR", MB_OK);
            m_installSucceeded = 0;
            steps->Pause(200, m_stop);
            break;
        case 3:
            if (value <= 1000) m_installProgress = static_cast<int>(value);
            break;
        case 100: {
            long long scaled = static_cast<long long>(static_cast<int>(value)) * 10;
            m_installProgress = scaled < 0 ? 0 : static_cast<int>(scaled > 1000 ? 1000 : scaled);
            break;
        }
        default: break;
    }
    // A setup started with a channel of its own passes every change on.
    if (SetupOptions::IsOutputProgress()) WriteProgressChannel("pos:" + std::to_string(m_installProgress.load()));
    return 1;
}

void SetupDlg::EndPackageRun(bool started) {
    m_packageRun = started;
    if (started) {
        SetInstallProgress(1, 100);
        SetAnimationMode(ANIMATION_FINISH);
    }
    // A run that failed for another reason than a declined elevation still
    // shows the finished page with its start button.
    ShowPage(PAGE_FINISHED);
}

void SetupDlg::ShowPage(int pageState) {
    // Under the UI lock, and the table before the state: a painter never sees
    // the new page with the old page's controls.
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    UpdateCtrlStatus(pageState);
    SetPageState(pageState);
}
