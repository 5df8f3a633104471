// The install report's documents for scripted runs, byte for byte against
// the golden files in golden/ (key order included), as the loopback server
// received and decoded them. The local time and the profile's update date
// are the only values that change from run to run; they are written as
// "@LOCALTIME@" and "@TODAY@" in the golden files.
//
// STATS_GOLDEN_WRITE=1 writes the files anew instead of comparing (review
// the difference before committing it).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/files/FileSystem.h"
#include "stats/InstallStatsReport.h"
#include "tests/stats/GoldenFiles.h"
#include "tests/stats/ReportFixture.h"

namespace statstest {
namespace {

DownloadResultInfo Download(bool ok) {
    DownloadResultInfo result;
    MirrorStatsRecord first;
    first.url = "https://m1.invalid/download/setup.exe";
    first.sizeConsistent = true;
    first.ping = 23;
    first.host = "m1.invalid";
    first.networkNotFull = true;
    first.pingOk = true;
    first.manifestSize = 73400320;
    first.headSize = 73400320;
    MirrorStatsRecord second = first;
    second.url = "https://m2.invalid/download/setup.exe";
    second.host = "m2.invalid";
    second.ping = 0;
    second.pingOk = false;
    second.networkNotFull = false;
    second.headSize = 0;
    second.sizeConsistent = false;
    result.allMirrors = {first, second};
    MirrorStatsRecord used = first;
    used.downloadedKb = ok ? 71680 : 20480;
    used.averageSpeedKb = 2048;
    used.hasError = !ok;
    used.curlErrorCode = ok ? 0 : 28;
    used.errorTimeMs = ok ? 0 : 35000;
    used.curlErrorText = ok ? "" : "Timeout was reached";
    used.switchReasons = ok ? "" : "timeOut,";
    result.usedMirrors = {used};
    result.cdnDownloadedKb = ok ? 0 : 512.75;
    result.cdnAverageSpeedKb = ok ? 0 : 900;
    result.downloadOk = ok;
    result.downloadErrorCode = ok ? 0 : 7;
    result.downloadErrorName = ok ? "NoError" : "DispatchFailError";
    result.curlError = ok ? 0 : 28;
    result.lastFailLink = ok ? "" : "https://m1.invalid/download/setup.exe";
    result.timeoutUsedCdn = !ok;
    return result;
}

class InstallReportGoldenTest : public ReportRunTest {
protected:
    // The report with its cookie scan done, as the dialog makes it.
    std::unique_ptr<InstallStatsReport> MakeReport() {
        auto report = std::make_unique<InstallStatsReport>(UploadUrl(), Settings());
        report->SetAppFrom("");
        report->GetTokenFromCookies("C:\\Program Files\\Tessarovinde\\");
        return report;
    }
};

TEST_F(InstallReportGoldenTest, StartAndRangeErrorDocuments) {
    auto report = MakeReport();
    ASSERT_TRUE(report->PostStartReport());
    report->MarkStarted();
    report->OnDownloadBegin();
    Advance(12);
    ASSERT_TRUE(report->PostRangeErrorReport());
    const auto uploads = Uploads();
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_EQ(uploads[0].PartNames(), "index,hash,json_data");
    EXPECT_TRUE(uploads[0].encoded);
    ExpectGolden("start", uploads[0].json);
    EXPECT_EQ(uploads[1].PartNames(), "index,json_data,upload_type,upload_file");
    EXPECT_EQ(uploads[1].Part("upload_type")->data, "download_curl_range_error");
    EXPECT_EQ(uploads[1].Part("upload_file")->fileName, "install.zip");
    EXPECT_EQ(uploads[1].zipEntries.at("install.log"), "2026-12-10 10:00:00 : Init Log OK.\r\n");
    EXPECT_EQ(uploads[1].zipEntries.at("devcon.log"), "devcon: no devices\r\n");
    ExpectGolden("range_error", uploads[1].json);
    // The zip is gone once it was sent; the log stays.
    EXPECT_FALSE(PathFileExistsA(kZipPath));
    EXPECT_TRUE(PathFileExistsA(kLogPath));
}

struct FinalScenario {
    const char* name;
    std::function<void(InstallStatsReport&)> script;
    CloseStatsInfo close;
    const char* result;
    bool withZip;
};

CloseStatsInfo Close(const std::string& reason) {
    CloseStatsInfo close;
    close.closeReason = reason;
    return close;
}

TEST_F(InstallReportGoldenTest, FinalDocumentsOfFourRuns) {
    CloseStatsInfo declined = Close("other");
    declined.elevationAsked = true;
    declined.callReturned = true;
    declined.elevationDeclined = true;
    declined.autoRunApp = false;
    CloseStatsInfo finished = Close("botton");
    finished.elevationAsked = true;
    finished.continueChosen = true;
    finished.processStarted = true;
    finished.callReturned = true;
    finished.pageOpenResult = 42;
    finished.runApp = true;
    const FinalScenario scenarios[] = {
        {"final_success",
         [](InstallStatsReport& report) {
             report.MarkStarted();
             report.OnDownloadBegin();
             report.SetSpeed(50, 3 * 1024 * 1024, 2 * 1024 * 1024, false);
             Advance(75);
             report.SetSpeed(100, 0, 2 * 1024 * 1024 + 512, false);
             report.OnDownloadEnd(Download(true));
             Advance(2);
             report.OnInstallBegin();
             Advance(41);
             report.OnInstallEnd(true, 0, "", true);
             Advance(5);
         },
         finished, "success", false},
        {"final_download_fail",
         [](InstallStatsReport& report) {
             report.MarkStarted();
             report.OnDownloadBegin();
             report.SetSpeed(27, 800, 700, true);
             Advance(3671);
             report.OnDownloadEnd(Download(false));
             Advance(9);
         },
         Close("other"), "downLoad_fail", true},
        {"final_cancel", [](InstallStatsReport&) { Advance(4); }, Close("close_btn"), "cancel", false},
        {"final_uac_cancel",
         [](InstallStatsReport& report) {
             report.MarkStarted();
             report.OnDownloadBegin();
             Advance(60);
             report.OnDownloadEnd(Download(true));
             report.OnInstallBegin();
             Advance(8);
         },
         declined, "uac_cancel", false},
    };
    for (const FinalScenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        server->ClearRequests();
        auto report = MakeReport();
        ASSERT_TRUE(report->PostStartReport());
        scenario.script(*report);
        ASSERT_TRUE(report->PostFinalReport(scenario.close));
        const auto uploads = Uploads();
        ASSERT_EQ(uploads.size(), 2u);
        const ReceivedRequest& final = uploads[1];
        EXPECT_FALSE(final.encoded);
        if (scenario.withZip) {
            EXPECT_EQ(final.PartNames(), "index,json_data,upload_type,upload_file");
            EXPECT_EQ(final.Part("upload_type")->data, scenario.result);
            EXPECT_EQ(final.zipEntries.size(), 2u);
        } else {
            EXPECT_EQ(final.PartNames(), "index,json_data");
        }
        EXPECT_NE(final.json.find(std::string("\"install_status\":\"") + scenario.result + "\""), std::string::npos);
        ExpectGolden(scenario.name, final.json);
        EXPECT_FALSE(PathFileExistsA(kZipPath));
    }
}

}  // namespace
}  // namespace statstest
