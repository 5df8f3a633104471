// The run of the downloaded package with the stand-in package program: its
// progress through the channel, the finished page, the product's start with
// its arguments, declined elevations, a package that fails, and a run that
// cannot start.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/base/Machine.h"
#include "platform/kernel/SharedMemory.h"
#include "setup/RunFlags.h"
#include "setup/SetupDlg.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "ui/SkinMessageBox.h"
#include "ui/lang/Language.h"

namespace setuptest {
namespace {

// What the dialog held when its package run returned (a dialog that closes
// itself is gone soon after).
struct RunSnapshot {
    bool taken = false;
    int page = -1;
    int progress = -1;
    int attempts = 0;
    bool packageRun = false;
    bool declined = false, continueChosen = false, processStarted = false;
    std::wstring packagePath, installPath;
};

// Fake downloads, and the real package run over a copy of the stand-in package.
class PackageSteps : public FakeSteps {
public:
    std::function<void(const std::wstring& packagePath)> place;
    void RunPackage(SetupDlg& dialog) override {
        {
            std::lock_guard<std::mutex> guard(lock);
            installPath = dialog.GetInstallPath();
        }
        if (place) place(dialog.GetPackagePath());
        dialog.RunPackage();
        std::lock_guard<std::mutex> guard(lock);
        snapshot.taken = true;
        snapshot.page = dialog.GetPageState();
        snapshot.progress = dialog.GetInstallProgress();
        snapshot.attempts = dialog.PackageAttempts();
        snapshot.packageRun = dialog.IsPackageRun();
        snapshot.declined = dialog.Elevation().declined;
        snapshot.continueChosen = dialog.Elevation().continueChosen;
        snapshot.processStarted = dialog.Elevation().processStarted;
        snapshot.packagePath = dialog.GetPackagePath();
        snapshot.installPath = installPath;
    }
    RunSnapshot Snapshot() {
        std::lock_guard<std::mutex> guard(lock);
        return snapshot;
    }
    std::wstring InstallPath() {
        std::lock_guard<std::mutex> guard(lock);
        return installPath;
    }

private:
    std::mutex lock;
    RunSnapshot snapshot;
    std::wstring installPath;
};

class PackageRunTest : public SetupProgramTest {
protected:
    void SetUp() override {
        SetupProgramTest::SetUp();
        packageSteps->place = [this](const std::wstring& path) {
            std::filesystem::copy_file(STAND_IN_PACKAGE, Host(path), std::filesystem::copy_options::overwrite_existing);
        };
        steps = packageSteps;
    }
    void Behave(int seconds, int exitCode) {
        WriteHostFile(Host(machine.machine().TempFolder() + L"\\stand_in_package.ini"),
                      "[package]\nseconds=" + std::to_string(seconds) +
                          "\nsteps=10\nexit_code=" + std::to_string(exitCode) + "\n");
    }
    // Clicks install and lets the fake download finish.
    void InstallAndDownload() {
        driver->Click(311, 374);
        FakeDownloader* engine = steps->WaitForEngine(1);
        ASSERT_NE(engine, nullptr);
        engine->Finish(true);
    }
    std::string InstallFile(const wchar_t* name) {
        return ReadHostFile(Host(packageSteps->InstallPath() + L"\\" + name));
    }
    // The box asking again after a declined elevation: answered with its
    // first ("Continue") or second ("Abort") button.
    bool AnswerElevationBox(bool first) {
        HWND box = nullptr;
        if (!WaitFor(
                [&] {
                    box = GetForegroundWindow();
                    return box != nullptr && box != driver->Window() && SkinMessageBox::FromWindow(box) != nullptr;
                },
                10000))
            return false;
        SkinMessageBox* object = SkinMessageBox::FromWindow(box);
        CommonRect rect = first ? object->FirstButtonRect() : object->SecondButtonRect();
        driver->Click((rect.Left() + rect.Right()) / 2, (rect.Top() + rect.Bottom()) / 2, box);
        return WaitFor([&] { return !IsWindow(box); }, 5000);
    }
    std::shared_ptr<PackageSteps> packageSteps = std::make_shared<PackageSteps>();
};

TEST_F(PackageRunTest, ProgressFromTheChannelThenTheFinishButtonStartsTheProduct) {
    // The program's own name carries an option and a source.
    machine.profile().moduleFileName = L"C:\\Users\\User\\Downloads\\setup_abc_2024_web.exe";
    Behave(2, 0);
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    dialog->OnCheckRunAfter();  // start-after box off: the finished page waits
    InstallAndDownload();
    // The package's own progress shows on the busy page.
    EXPECT_TRUE(WaitFor(
        [&] {
            int p = dialog->GetInstallProgress();
            return p > 0 && p < 1000;
        },
        10000));
    ASSERT_TRUE(WaitFor([&] { return packageSteps->Snapshot().taken; }, 15000));
    RunSnapshot run = packageSteps->Snapshot();
    EXPECT_EQ(run.page, PAGE_FINISHED);
    EXPECT_EQ(run.progress, 1000);
    EXPECT_TRUE(run.packageRun);
    EXPECT_EQ(run.attempts, 1);
    EXPECT_TRUE(run.processStarted);
    EXPECT_FALSE(run.declined);
    const std::wstring channel = SetupDlg::ProgressChannelName("Tessarovinde");
    EXPECT_FALSE(platform::SharedMemoryExists(channel));
    std::string install(run.installPath.begin(), run.installPath.end());
    EXPECT_EQ(InstallFile(L"package-arguments.txt"),
              "/start_mode_online /very_silent /output_progress:" + std::string(channel.begin(), channel.end()) +
                  " /desktop /install_path" + install + " /option:abc /source:web /app_from:web\n");

    EXPECT_FALSE(driver->WaitFinished(300));
    EXPECT_TRUE(InstallFile(L"started-with.txt").empty());
    driver->Click(311, 374);  // the finish button
    ASSERT_TRUE(driver->WaitFinished());
    EXPECT_TRUE(RunFlags().productStarted);
    EXPECT_EQ(GetCloseReason(), "");  // the finish button sets no reason
    EXPECT_TRUE(WaitFor([&] { return !InstallFile(L"started-with.txt").empty(); }));
    EXPECT_EQ(InstallFile(L"started-with.txt"),
              "--installmode --option abc /uimodule=abc --module=abc --ui-module=abc"
              " --installsource web /source=web --source=web --app_from=web\n");
}

TEST_F(PackageRunTest, AFailingPackageStillFinishesAndTheProductStartsAtOnce) {
    Behave(0, 7);
    ASSERT_TRUE(StartProgram());
    // No reads of the dialog from here on: it closes itself.
    InstallAndDownload();
    ASSERT_TRUE(driver->WaitFinished(15000));
    RunSnapshot run = packageSteps->Snapshot();
    EXPECT_EQ(run.page, PAGE_FINISHED);
    EXPECT_TRUE(run.packageRun);
    EXPECT_EQ(GetCloseReason(), "botton");
    EXPECT_TRUE(WaitFor([&] { return !InstallFile(L"started-with.txt").empty(); }));
    EXPECT_EQ(InstallFile(L"started-with.txt"), "--installmode --runapp\n");
}

TEST_F(PackageRunTest, DeclinedTwiceThenContinuedRunsOnTheThirdAttempt) {
    machine.profile().elevationDeclines = 2;
    Behave(0, 0);
    ASSERT_TRUE(StartProgram());
    InstallAndDownload();
    ASSERT_TRUE(AnswerElevationBox(true));
    ASSERT_TRUE(AnswerElevationBox(true));
    ASSERT_TRUE(driver->WaitFinished(15000));
    RunSnapshot run = packageSteps->Snapshot();
    EXPECT_EQ(run.attempts, 3);
    EXPECT_TRUE(run.declined);
    EXPECT_TRUE(run.continueChosen);
    EXPECT_TRUE(run.processStarted);
    EXPECT_TRUE(run.packageRun);
    EXPECT_FALSE(InstallFile(L"package-arguments.txt").empty());
}

TEST_F(PackageRunTest, DeclinedThenAbortedClosesWithoutRunning) {
    machine.profile().elevationDeclines = 1;
    ASSERT_TRUE(StartProgram());
    InstallAndDownload();
    ASSERT_TRUE(AnswerElevationBox(false));
    ASSERT_TRUE(driver->WaitFinished(10000));
    EXPECT_EQ(GetCloseReason(), "botton");
    RunSnapshot run = packageSteps->Snapshot();
    EXPECT_EQ(run.page, PAGE_FINISHED);
    EXPECT_EQ(run.attempts, 1);
    EXPECT_TRUE(run.declined);
    EXPECT_FALSE(run.continueChosen);
    EXPECT_FALSE(run.processStarted);
    EXPECT_FALSE(run.packageRun);
    EXPECT_TRUE(run.packagePath.empty());
    EXPECT_TRUE(InstallFile(L"package-arguments.txt").empty());
    EXPECT_FALSE(platform::SharedMemoryExists(SetupDlg::ProgressChannelName("Tessarovinde")));
}

TEST_F(PackageRunTest, ARunThatCannotStartShowsTheFinishedPageWithItsButton) {
    // The downloaded file is gone before the run.
    packageSteps->place = [this](const std::wstring& path) { std::filesystem::remove(Host(path)); };
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    InstallAndDownload();
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_FINISHED; }, 10000));
    EXPECT_FALSE(dialog->IsPackageRun());
    EXPECT_EQ(dialog->PackageAttempts(), 1);
    EXPECT_TRUE(WaitFor([&] { return dialog->InstallButton()->IsVisible(); }));
    EXPECT_EQ(dialog->InstallButton()->GetText(), GetLangText(9));
    EXPECT_FALSE(driver->WaitFinished(200));
}

}  // namespace
}  // namespace setuptest
