// The user-profile client: the request, the answer table, the refresh rule
// with dates, the token cache file and the e-mail update.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include <boost/date_time/gregorian/gregorian.hpp>

#include "formats/json/CJsonObject.h"
#include "platform/base/Clock.h"
#include "platform/files/FileSystem.h"
#include "stats/ProfileReply.h"
#include "stats/StatsClient.h"
#include "stats/WebStatsManager.h"
#include "tests/stats/StatsServerFixture.h"
#include "util/Base64.h"

namespace statstest {
namespace {

std::mutex g_logLock;
std::vector<std::string> g_logLines;

void CaptureLog(const char* format, ...) {
    char buffer[4096];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    std::lock_guard<std::mutex> guard(g_logLock);
    g_logLines.push_back(buffer);
}

std::vector<std::string> TakeLog() {
    std::lock_guard<std::mutex> guard(g_logLock);
    std::vector<std::string> lines;
    lines.swap(g_logLines);
    return lines;
}

bool Logged(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

const boost::gregorian::date kToday(2026, 12, 9);

TEST(ProfileReplyTest, TheRefreshRuleWithDates) {
    const std::string fresh = R"({"cscode":0,"data":{"api_version":3,"user_info":{"token_id":"new"}}})";
    auto cache = [](const std::string& version, const std::string& user, const std::string& date) {
        std::string text = "{" + version;
        if (!user.empty()) text += "," + user;
        if (!date.empty()) text += R"(,"update_time":")" + date + "\"";
        return text + "}";
    };
    using Outcome = ProfileCheckResult::Outcome;
    const std::string token = R"("user_info":{"token_id":"old"})";
    const struct {
        const char* what;
        std::string cache;
        bool force;
        Outcome outcome;
    } cases[] = {
        {"30 days old", cache(R"("api_version":3)", token, "2026-Nov-09"), false, Outcome::Kept},
        {"31 days old", cache(R"("api_version":3)", token, "2026-Nov-08"), false, Outcome::Refreshed},
        {"in the future", cache(R"("api_version":3)", token, "2027-Jan-01"), false, Outcome::Kept},
        {"today, forced", cache(R"("api_version":3)", token, "2026-Dec-09"), true, Outcome::Refreshed},
        {"empty token", cache(R"("api_version":3)", R"("user_info":{"token_id":""})", "2026-Dec-09"), false,
         Outcome::Refreshed},
        {"no user_info", cache(R"("api_version":3)", "", "2026-Dec-09"), false, Outcome::Kept},
        {"other api version", cache(R"("api_version":2)", token, "2026-Dec-09"), false, Outcome::Refreshed},
        {"no update_time", cache(R"("api_version":3)", token, ""), false, Outcome::Refreshed},
        {"empty cache", "", false, Outcome::Refreshed},
        // A date that does not parse is an exception in the check: logged, cache unchanged.
        {"not a date", cache(R"("api_version":3)", token, "yesterday"), false, Outcome::Rejected},
        // Numbers the date parser would overflow on are refused before it.
        {"a five-digit year", cache(R"("api_version":3)", token, "20260-Dec-09"), false, Outcome::Rejected},
        {"a long day number", cache(R"("api_version":3)", token, "2026-12-0285555"), false, Outcome::Rejected},
        {"numeric form", cache(R"("api_version":3)", token, "2026-12-09"), false, Outcome::Kept},
    };
    for (const auto& c : cases) {
        TakeLog();
        const ProfileCheckResult result = EvaluateProfileReply(fresh, c.cache, kToday, c.force, CaptureLog);
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        if (c.outcome == Outcome::Refreshed) {
            EXPECT_EQ(result.cache, R"({"api_version":3,"user_info":{"token_id":"new"},"update_time":"2026-Dec-09"})");
        }
        if (c.outcome == Outcome::Rejected) {
            EXPECT_TRUE(Logged(TakeLog(), "catch exception")) << c.what;
        }
    }
}

TEST(ProfileReplyTest, AnswerTable) {
    using Outcome = ProfileCheckResult::Outcome;
    const struct {
        const char* reply;
        Outcome outcome;
        const char* log;
    } cases[] = {
        {R"({"cscode":0,"data":{"api_version":1,"user_info":{"token_id":"t"}}})", Outcome::Refreshed,
         "Check web api version,1.0"},
        {R"({"cscode":1,"data":{"api_version":1}})", Outcome::Rejected, "Get cscode from Web stats failed, "},
        {R"({"cscode":"0","data":{"api_version":1}})", Outcome::Rejected, "Get cscode from Web stats failed, "},
        {R"({"data":{"api_version":1}})", Outcome::Rejected, "Get cscode from Web stats failed, "},
        {R"({"cscode":0})", Outcome::Rejected, "Get data from Web stats failed, {\"cscode\":0}"},
        {R"({"cscode":0,"data":"x"})", Outcome::Rejected, "Get data from Web stats failed, "},
        {R"({"cscode":0,"data":{"user_info":{}}})", Outcome::Rejected, "Parse api version failed,"},
        {"<html>", Outcome::Rejected, "Get cscode from Web stats failed, <html>"},
    };
    for (const auto& c : cases) {
        TakeLog();
        EXPECT_EQ(EvaluateProfileReply(c.reply, "", kToday, false, CaptureLog).outcome, c.outcome) << c.reply;
        EXPECT_TRUE(Logged(TakeLog(), c.log)) << c.reply;
    }
    // A "data" that brings its own "update_time" gets ours in its place, once.
    const ProfileCheckResult result =
        EvaluateProfileReply(R"({"cscode":0,"data":{"update_time":"1999-Jan-01","api_version":1}})", "", kToday, false,
                             nullptr);
    EXPECT_EQ(result.cache, R"({"api_version":1,"update_time":"2026-Dec-09"})");
}

class ProfileClientTest : public StatsServerTest {
protected:
    WebStatsConfig Config() const {
        WebStatsConfig config;
        config.app_id = "demo";
        config.app_platform = "x64";
        config.email = "";
        config.machine_id = "00-1a-2b-3c-4d-5e";
        config.domain = "demo\"quoted\".invalid";
        config.cacheDirectory = "C:\\cache\\";
        config.region = "ENU";
        return config;
    }

