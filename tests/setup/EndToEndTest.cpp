// The online road end to end on loopback: the real download engine fetches
// the padded stand-in package from five rig mirrors, the installer runs it
// with its progress channel, shows the finished page and starts the product;
// a second run finds the package downloaded and transfers nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/Resources.h"
#include "platform/kernel/SharedMemory.h"
#include "setup/ProductConfig.h"
#include "setup/RunFlags.h"
#include "tests/download/rig/MirrorRig.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "util/ShellPaths.h"

namespace setuptest {
namespace {

// The program's steps, with what the dialog held when the package run returned.
class RecordingSteps : public EngineInstallSteps {
public:
    void RunPackage(SetupDlg& dialog) override {
        dialog.RunPackage();
        page = dialog.GetPageState();
        progress = dialog.GetInstallProgress();
        packageRun = dialog.IsPackageRun();
    }
    std::atomic<int> page{-1}, progress{-1};
    std::atomic<bool> packageRun{false};
};

class EndToEndTest : public SetupProgramTest {
protected:
    void SetUp() override {
        SetupProgramTest::SetUp();
        std::string saved;
        if (LoadResourceData(502, L"xml", saved)) savedManifest = saved;
        WriteHostFile(Host(machine.machine().TempFolder() + L"\\stand_in_package.ini"),
                      "[package]\nseconds=1\nsteps=10\n");
    }
    void TearDown() override {
        SetupProgramTest::TearDown();
        WaitForReleasedDownloaders();  // the engines' deletion threads are joined
        if (mirrors) mirrors->Stop();
        platform::RegisterResource(L"xml", MAKEINTRESOURCEW(502), savedManifest);
    }
    bool StartMirrors(const std::vector<rig::MirrorConfig>& configs) {
        mirrors = std::make_unique<rig::MirrorRig>(rig::Content::FromFile(STAND_IN_PACKAGE_PADDED));
        if (mirrors->Package().size == 0) return false;
        std::string error;
        if (!mirrors->Start(configs, {}, &error)) {
            ADD_FAILURE() << error;
            return false;
        }
        std::vector<std::string> urls;
        for (int i = 0; i < mirrors->MirrorCount(); ++i) urls.push_back(mirrors->Url(i));
        platform::RegisterResource(L"xml", MAKEINTRESOURCEW(502), rig::GenerateManifest(mirrors->Package(), urls));
        return true;
    }
    std::uint64_t BytesServed() const {
        std::uint64_t bytes = 0;
        for (int i = 0; i < mirrors->MirrorCount(); ++i) bytes += mirrors->PackageBytesServed(i);
        return bytes;
    }
    // One run of the program: install clicked, the dialog closes by itself
    // once the product has started.
    std::shared_ptr<RecordingSteps> RunOnce() {
        ResetRun();
        auto real = std::make_shared<RecordingSteps>();
        EXPECT_TRUE(StartProgram());
        if (Dialog() == nullptr) return real;
        Dialog()->SetInstallSteps(real);
        driver->Click(311, 374);
        EXPECT_TRUE(driver->WaitFinished(120000));
        return real;
    }
    std::string Target() {
        return Host(machine.machine().UserProfileFolder() + L"\\Downloads\\" + GetCompanyDataFolderW() +
                    L"\\Tessarovinde(1.0.7.2).exe");
    }
    std::string Log() {
        return ReadHostFile(Host(machine.machine().DocumentsFolder() + L"\\" + GetCompanyDataFolderW() +
                                 L"\\Log\\install.log"));
    }
    std::string InstallFile(const wchar_t* name) {
        return ReadHostFile(Host(L"C:\\Program Files\\Tessarovinde\\Tessarovinde\\" + std::wstring(name)));
    }
    // The lines appear in this order in the log.
    void ExpectInOrder(const std::string& log, const std::vector<std::string>& lines) {
        size_t at = 0;
        for (const std::string& line : lines) {
            size_t found = log.find(line, at);
            EXPECT_NE(found, std::string::npos) << "missing after offset " << at << ": " << line;
            if (found != std::string::npos) at = found + line.size();
        }
    }

    std::unique_ptr<rig::MirrorRig> mirrors;
    std::string savedManifest;
};

TEST_F(EndToEndTest, DownloadsRunsThePackageStartsTheProductAndThenNeedsNoSecondDownload) {
    ASSERT_TRUE(StartMirrors(std::vector<rig::MirrorConfig>(5)));
    std::shared_ptr<RecordingSteps> run = RunOnce();
    EXPECT_EQ(run->page, PAGE_FINISHED);
    EXPECT_EQ(run->progress, 1000);
    EXPECT_TRUE(run->packageRun);
    EXPECT_EQ(GetCloseReason(), "botton");
    EXPECT_EQ(rig::DigestHostFile(Target()), rig::DigestPackage(mirrors->Package()).whole);
    EXPECT_FALSE(std::filesystem::exists(Target() + ".cfg"));
    EXPECT_FALSE(platform::SharedMemoryExists(SetupDlg::ProgressChannelName("Tessarovinde")));
    EXPECT_TRUE(WaitFor([&] { return !InstallFile(L"started-with.txt").empty(); }));
    EXPECT_EQ(InstallFile(L"started-with.txt"), "--installmode --runapp\n");
    ExpectInOrder(Log(), {"SetupDlg::OnBtnInstall, eInstall(0).", "OnBtnInstall(OnInstall)",
                          "Download Finish Result : succeed(5).", "Begin install...",
                          "RunPackage: the package ended with 0.", "Run Qov!!! ", "Finish and Close Setup!"});
    const std::uint64_t served = BytesServed();
    EXPECT_GE(served, mirrors->Package().size);

    // The second run finds the complete package and runs it again.
    run = RunOnce();
    EXPECT_EQ(run->page, PAGE_FINISHED);
    EXPECT_TRUE(run->packageRun);
    EXPECT_EQ(BytesServed(), served);
    EXPECT_EQ(InstallFile(L"started-with.txt"), "--installmode --runapp\n--installmode --runapp\n");
}

TEST_F(EndToEndTest, ACorruptBlockIsRepairedAndTheInstallEnds) {
    std::vector<rig::MirrorConfig> configs(5);
    rig::Fault corrupt;
    corrupt.kind = rig::FaultKind::Corrupt;
    corrupt.offset = 2;  // the third 1 MiB block, once
    corrupt.times = 1;
    for (rig::MirrorConfig& config : configs) config.faults.push_back(corrupt);
    ASSERT_TRUE(StartMirrors(configs));
    std::shared_ptr<RecordingSteps> run = RunOnce();
    EXPECT_EQ(run->page, PAGE_FINISHED);
    EXPECT_TRUE(run->packageRun);
    EXPECT_EQ(rig::DigestHostFile(Target()), rig::DigestPackage(mirrors->Package()).whole);
    EXPECT_EQ(InstallFile(L"started-with.txt"), "--installmode --runapp\n");
    ExpectInOrder(Log(), {"Download_RepairData : GetBestURL Info", "Download Finish Result : succeed(5).",
                          "Begin install..."});
}

}  // namespace
}  // namespace setuptest
