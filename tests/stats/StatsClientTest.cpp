// The statistics client's pieces that need no server: the key names, the
// version number, the reply rules and the "app" and "user_info" sections.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "stats/StatsClient.h"
#include "stats/StatsKeys.h"
#include "stats/StatsReply.h"
#include "tests/support/MachineFixture.h"
#include "util/Base64.h"
#include "util/SystemIdentity.h"

namespace {

TEST(StatsKeysTest, SeventyFourDistinctNamesEachItsOwnText) {
    const auto& keys = StatsKeys::All();
    ASSERT_EQ(keys.size(), 74u);
    std::set<std::string> names;
    for (const std::string* key : keys) names.insert(*key);
    EXPECT_EQ(names.size(), 74u);
    // The service's own spellings are kept.
    for (const char* wire : {"uac_contine", "uac_dlg_contine", "download_amazom_size_kb", "repair_use_amazom",
                             "fail_use_amazom", "timeout_use_amazom", "success_use_amazom", "common_soft_install"})
        EXPECT_EQ(names.count(wire), 1u) << wire;
    EXPECT_EQ(StatsKeys::uac_contine, "uac_contine");
}

TEST(StatsClientTest, VersionNumberTakesTheLeadingDecimalNumber) {
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {
        {"2049", 2049}, {"", 0},        {"  42abc", 42},    {"-7", -7},
        {"abc", 0},     {"1.0.7.2", 1}, {"99999999999", 0}, {"+12", 12},
    };
    for (const auto& c : cases) EXPECT_EQ(VersionNumber(c.text), c.expected) << c.text;
}

TEST(StatsReplyTest, OnlyAResultObjectWithResTrueIsASuccess) {
    const struct {
        const char* reply;
        bool success;
    } cases[] = {
        {R"({"result":{"res":true}})", true},
        {R"({"result":{"res":true,"msg":"ok"},"x":1})", true},
        {R"({"result":{"res":1}})", false},
        {R"({"result":{"res":"true"}})", false},
        {R"({"result":{"res":false}})", false},
        {R"({"result":true})", false},
        {R"({"res":true})", false},
        {R"({"result":[{"res":true}]})", false},
        {R"([{"result":{"res":true}}])", false},
        {"<html>500</html>", false},
        {"", false},
        {R"({"result":{"res":tru)", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsStatsReplySuccess(c.reply, 0), c.success) << c.reply;
        // Mode 2 reads the reply through the statistics alphabet first.
        EXPECT_EQ(IsStatsReplySuccess(AlphabetBase64Encode(c.reply, kStatsAlphabet), 2), c.success) << c.reply;
    }
    EXPECT_FALSE(IsStatsReplySuccess(R"({"result":{"res":true}})", 2));
}

class StatsSectionTest : public testsupport::MachineTest {};

TEST_F(StatsSectionTest, AppAndUserSectionsInTheirOrder) {
    StatsClient client;
    client.SetAppFrom("partner");
    const std::string app = client.BuildAppInfo("demo", "2049", "Demo Studio", "1083", true).ToString();
    const std::string mac = GetMachineMac();
    // The language code is empty until the dialog chose a language.
    const std::string expected = R"({"language":"","system_version":"win10","id":"demo","type":"x64","version":"2049",)"
                                 R"("n_version":2049,"client_id":"1083","app_name":"Demo Studio","app_from":"partner",)"
                                 R"("machine_id":")" +
                                 mac + R"("})";
    EXPECT_EQ(app, expected);
    EXPECT_NE(
        client.BuildAppInfo("demo", "", "n", "1", false).ToString().find(R"("type":"x86","version":"","n_version":0)"),
        std::string::npos);
    EXPECT_EQ(client.BuildUserInfo("a\"b@c", "t1").ToString(),
              R"({"machine_id":")" + mac + R"(","mail":"a\"b@c","token_id":"t1"})");
}

}  // namespace