    // One check, waited for as the statistics client does.
    static void RunCheck(IWebStatsManager& manager) {
        manager.StartCheck();
        for (int i = 0; i < 500 && !manager.IsCheckDone(); ++i) Sleep(20);
        ASSERT_TRUE(manager.IsCheckDone());
        manager.JoinAll();
    }

    boost::shared_ptr<IWebStatsManager> Make(const WebStatsConfig& config) {
        boost::shared_ptr<IWebStatsManager> manager;
        EXPECT_TRUE(CreateWebStatsManager(config, manager));
        manager->SetLogCallback(CaptureLog);
        EXPECT_TRUE(manager->Init());
        return manager;
    }

    void SetUp() override {
        StatsServerTest::SetUp();
        CreateDirectoryW(L"C:\\cache", nullptr);
        TakeLog();
    }
};

TEST_F(ProfileClientTest, TheRequestAndAnAcceptedAnswer) {
    server->SetProfileReplies(
        {}, ProfileAnswer("0", R"({"api_version":5,"user_info":{"token_id":"tok-1","new_token_id":"tok-2"}})"));
    auto manager = Make(Config());
    EXPECT_TRUE(manager->IsCheckDone());  // before any check
    RunCheck(*manager);
    const auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/api/user/info");
    EXPECT_EQ(requests[0].headers.at("content-type"), "application/json");
    EXPECT_EQ(requests[0].headers.at("charsets"), "utf-8");
    EXPECT_EQ(requests[0].headers.at("user-agent"), "QovApp/3.0");
    EXPECT_EQ(requests[0].body, R"({"machine_id":"00-1a-2b-3c-4d-5e","email":"","domain":"demo\"quoted\".invalid",)"
                                R"("app_id":"demo","app_platform":"x64","app_version":"1"})");
    CJsonObject cache(manager->GetCacheText());
    std::string updated;
    ASSERT_TRUE(cache.Get("update_time", updated));
    EXPECT_EQ(updated, SimpleDateText(LocalToday()));
    EXPECT_EQ(manager->GetTokenId(), "tok-1");
    EXPECT_EQ(manager->GetNewTokenId(), "tok-2");
    // Nothing was written: the cache file is the write-cache flag's.
    EXPECT_FALSE(PathFileExistsA("C:\\cache\\65518339-F04A-4B70-839E-FD168961FDV1"));
}

TEST_F(ProfileClientTest, RejectedAndFailedAnswersLeaveTheCache) {
    const struct {
        ReplyPlan plan;
        const char* log;
        std::size_t requests;
    } cases[] = {
        {ProfileAnswer("1", R"({"api_version":1})"), "Get cscode from Web stats failed", 1},
        {ProfileAnswer(R"("0")", R"({"api_version":1})"), "Get cscode from Web stats failed", 1},
        {ProfileAnswer("0", ""), "Get data from Web stats failed", 1},
        {ReplyPlan(ReplyKind::ServerError), "Get cscode from Web stats failed", 1},
        // Three transfers back to back, then the transport's error.
        {ReplyPlan(ReplyKind::Drop), "error curl post: ", 3},
    };
    for (const auto& c : cases) {
        server->ClearRequests();
        server->SetProfileReplies({}, c.plan);
        auto manager = Make(Config());
        RunCheck(*manager);
        EXPECT_EQ(manager->GetCacheText(), "") << c.log;
        EXPECT_EQ(manager->GetTokenId(), "");
        EXPECT_TRUE(Logged(TakeLog(), c.log)) << c.log;
        EXPECT_EQ(server->RequestCount(), c.requests) << c.log;
    }
}

TEST_F(ProfileClientTest, TheTokenCacheFileCarriesTheProfileAcrossManagers) {
    server->SetProfileReplies({}, ProfileAnswer("0", R"({"api_version":2,"user_info":{"token_id":"kept"}})"));
    WebStatsConfig config = Config();
    config.writeCache = true;
    auto first = Make(config);
    RunCheck(*first);
    EXPECT_TRUE(Logged(TakeLog(), "CheckNewVersion: Update cache file success"));
    const std::string cache = first->GetCacheText();
    const std::string file = ReadHostFile(Host(L"C:\\cache\\65518339-F04A-4B70-839E-FD168961FDV1"));
    EXPECT_EQ(file, Base64Encode(reinterpret_cast<const unsigned char*>(cache.data()), cache.size()));
    // A later run starts from the file; the same answer within 30 days keeps it.
    server->SetProfileReplies({}, ProfileAnswer("0", R"({"api_version":2,"user_info":{"token_id":"other"}})"));
    auto second = Make(Config());
    EXPECT_EQ(second->GetCacheText(), cache);
    RunCheck(*second);
    EXPECT_EQ(second->GetTokenId(), "kept");
}

TEST_F(ProfileClientTest, TheNewAddressIsWrittenIntoTheCheckedProfile) {
    server->SetProfileReplies(
        {ReplyPlan(ReplyKind::Body, 300, 200,
                   R"({"cscode":0,"data":{"api_version":1,"user_info":{"email":"","token_id":"t"}}})")});
    auto manager = Make(Config());
    manager->StartCheck();
    manager->SetEmail("new@example.invalid");
    manager->SetEmail("new@example.invalid");  // unchanged: no second worker
    for (int i = 0; i < 500 && CachedUserInfoString(manager->GetCacheText(), "email").empty(); ++i) Sleep(20);
    manager->JoinAll();
    EXPECT_EQ(CachedUserInfoString(manager->GetCacheText(), "email"), "new@example.invalid");
    EXPECT_EQ(manager->GetTokenId(), "t");
}

TEST_F(ProfileClientTest, TheStatisticsClientPublishesTheToken) {
    server->SetProfileReplies({}, ProfileAnswer("0", R"({"api_version":1,"user_info":{"token_id":"published"}})"));
    StatsClient client;
    const std::string text = client.FetchUserInfo("demo.invalid", "1083", "demo", true);
    EXPECT_NE(text.find(R"("token_id":"published")"), std::string::npos);
    EXPECT_EQ(GetStatsTokenId(), "published");
    const auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].body.find(R"("domain":"demo.invalid","app_id":"demo","app_platform":"x64")"),
              std::string::npos);
}

}  // namespace
}  // namespace statstest
