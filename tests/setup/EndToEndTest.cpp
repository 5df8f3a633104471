// The online road end to end on loopback: the real download engine fetches
// the padded stand-in package from five rig mirrors, the installer runs it
// with its progress channel, shows the finished page, opens the finish page
// and starts the product, and its statistics reach the loopback statistics
// server; a second run finds the package downloaded and transfers nothing.
// A corrupt block and a stalling mirror end installed too.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/MachineEvents.h"
#include "platform/base/Resources.h"
#include "platform/kernel/SharedMemory.h"
#include "setup/ProductConfig.h"
#include "setup/ProductDeployment.h"
#include "setup/RunFlags.h"
#include "stats/StatsTransport.h"
#include "tests/download/rig/MirrorRig.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "tests/stats/server/StatsServer.h"
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
        // The reports go to the loopback statistics server, trusting its CA only.
        savedTransport = GetStatsTransportSettings();
        ASSERT_TRUE(ca.Ok());
        statstest::StatsServerOptions options;
        options.identity = ca.IssueServerCertificate();
        stats = std::make_unique<statstest::StatsServer>(options);
        ASSERT_TRUE(stats->Start());
        StatsTransportSettings transport;
        transport.caBundle = ca.WriteBundle();
        transport.connectTimeoutMs = 2000;
        transport.totalTimeoutMs = 5000;
        SetStatsTransportSettings(transport);
        deployment::SetStatsHost(stats->Host());
    }
    void TearDown() override {
        // A failed case shows the install log: the road's own account of what went wrong.
        if (HasFailure()) std::printf("---- install.log ----\n%s---- end of install.log ----\n", Log().c_str());
        SetupProgramTest::TearDown();
        WaitForReleasedDownloaders();  // the engines' deletion threads are joined
        if (mirrors) mirrors->Stop();
        if (stats) stats->Stop();
        deployment::SetStatsHost("");
        SetStatsTransportSettings(savedTransport);
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
    // The whole road against mirrors set up as `configs`: it ends on page 2
    // with the right package run and the product started.
    void InstallsFrom(const std::vector<rig::MirrorConfig>& configs) {
        ASSERT_TRUE(StartMirrors(configs));
        std::shared_ptr<RecordingSteps> run = RunOnce();
        EXPECT_EQ(run->page, PAGE_FINISHED);
        EXPECT_TRUE(run->packageRun);
        EXPECT_EQ(rig::DigestHostFile(Target()), rig::DigestPackage(mirrors->Package()).whole);
        EXPECT_TRUE(WaitFor([&] { return !InstallFile(L"started-with.txt").empty(); }));
        EXPECT_EQ(InstallFile(L"started-with.txt"), "--installmode --runapp\n");
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
        EXPECT_EQ(exitCode.load(), 0);
        return real;
    }
    std::string Target() {
        return Host(machine.machine().UserProfileFolder() + L"\\Downloads\\" + GetCompanyDataFolderW() +
                    L"\\Tessarovinde(1.0.7.2).exe");
    }
    std::string Log() {
        return ReadHostFile(
            Host(machine.machine().DocumentsFolder() + L"\\" + GetCompanyDataFolderW() + L"\\Log\\install.log"));
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

    // The statistics documents received, in order of arrival.
    std::vector<std::string> Documents() const {
        std::vector<std::string> documents;
        for (const statstest::ReceivedRequest& request : stats->Requests())
            if (!request.json.empty()) documents.push_back(request.json);
        return documents;
    }
    // The documents whose install status is `status`.
    std::vector<std::string> DocumentsWithStatus(const std::string& status) const {
        std::vector<std::string> found;
        for (const std::string& document : Documents())
            if (document.find("\"install_status\":\"" + status + "\"") != std::string::npos) found.push_back(document);
        return found;
    }
    // The web pages the program asked the shell to open.
    static std::vector<std::string> OpenedPages() {
        std::vector<std::string> urls;
        for (const std::string& event : platform::MachineEvents())
            if (event.rfind("ShellExecute open ", 0) == 0) urls.push_back(event.substr(18));
        return urls;
    }
    static bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

    std::unique_ptr<rig::MirrorRig> mirrors;
    std::string savedManifest;
    statstest::TestCa ca{"end-to-end statistics CA"};
    std::unique_ptr<statstest::StatsServer> stats;
    StatsTransportSettings savedTransport;
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
    // The finish page, opened once with its parameters.
    const std::vector<std::string> pages = OpenedPages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].rfind("https://tessarovinde.invalid/thanks-for-installing-tessarovinde?", 0), 0u) << pages[0];
    EXPECT_TRUE(Has(pages[0], "c_wh=install")) << pages[0];
    // The statistics: the start document, then the final one of a success
    // closed by the product's start, with every mirror used.
    const std::vector<std::string> starts = DocumentsWithStatus("start");
    const std::vector<std::string> finals = DocumentsWithStatus("success");
    ASSERT_EQ(starts.size(), 1u);
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_TRUE(Has(starts[0], "\"install_way\":\"online\"")) << starts[0];
    for (const char* piece : {"\"close_way\":\"botton\"", "\"progress_rate\":", "\"download_last_error\":\"NoError\"",
                              "\"show_thankyou\":\"true\"", "\"run_app\":", "\"used_url_info\":[{"})
        EXPECT_TRUE(Has(finals[0], piece)) << piece << " in " << finals[0];
    // The painter hands the report its figures with each frame of the download;
    // a download that ends between two frames leaves them all at 0.
    if (!Has(finals[0], "\"progress_rate\":0,")) {
        EXPECT_FALSE(Has(finals[0], "\"average_speed\":0,")) << finals[0];
    }
    // The user-profile request goes to the statistics server too.
    int profileRequests = 0;
    for (const statstest::ReceivedRequest& request : stats->Requests())
        profileRequests += request.target.rfind("/api/user/info", 0) == 0;
    EXPECT_GE(profileRequests, 1);
    stats->ClearRequests();

    // The second run finds the complete package and runs it again.
    run = RunOnce();
    EXPECT_EQ(run->page, PAGE_FINISHED);
    EXPECT_TRUE(run->packageRun);
    EXPECT_EQ(BytesServed(), served);
    EXPECT_TRUE(WaitFor([&] { return InstallFile(L"started-with.txt").size() > 23; }));
    EXPECT_EQ(InstallFile(L"started-with.txt"), "--installmode --runapp\n--installmode --runapp\n");
    EXPECT_EQ(DocumentsWithStatus("start").size(), 1u);
    EXPECT_EQ(DocumentsWithStatus("success").size(), 1u);
}

