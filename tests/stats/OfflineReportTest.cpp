// The offline report's documents for scripted installs and uninstalls, byte
// for byte against golden/offline_*.json as the loopback server decoded them,
// and the start-info document with its one trace (aimed at 127.0.0.1).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <regex>
#include <string>

#include "platform/base/Environment.h"
#include "platform/base/MachineEvents.h"
#include "platform/files/FileSystem.h"
#include "stats/OfflineInstallStatsReport.h"
#include "tests/stats/GoldenFiles.h"
#include "tests/stats/RawSocketProbe.h"
#include "tests/stats/ReportFixture.h"

namespace statstest {
namespace {

class OfflineReportTest : public ReportRunTest {
protected:
    void SetUp() override {
        ReportRunTest::SetUp();
        SetStartInfoTraceTargetForTests("127.0.0.1");
        ResetStartInfoTraceForTests();
    }
    void TearDown() override {
        ResetStartInfoTraceForTests();
        SetStartInfoTraceTargetForTests("");
        ReportRunTest::TearDown();
    }

    std::unique_ptr<OfflineInstallStatsReport> MakeReport(bool installMode, const std::string& shortName = "") {
        StatsReportSettings settings = Settings();
        settings.startMode = "offline";
        if (!shortName.empty()) settings.shortName = shortName;
        auto report = std::make_unique<OfflineInstallStatsReport>(UploadUrl(), installMode, settings);
        report->SetAppFrom("");
        report->GetTokenFromCookies("C:\\Program Files\\Tessarovinde\\");
        return report;
    }

