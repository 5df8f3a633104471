// Test support for the setup program: a scripted downloader, install steps
// that hand the worker to the test, stand-in art for the dialog's bitmaps,
// and a fixture that runs the program's entry point under the test driver.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/IDownloader.h"
#include "platform/windowing/TestDriver.h"
#include "setup/InstallSteps.h"
#include "setup/SetupDlg.h"
#include "tests/support/MachineFixture.h"

namespace setuptest {

// A downloader whose progress and end the test decides.
class FakeDownloader : public IDownloader {
public:
    HRESULT StartFromBuffer(const char* bytes, int size, std::string targetPath) override;
    HRESULT StartFromUrl(std::string, std::string) override { return E_FAIL; }
    HRESULT StartFromFile(std::wstring, std::string) override { return E_FAIL; }
    HRESULT BeginDownload(const DownloadConfig*) override { return E_FAIL; }
    HRESULT Stop() override;
    bool IsRunning() override { return m_running; }
    HRESULT SetEventCallback(EventCallback callback) override;
    HRESULT GetProgress(DownloadProgress* progress) override;
    int GetState() override { return m_state; }
    void SetProxy(const DownloadProxy&) override {}
    bool GetSwitchAmazon() override { return false; }
    int GetErrorCode() override { return m_state == DownloadState_Finished ? 0 : 21; }
    std::string GetErrorName() override { return GetDownloadErrorName(GetErrorCode()); }
    std::string GetLastFailLink() override { return ""; }
    std::string GetRepairLink() override { return ""; }
    int GetCurlError() override { return 0; }
    std::vector<DownloadUrlInfo> GetAllUrlInfo() override { return {}; }
    std::vector<DownloadUrlInfo> GetUsedUrlInfo() override { return {}; }
    DownloadSummary GetAmazonSummary() override { return {}; }
    std::vector<DownloadSummary> GetDomainSummary() override { return {}; }
    std::vector<DownloadUrlSwitch> GetUrlSwitchLog() override { return {}; }

    // Reports `done` of `total` bytes (event 3 and the progress snapshot).
    void Progress(std::int64_t done, std::int64_t total);
    // Ends the download: a written target and event 5, or event 4.
    void Finish(bool success);
    std::string Target();
    bool Started() const { return m_started; }

private:
    std::mutex m_lock;
    EventCallback m_callback;
    std::string m_target;
    std::int64_t m_done = 0, m_total = 0;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_started{false};
    std::atomic<int> m_state{DownloadState_Idle};
};

// Install steps for tests: engines are FakeDownloaders, pauses do not wait,
// and the package run waits for the test (ReleasePackage).
class FakeSteps : public IInstallSteps {
public:
    ~FakeSteps() override;
    IDownloader* CreateDownloader() override;
    void ReleaseDownloader(IDownloader* engine) override;
    void RunPackage(SetupDlg& dialog) override;
    void Pause(unsigned, const std::atomic<bool>&) override {}

    // The engine of the latest start (null before the first); waits up to 5 s
    // for a started one.
    FakeDownloader* WaitForEngine(int number);
    int Created() const { return m_created; }
    int Released() const { return m_released; }
    bool PackageRunning() const { return m_packageRunning; }
    // Lets the package run report `progress` (0..1000); the last call with
    // finish ends the run.
    void PackageProgress(int progress, bool finish);

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<FakeDownloader*> m_engines;
    std::atomic<int> m_created{0}, m_released{0};
    std::atomic<bool> m_packageRunning{false};
    int m_pendingProgress = -1;
    bool m_finish = false;
    bool m_stopped = false;
};

// Registers drawn stand-ins for every dialog bitmap that has no resource.
void RegisterStandInArt();

// Waits up to `milliseconds` for `condition`.
bool WaitFor(const std::function<bool()>& condition, unsigned milliseconds = 5000);

// Runs the program's entry point under the test driver with fake steps.
class SetupProgramTest : public testsupport::MachineTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Starts wWinMain on the driver's thread; false when no dialog appears.
    bool StartProgram();
    SetupDlg* Dialog();
    // The run flags, test mode and language as before a new run of the program.
    void ResetRun();
    // Advances the countdown by whole seconds.
    void Tick(int seconds);
    // The close button's centre, and a click of the first or second button
    // of the box open on top of the dialog.
    void ClickClose();
    bool AnswerBox(bool first);

    std::unique_ptr<platform::DialogDriver> driver;
    std::shared_ptr<FakeSteps> steps = std::make_shared<FakeSteps>();
    // What the entry point returned; -1 while it runs.
    std::atomic<int> exitCode{-1};
};

}  // namespace setuptest
