// The install report's rules beside the golden documents: the result names,
// the log zip's name, the profile that could not be fetched, the debug
// switch that keeps the zip, and reports from several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "formats/json/CJsonObject.h"
#include "platform/files/FileSystem.h"
#include "stats/InstallStatsReport.h"
#include "tests/stats/StatsServerFixture.h"
#include "util/StringConvert.h"

namespace statstest {
namespace {

StatsReportSettings SettingsWithLog(const std::string& logPath) {
    StatsReportSettings settings;
    settings.runId = "00112233445566778899AABBCCDDEEFF";
    settings.shortName = "demo";
    settings.version = "2049";
    settings.logPath = logPath;
    settings.registeredUserName = "owner@example.invalid";
    return settings;
}

TEST(InstallReportResultTest, ResultNamesFollowTheStagesReached) {
    DownloadResultInfo ok;
    ok.downloadOk = true;
    DownloadResultInfo failed;
    const struct {
        const char* expected;
        std::function<void(InstallStatsReport&)> script;
    } cases[] = {
        {"cancel", [](InstallStatsReport&) {}},
        {"cancel", [&](InstallStatsReport& r) { r.OnDownloadBegin(); }},  // never marked started
        {"donwload_cancel",
         [](InstallStatsReport& r) {
             r.MarkStarted();
             r.OnDownloadBegin();
         }},
        {"downLoad_fail",
         [&](InstallStatsReport& r) {
             r.MarkStarted();
             r.OnDownloadEnd(failed);
         }},
        {"install_fail",
         [&](InstallStatsReport& r) {
             r.MarkStarted();
             r.OnDownloadEnd(ok);
         }},
        {"install_cancel",
         [&](InstallStatsReport& r) {
             r.MarkStarted();
             r.OnDownloadEnd(ok);
             r.OnInstallBegin();
         }},
        {"install_fail",
         [&](InstallStatsReport& r) {
             r.MarkStarted();
             r.OnDownloadEnd(ok);
             r.OnInstallBegin();
             r.OnInstallEnd(false, 3, "exit 3", false);
         }},
        {"success",
         [&](InstallStatsReport& r) {
             r.MarkStarted();
             r.OnDownloadEnd(ok);
             r.OnInstallBegin();
             r.OnInstallEnd(true, 0, "", true);
         }},
        // A retried download that has begun again is a cancelled download.
        {"donwload_cancel",
         [&](InstallStatsReport& r) {
             r.MarkStarted();
             r.OnDownloadEnd(failed);
             r.OnDownloadBegin();
         }},
    };
    for (const auto& c : cases) {
        InstallStatsReport report("https://127.0.0.1:1/", SettingsWithLog(""));
        c.script(report);
        EXPECT_EQ(report.GetResultName(), c.expected);
    }
}

class InstallReportTest : public StatsServerTest {
protected:
    void SetUp() override {
        StatsServerTest::SetUp();
        CreateDirectoryW(L"C:\\Logs", nullptr);
        CreateDirectoryW(L"C:\\Logs\\my.logs", nullptr);
    }
};

TEST_F(InstallReportTest, OnlyTheLogFilesOwnExtensionBecomesZip) {
    const struct {
        const char* log;
        const char* zip;
    } cases[] = {
        {"C:\\Logs\\my.logs\\install.log", "C:\\Logs\\my.logs\\install.zip"},
        {"C:\\Logs\\my.logs\\setup.log.txt", "C:\\Logs\\my.logs\\setup.log.txt.zip"},
    };
    for (const auto& c : cases) {
        WriteHostFile(Host(ToWideString(c.log)), "log line\r\n");
        InstallStatsReport report(UploadUrl(), SettingsWithLog(c.log));
        EXPECT_EQ(report.MakeLogZip(), c.zip);
        EXPECT_TRUE(PathFileExistsA(c.zip));
    }
    // A zip that cannot be made is not attached.
    InstallStatsReport nowhere(UploadUrl(), SettingsWithLog("C:\\NoSuchFolder\\install.log"));
    EXPECT_EQ(nowhere.MakeLogZip(), "");
    nowhere.MarkStarted();
    ASSERT_TRUE(nowhere.PostFinalReport(CloseStatsInfo()));  // "donwload_cancel" asks for the logs
    EXPECT_EQ(server->Requests().back().PartNames(), "index,json_data");
}

TEST_F(InstallReportTest, WithoutAProfileTheUserSectionComesFromTheRegisteredName) {
    server->SetProfileReplies({}, ProfileAnswer("1", ""));
    InstallStatsReport report(UploadUrl(), SettingsWithLog("C:\\Logs\\install.log"));
    const std::string text = report.BuildFinalDocument(CloseStatsInfo());
    CJsonObject document(text);
    std::string mail, token, missing, missingError;
    CJsonObject user, install;
    ASSERT_TRUE(document.Get("user_info", user));
    EXPECT_TRUE(user.Get("mail", mail));
    EXPECT_EQ(mail, "owner@example.invalid");
    EXPECT_TRUE(user.Get("token_id", token));
    EXPECT_EQ(token, "");
    EXPECT_EQ(text.rfind(R"({"user_info":{"machine_id":)", 0), 0u) << text;
    // The fetch went through but brought no token.
    ASSERT_TRUE(document.Get("install", install));
    EXPECT_TRUE(install.Get("use_cookies_token", missing));
    EXPECT_EQ(missing, "true");
    std::int32_t code = -1;
    EXPECT_TRUE(install.Get("use_cookies_token_error", code));
    EXPECT_EQ(code, 0);
    // The close reason as the dialog left it; the dialog maps "" to "other".
    EXPECT_NE(text.find(R"("close_way":"")"), std::string::npos);
}

TEST_F(InstallReportTest, TheDebugSwitchSendsAndKeepsTheLogs) {
    WriteHostFile(Host(machine.machine().DocumentsFolder() + L"\\QovDebugConfig.ini"),
                  "[root]\r\ntest_token_from_cookies=1\r\n");
    WriteHostFile(Host(L"C:\\Logs\\install.log"), "log line\r\n");
    InstallStatsReport report(UploadUrl(), SettingsWithLog("C:\\Logs\\install.log"));
    ASSERT_TRUE(report.PostFinalReport(CloseStatsInfo()));  // "cancel" alone sends none
    const auto requests = server->Requests();
    EXPECT_EQ(requests.back().PartNames(), "index,json_data,upload_type,upload_file");
    EXPECT_EQ(requests.back().Part("upload_type")->data, "cancel");
    EXPECT_EQ(requests.back().zipEntries.at("install.log"), "log line\r\n");
    EXPECT_TRUE(PathFileExistsA("C:\\Logs\\install.zip"));
}

// Every operation from its own thread at once; ThreadSanitizer checks the locks.
TEST_F(InstallReportTest, ThreadsReportAtOnce) {
    server->SetProfileReplies({}, ProfileAnswer("0", R"({"api_version":1,"user_info":{"token_id":"t"}})"));
    InstallStatsReport report(UploadUrl(), SettingsWithLog("C:\\Logs\\install.log"));
    report.GetTokenFromCookies("C:\\Logs\\");
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (int i = 0; !stop; ++i) {
            report.SetSpeed(i % 100, i, i / 2, i % 2 == 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    threads.emplace_back([&] {
        for (int i = 0; !stop; ++i) {
            report.OnDownloadBegin();
            DownloadResultInfo result;
            result.usedMirrors.resize(2);
            result.downloadOk = true;
            report.OnDownloadEnd(result);
            report.GetResultName();
        }
    });
    std::vector<int> posted(3, 0);
    threads.emplace_back([&] { posted[0] = report.PostStartReport(); });
    threads.emplace_back([&] { posted[1] = report.PostRangeErrorReport(); });
    threads.emplace_back([&] { posted[2] = report.PostFinalReport(CloseStatsInfo()); });
    for (std::size_t i = 2; i < threads.size(); ++i) threads[i].join();
    stop = true;
    threads[0].join();
    threads[1].join();
    EXPECT_EQ(posted, std::vector<int>(3, 1));
    // One fetch served all three documents.
    std::size_t profileRequests = 0;
    for (const ReceivedRequest& request : server->Requests()) profileRequests += request.target == "/api/user/info";
    EXPECT_LE(profileRequests, 2u);
}

}  // namespace
}  // namespace statstest
