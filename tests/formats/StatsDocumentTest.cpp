// A statistics document of real size (about 60 keys in three sections, plus
// per-mirror records) built, printed, parsed back and checked field by field.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "formats/json/CJsonObject.h"

namespace {

using Value = std::variant<std::string, std::int32_t, std::int64_t, std::uint64_t, bool, double>;

struct Field {
    const char* section;
    const char* key;
    Value value;
};

const std::vector<Field>& Fields() {
    static const std::vector<Field> fields = {
        {"app", "language", std::string("enu")},
        {"app", "system_version", std::string("win10")},
        {"app", "id", std::string("demo")},
        {"app", "type", std::string("x64")},
        {"app", "version", std::string("1072")},
        {"app", "n_version", std::int32_t{1072}},
        {"app", "client_id", std::string("10021")},
        {"app", "app_name", std::string("Demo Video Studio")},
        {"app", "app_from", std::string("")},
        {"app", "machine_id", std::string("00-1A-2B-3C-4D-5E")},
        {"app", "install_way", std::string("online")},
        {"user_info", "machine_id", std::string("00-1A-2B-3C-4D-5E")},
        {"user_info", "mail", std::string("user@example.com")},
        {"user_info", "token_id", std::string("t0k3n\"with\\quotes")},
        {"install", "data_version", std::int32_t{2}},
        {"install", "uuid", std::string("5F0C3A0E9B2D4C1A8E7F6D5C4B3A2910")},
        {"install", "option", std::string("")},
        {"install", "source", std::string("official")},
        {"install", "system_type", std::string("x64")},
        {"install", "localtime", std::string("2026-12-10 10:03:47")},
        {"install", "install_status", std::string("success")},
        {"install", "install_type", std::string("new")},
        {"install", "silent", false},
        {"install", "has_kravon_cookie", false},
        {"install", "has_pelmorant_cookie", true},
        {"install", "system_language", std::string("en-US")},
        {"install", "amazon_download", true},
        {"install", "show_thankyou", true},
        {"install", "download_last_error", std::string("NoError")},
        {"install", "install_last_error", std::int32_t{0}},
        {"install", "download_second", std::int64_t{187}},
        {"install", "download_time_string", std::string("00:03:07")},
        {"install", "install_second", std::int64_t{42}},
        {"install", "install_time_string", std::string("00:00:42")},
        {"install", "app_run_second", std::int64_t{-1}},
        {"install", "app_runtime_string", std::string("")},
        {"install", "progress_rate", std::int32_t{1000}},
        {"install", "speed", 3856.25},
        {"install", "average_speed", 3901.5},
        {"install", "speed_string", std::string("3.77 MB/s")},
        {"install", "average_speed_string", std::string("3.81 MB/s")},
        {"install", "auto_install", false},
        {"install", "run_app", true},
        {"install", "auto_run_app", false},
        {"install", "uac_contine", true},
        {"install", "uac_show", true},
        {"install", "shellexe_return", std::int32_t{42}},
        {"install", "use_cookies_token", false},
        {"install", "use_cookies_token_error", std::int32_t{-3}},
        {"install", "change_install_path", false},
        {"install", "create_desktop", true},
        {"install", "version", std::string("1072")},
        {"install", "n_version", std::int32_t{1072}},
        // Larger than 2^53: must survive exactly.
        {"install", "download_amazom_size_kb", std::uint64_t{9007199254740993ull}},
        {"install", "average_speed_with_amazon_kb", std::uint64_t{4294967296ull}},
        {"install", "repair_use_amazom", false},
        {"install", "repair_link", std::string("https://mirror2.example.com/download/x?\xC3\xA9")},
        {"install", "close_way", std::string("botton")},
        {"install", "curl_error", std::int32_t{28}},
        {"install", "last_fail_link", std::string("")},
        {"install", "detail_failure_reason", std::string("line1\nline2\ttab\x01")},
    };
    return fields;
}

bool AddField(CJsonObject& section, const std::string& key, const Value& value) {
    return std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return section.Add(key, v, v);
            } else {
                return section.Add(key, v);
            }
        },
        value);
}