    std::vector<std::string> FirewallEvents() const {
        std::vector<std::string> lines;
        for (const std::string& line : platform::MachineEvents())
            if (line.find("RunHiddenCommand") != std::string::npos) lines.push_back(line);
        return lines;
    }
};

TEST_F(OfflineReportTest, StartDocumentsOfInstallAndUninstall) {
    for (const bool installMode : {true, false}) {
        SCOPED_TRACE(installMode ? "install" : "uninstall");
        server->ClearRequests();
        auto report = MakeReport(installMode);
        ASSERT_TRUE(report->PostStartReport());
        const auto uploads = Uploads();
        ASSERT_EQ(uploads.size(), 1u);
        EXPECT_EQ(uploads[0].target, "/api/common_json_post/?index=common_soft_install");
        EXPECT_EQ(uploads[0].PartNames(), "index,json_data");
        EXPECT_FALSE(uploads[0].encoded);
        ExpectGolden(installMode ? "offline_start_install" : "offline_start_uninstall", uploads[0].json);
    }
}

struct OfflineFinalScenario {
    const char* name;
    bool installMode;
    std::function<void(OfflineInstallStatsReport&)> script;
    const char* result;
    bool withZip;
};

TEST_F(OfflineReportTest, FinalDocumentsOfInstallsAndUninstalls) {
    const OfflineFinalScenario scenarios[] = {
        {"offline_final_success", true,
         [](OfflineInstallStatsReport& report) {
             report.OnInstallBegin();
             Advance(41);
             report.OnInstallEnd(true, 0, "", true);
             report.SetCloseState(true, false, true, true, false, true, false, 42);
         },
         "success", false},
        {"offline_final_failed", true,
         [](OfflineInstallStatsReport& report) {
             report.OnInstallBegin();
             Advance(3671);
             report.OnInstallEnd(false, 10008, "UnzipFileError", false);
             report.SetCloseState(true, true, true, false, true, false, true, -1);
         },
         "failed", true},
        // Never begun: no duration, no logs.
        {"offline_final_cancel", true, [](OfflineInstallStatsReport&) { Advance(4); }, "cancel", false},
        {"offline_final_uninstall_full", false,
         [](OfflineInstallStatsReport& report) {
             report.OnInstallBegin();
             Advance(7);
             report.OnInstallEnd(true, 0, "", false);
             report.SetUninstallInfo({false, false, "too_slow", "the preview stutters", 0});
         },
         "success", false},
        // Silent and keeping the data: no reasons, "full_uninstall" "false".
        {"offline_final_uninstall_silent", false,
         [](OfflineInstallStatsReport& report) {
             report.OnInstallBegin();
             Advance(3);
             report.OnInstallEnd(true, 0, "", false);
             report.SetUninstallInfo({true, true, "too_slow", "ignored", -1});
         },
         "success", false},
    };
    for (const OfflineFinalScenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        server->ClearRequests();
        auto report = MakeReport(scenario.installMode);
        scenario.script(*report);
        EXPECT_EQ(report->GetResultName(), scenario.result);
        ASSERT_TRUE(report->PostFinalReport());
        const auto uploads = Uploads();
        ASSERT_EQ(uploads.size(), 1u);
        const ReceivedRequest& final = uploads[0];
        EXPECT_FALSE(final.encoded);
        if (scenario.withZip) {
            EXPECT_EQ(final.PartNames(), "index,json_data,upload_type,upload_file");
            EXPECT_EQ(final.Part("upload_type")->data, scenario.result);
            EXPECT_EQ(final.zipEntries.at("install.log"), "2026-12-10 10:00:00 : Init Log OK.\r\n");
            EXPECT_EQ(final.zipEntries.at("devcon.log"), "devcon: no devices\r\n");
        } else {
            EXPECT_EQ(final.PartNames(), "index,json_data");
        }
        ExpectGolden(scenario.name, final.json);
        EXPECT_FALSE(PathFileExistsA(kZipPath));
        EXPECT_TRUE(PathFileExistsA(kLogPath));
    }
}

TEST_F(OfflineReportTest, StartInfoOnlyForTheStreamingProduct) {
    auto report = MakeReport(true);
    EXPECT_TRUE(report->PostStartInfo());
    EXPECT_TRUE(server->Requests().empty());
    EXPECT_TRUE(FirewallEvents().empty());
}

TEST_F(OfflineReportTest, StartInfoCarriesOneTraceForTheProcess) {
    if (!RawIcmpSocketsAllowed()) GTEST_SKIP() << "raw ICMP sockets need CAP_NET_RAW";
    std::string debugOutput;
    platform::SetDebugOutputCapture(&debugOutput);
    auto first = MakeReport(true, "pelmorant");
    const bool firstPosted = first->PostStartInfo();
    auto second = MakeReport(false, "pelmorant");
    const bool secondPosted = second->PostStartInfo();
    platform::SetDebugOutputCapture(nullptr);
    ASSERT_TRUE(firstPosted);
    ASSERT_TRUE(secondPosted);

    const auto uploads = Uploads();
    ASSERT_EQ(uploads.size(), 2u);
    std::string traces[2];
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(uploads[i].target, "/api/common_json_post/?index=qov_start_info_pelmorant");
        EXPECT_EQ(uploads[i].PartNames(), "index,hash,json_data");
        EXPECT_TRUE(uploads[i].encoded);
        std::smatch found;
        ASSERT_TRUE(std::regex_search(uploads[i].json, found, std::regex(R"re("op_code":"((\\.|[^"\\])*)")re")));
        traces[i] = found[1];
    }
    // The second document reuses the first trace: one firewall rule added and removed.
    EXPECT_EQ(traces[0], traces[1]);
    EXPECT_EQ(FirewallEvents().size(), 2u);
    EXPECT_NE(traces[0].find("Tracing route to 127.0.0.1, sending 3 packets"), std::string::npos);
    EXPECT_NE(traces[0].find("\\t127.0.0.1\\t["), std::string::npos);
    // The timings vary; the rest of each document is golden.
    const std::regex trace(R"re("op_code":"((\\.|[^"\\])*)")re");
    ExpectGolden("offline_start_info_install", std::regex_replace(uploads[0].json, trace, R"("op_code":"@TRACE@")"));
    ExpectGolden("offline_start_info_uninstall", std::regex_replace(uploads[1].json, trace, R"("op_code":"@TRACE@")"));
    EXPECT_NE(debugOutput.find("elapse time :\n"), std::string::npos);
}

}  // namespace
}  // namespace statstest
