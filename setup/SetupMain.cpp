#include "setup/SetupMain.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/files/IniFiles.h"
#include "platform/files/ShellLink.h"
#include "setup/ProductConfig.h"
#include "setup/ProductDeployment.h"
#include "setup/SetupOptions.h"
#include "setup/WebsiteSmallDownloader.h"
#include "resources/SetupResources.h"
#include "stats/StatsTransport.h"
#include "ui/InfoViewDlg.h"
#include "ui/WndShadow.h"
#include "util/Log.h"
#include "util/OsVersion.h"
#include "util/ShellPaths.h"

namespace {

std::atomic<HINSTANCE> g_instance{nullptr};
std::mutex g_holderLock;
std::unique_ptr<SetupDlg> g_mainDialog;
std::atomic<bool> g_testMode{false};

// The shadow of the main dialog, attached at its first message.
CWndShadow& MainShadow() {
    static CWndShadow* shadow = new CWndShadow();  // kept to the end: the window may outlive static destruction
    return *shadow;
}

}  // namespace

HINSTANCE GetSetupInstance() { return g_instance.load(); }

bool IsSetupTestMode() {
    std::wstring path = GetDocumentsSubPath(L"", L"QovDebugConfig.ini", true);
    if (!g_testMode && PathFileExistsW(path.c_str()))
        g_testMode = GetPrivateProfileIntW(L"root", L"setup_test_mode", 0, path.c_str()) == 1;
    return g_testMode;
}

void ResetSetupTestModeForTests() { g_testMode = false; }

void CreateMainDialog() {
    std::lock_guard<std::mutex> guard(g_holderLock);
    g_mainDialog.reset();
    g_mainDialog = std::make_unique<WebsiteSmallDownloader>();
}

void ReleaseMainDialog() {
    std::unique_ptr<SetupDlg> dialog;
    {
        std::lock_guard<std::mutex> guard(g_holderLock);
        dialog = std::move(g_mainDialog);
    }
    // Its threads are joined before the object goes (they call its virtual
    // operations), outside the holder's lock.
    if (dialog) dialog->StopThreads(10000);
    dialog.reset();
}

SetupDlg* GetMainDialog() {
    std::lock_guard<std::mutex> guard(g_holderLock);
    return g_mainDialog.get();
}

void VisitMainDialog(const std::function<void(SetupDlg*)>& visit) {
    // ReleaseMainDialog takes the object out under this lock first.
    std::lock_guard<std::mutex> guard(g_holderLock);
    visit(g_mainDialog.get());
}

INT_PTR MainDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (SetupOptions::IsShowWindow()) {
        MainShadow().Create(hwnd, true);
    } else {
        MainShadow().Create(hwnd, false);
        ShowWindow(hwnd, SW_HIDE);
    }
    SetupDlg* dialog = GetMainDialog();
    if (dialog == nullptr) return FALSE;
    return dialog->DialogProc(hwnd, message, wParam, lParam);
}

int wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    std::wstring logPath = GetDocumentsSubPath((GetCompanyDataFolderW() + L"\\Log\\").c_str(), L"install.log", true);
    LinkSetupResources();
    deployment::ApplyStatsHost();
    if (*deployment::StatsCaBundle() != '\0') {
        // A product built with its own statistics CA trusts that CA alone.
        StatsTransportSettings transport = GetStatsTransportSettings();
        transport.caBundle = deployment::StatsCaBundle();
        SetStatsTransportSettings(transport);
    }
    GetLog()->Init(logPath.c_str());
    GetLog()->SetCallback(InfoViewLogSink);
    WriteLog("Setup Init. Version %s", "1.0.7.2");
    WriteLog(IsOs64Bit() ? "System Mode : x64" : "System Mode : x86");
    if (IsSetupTestMode()) WriteLog("Test Mode : true\n");
    OpenInfoView();  // only when the debug ini asks for it
    CoInitialize(nullptr);
    g_instance = instance;
    CWndShadow::Initialize(instance);
    CreateMainDialog();
    DialogBoxParamW(instance, MAKEINTRESOURCEW(130), nullptr, MainDlgProc, 0);
    ReleaseMainDialog();
    CloseInfoView();
    CoUninitialize();
    return 0;
}