void ExpectField(const CJsonObject& document, const Field& field) {
    CJsonObject section;
    ASSERT_TRUE(document.Get(field.section, section)) << field.section;
    std::visit(
        [&](const auto& expected) {
            using T = std::decay_t<decltype(expected)>;
            T actual{};
            ASSERT_TRUE(section.Get(field.key, actual)) << field.section << "." << field.key;
            EXPECT_EQ(actual, expected) << field.section << "." << field.key;
        },
        field.value);
}

CJsonObject BuildDocument() {
    CJsonObject document;
    document.Add("index", std::string("common_soft_install"));
    for (const char* name : {"app", "user_info", "install"}) document.AddEmptySubObject(name);
    for (const Field& field : Fields()) EXPECT_TRUE(AddField(document[field.section], field.key, field.value));
    CJsonObject& mirrors = document["install"];
    mirrors.AddEmptySubArray("all_url_info");
    for (int i = 0; i < 10; ++i) {
        CJsonObject mirror;
        mirror.Add("domain", "mirror" + std::to_string(i) + ".example.com");
        mirror.Add("invalid", i % 3 != 0, false);
        mirror.Add("ping", std::int32_t{10 + i});
        mirror.Add("size", std::uint64_t{739209849ull});
        mirrors["all_url_info"].Add(mirror);
    }
    return document;
}

TEST(StatsDocument, EveryFieldSurvivesPrintingAndParsing) {
    CJsonObject built = BuildDocument();
    ASSERT_GE(Fields().size(), 60u);
    for (const std::string& text : {built.ToString(), built.ToFormattedString()}) {
        CJsonObject parsed;
        ASSERT_TRUE(parsed.Parse(text)) << parsed.GetLastErrorText();
        EXPECT_EQ(parsed("index"), "common_soft_install");
        for (const Field& field : Fields()) ExpectField(parsed, field);
        CJsonObject& mirrors = parsed["install"]["all_url_info"];
        ASSERT_EQ(mirrors.GetArraySize(), 10);
        for (int i = 0; i < 10; ++i) {
            std::string domain;
            bool invalid = true;
            std::int32_t ping = 0;
            std::uint64_t size = 0;
            EXPECT_TRUE(mirrors[i].Get("domain", domain));
            EXPECT_TRUE(mirrors[i].Get("invalid", invalid));
            EXPECT_TRUE(mirrors[i].Get("ping", ping));
            EXPECT_TRUE(mirrors[i].Get("size", size));
            EXPECT_EQ(domain, "mirror" + std::to_string(i) + ".example.com");
            EXPECT_EQ(invalid, i % 3 != 0);
            EXPECT_EQ(ping, 10 + i);
            EXPECT_EQ(size, 739209849ull);
        }
        EXPECT_TRUE(parsed == built);
    }
}

TEST(StatsDocument, WireTextKeepsTheFixedNumberForms) {
    CJsonObject built = BuildDocument();
    std::string text = built.ToString();
    for (const char* piece :
         {"\"n_version\":1072", "\"speed\":3856.250000", "\"average_speed\":3901.500000",
          "\"download_amazom_size_kb\":9007199254740993", "\"app_run_second\":-1",
          "\"detail_failure_reason\":\"line1\\nline2\\ttab\\u0001\"", "\"token_id\":\"t0k3n\\\"with\\\\quotes\""}) {
        EXPECT_NE(text.find(piece), std::string::npos) << piece;
    }
    std::string formatted = built.ToFormattedString();
    EXPECT_EQ(formatted.rfind("{\n\t\"index\":\t\"common_soft_install\",\n\t\"app\":\t{\n\t\t\"language\":\t\"enu\",\n",
                              0),
              0u);
}

TEST(StatsDocument, ServiceRepliesAreReadStrictly) {
    struct Case {
        const char* reply;
        bool success;
    } cases[] = {
        {"{\"result\":{\"res\":true}}", true},
        {"{\"result\":{\"res\":1}}", false},
        {"{\"result\":true}", false},
        {"{\"res\":true}", false},
        {"<html>", false},
    };
    for (const Case& c : cases) {
        CJsonObject reply;
        bool res = false;
        bool ok = reply.Parse(c.reply) && reply["result"].Get("res", res) && res;
        EXPECT_EQ(ok, c.success) << c.reply;
    }
}

}  // namespace