TEST_F(EndToEndTest, ACorruptBlockIsRepairedAndTheInstallEnds) {
    std::vector<rig::MirrorConfig> configs(5);
    rig::Fault corrupt;
    corrupt.kind = rig::FaultKind::Corrupt;
    // One mirror corrupts, once, the block holding the first byte it serves.
    // (With every mirror corrupting once, a repair could meet a mirror whose
    // corruption was still to come, in each of the three rounds.)
    corrupt.afterBytes = 1;
    corrupt.times = 1;
    configs[2].faults.push_back(corrupt);
    ASSERT_NO_FATAL_FAILURE(InstallsFrom(configs));
    ExpectInOrder(Log(), {"Download_RepairData : GetBestURL Info", "Download Finish Result : succeed(5).",
                          "Begin install..."});
    // The final document names the mirror the block came from again.
    const std::vector<std::string> finals = DocumentsWithStatus("success");
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_TRUE(Has(finals[0], "\"repair_link\":\"http://127.")) << finals[0];
}

TEST_F(EndToEndTest, AStallingMirrorIsLeftForAnotherAndTheInstallEnds) {
    std::vector<rig::MirrorConfig> configs(5);
    rig::Fault stall;
    stall.kind = rig::FaultKind::Stall;
    // Every answer of the second mirror stops after 64 KiB. Splits always leave
    // a part more than that, so no split can end the mirror's part before its
    // stall, however slowly it starts under load.
    stall.afterBytes = 65536;
    configs[1].faults.push_back(stall);
    ASSERT_NO_FATAL_FAILURE(InstallsFrom(configs));
    ExpectInOrder(Log(), {"http error(Timeout was reached)", "Download_Dispatch: Retrying failed item",
                          "Download_Dispatch: Creating new item", "Download Finish Result : succeed(5).",
                          "Begin install...", "RunPackage: the package ended with 0."});
    const std::vector<std::string> finals = DocumentsWithStatus("success");
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_TRUE(Has(finals[0], "\"has_download_error\":1")) << finals[0];
}

}  // namespace
}  // namespace setuptest
