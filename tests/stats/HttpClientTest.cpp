// The API client with regional servers: the pick order, failover on a
// transport failure only, the error status, JSON posts, GETs and the token
// upload that uses it.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/HostPaths.h"
#include "platform/files/FileSystem.h"
#include "stats/ApiServerList.h"
#include "stats/HttpClient.h"
#include "stats/WebStatsManager.h"
#include "tests/stats/StatsServerFixture.h"
#include "util/OsmPaths.h"
#include "util/StringConvert.h"

namespace statstest {
namespace {

std::vector<std::string> PickOrder(ApiServerList& list) {
    std::vector<std::string> order;
    for (int entry = list.Pick(); entry >= 0; entry = list.Pick()) {
        order.push_back(list.At(entry).region);
        list.MarkUnavailable(entry);
    }
    return order;
}

TEST(ApiServerListTest, PickOrder) {
    const auto production = MakeApiServerTable("common_json_post", false);
    const auto test = MakeApiServerTable("common_json_post", true);
    const std::string label = GetServiceHosts().apiDefaultLabel;
    const struct {
        std::map<std::string, std::string> servers;
        const char* region;
        std::vector<std::string> order;
    } cases[] = {
        {production, "JPN", {"*", "JPN", "ENU", "GER"}},
        {production, "GER", {"*", "GER", "ENU", "JPN"}},
        {production, "FRA", {"*", "ENU", "GER", "JPN"}},
        // The test table has no default host: the preferred region, then list order.
        {test, "GER", {"GER", "*", "ENU", "JPN"}},
        {test, "FRA", {"*", "ENU", "GER", "JPN"}},
        {{}, "ENU", {}},
    };
    for (const auto& c : cases) {
        ApiServerList list(c.servers, c.region, label);
        EXPECT_EQ(PickOrder(list), c.order) << c.region;
    }
    EXPECT_EQ(production.at("*"), "https://global.api.qov-services.invalid/api/common_json_post/");
}

class HttpClientTest : public StatsServerTest {
protected:
    void SetUp() override {
        StatsServerTest::SetUp();
        ServiceHosts hosts = GetServiceHosts();
        hosts.apiDefault = "127.0.0.1:1";  // nothing listens there: refused at once
        hosts.apiDefaultLabel = "127.0.0.1:1/";
        hosts.apiJapan = server->Host("127.0.0.2");
        hosts.apiEnglish = server->Host("127.0.0.3");
        hosts.apiGerman = server->Host("127.0.0.4");
        SetServiceHosts(hosts);
    }

    std::vector<std::string> Addresses() const {
        std::vector<std::string> addresses;
        for (const ReceivedRequest& request : server->Requests()) addresses.push_back(request.localAddress);
        return addresses;
    }
};

TEST_F(HttpClientTest, FailoverMovesOnAfterTransportFailuresOnly) {
    server->SetUploadReplies({ReplyPlan(ReplyKind::Drop)}, ReplyPlan(ReplyKind::Body, 0, 200, "ok"));
    HttpClient client("common_json_post", "JPN", false);
    client.SetTimeout(5);
    client.SetIndex("public_client_report");
    client.AddFormField("index", "public_client_report", false);
    client.AddFormField("hash", "2", false);
    // The default host refuses, Japan drops the connection, England answers.
    ASSERT_TRUE(client.PostFormWithFailover());
    EXPECT_EQ(Addresses(), (std::vector<std::string>{"127.0.0.2", "127.0.0.3"}));
    const auto requests = server->Requests();
    EXPECT_EQ(requests[1].target, "/api/common_json_post/?index=public_client_report");
    EXPECT_EQ(requests[1].PartNames(), "index,hash");
    EXPECT_EQ(requests[1].headers.at("user-agent"), "QovApp/3.0");
    EXPECT_EQ(client.GetResponseText(), std::string("ok") + '\0');
    // The failed servers stay put aside for the client's life.
    server->ClearRequests();
    client.ClearResponse();
    ASSERT_TRUE(client.PostFormWithFailover());
    EXPECT_EQ(Addresses(), (std::vector<std::string>{"127.0.0.3"}));
}

TEST_F(HttpClientTest, AnErrorStatusIsAFailureWithoutFailover) {
    server->SetUploadReplies({}, ReplyPlan(ReplyKind::Body, 0, 404, "missing"));
    HttpClient client("common_json_post", "JPN", false);
    client.SetIndex("public_client_report");
    EXPECT_FALSE(client.PostJsonWithFailover(R"({"a":1})"));
    EXPECT_EQ(Addresses(), (std::vector<std::string>{"127.0.0.2"}));
    EXPECT_EQ(client.GetLastErrorText(), "http status code: 404");
    EXPECT_EQ(client.GetLastStatus(), 404);
    const auto requests = server->Requests();
    EXPECT_EQ(requests[0].headers.at("content-type"), "application/json");
    EXPECT_EQ(requests[0].body, R"({"a":1})");
    // Every server refusing ends the failover.
    ServiceHosts hosts = GetServiceHosts();
    hosts.apiJapan = hosts.apiEnglish = hosts.apiGerman = "127.0.0.1:1";
    SetServiceHosts(hosts);
    HttpClient nowhere("common_json_post", "JPN", false);
    EXPECT_FALSE(nowhere.PostFormWithFailover());
    EXPECT_NE(nowhere.GetLastErrorText(), "");
    HttpClient plain;  // no server list
    EXPECT_FALSE(plain.PostFormWithFailover());
}

TEST_F(HttpClientTest, GetIntoMemoryAndIntoAFile) {
    server->SetUploadReplies({}, ReplyPlan(ReplyKind::Body, 0, 200, "body bytes"));
    HttpClient client;
    client.SetUrl(server->Url("/file.bin"));
    ASSERT_TRUE(client.Get());
    EXPECT_EQ(client.GetResponseText(), std::string("body bytes") + '\0');
    CreateDirectoryW(L"C:\\out", nullptr);
    client.SetOutputFile("C:\\out\\file.bin");
    client.ClearResponse();
    ASSERT_TRUE(client.Get());
    EXPECT_EQ(ReadHostFile(Host(L"C:\\out\\file.bin")), "body bytes");
    EXPECT_EQ(server->Requests().at(0).method, "GET");
}

TEST_F(HttpClientTest, TheTlsCheckTrustsTheCertificateFileBesideTheProgram) {
    // The transport trusts another CA: only the named file beside the
    // program can make the server trusted.
    TestCa stranger("some other CA");
    ASSERT_TRUE(stranger.Ok());
    StatsTransportSettings transport = GetStatsTransportSettings();
    transport.caBundle = stranger.WriteBundle();
    SetStatsTransportSettings(transport);
    std::string folder;
    ASSERT_TRUE(libutilosm::GetModuleDirectoryUtf8(folder));
    if (folder.empty() || folder.back() != '/') folder += "/";
    const std::string name = "stats-http-client-test.crt";
    const std::optional<std::string> file = platform::ToHostPath(Utf8ToWide(folder + name));
    ASSERT_TRUE(file.has_value());
    server->SetUploadReplies({}, ReplyPlan(ReplyKind::Body, 0, 200, "trusted"));
    const struct {
        const char* what;
        bool tlsCheck;
        bool fileThere;
        bool success;
    } cases[] = {
        {"the file is used", true, true, true},
        {"without the check the transport's bundle decides", false, true, false},
        {"a missing file leaves the transport's bundle", true, false, false},
    };
    for (const auto& c : cases) {
        if (c.fileThere) WriteHostFile(*file, ca.CertificatePem());
        else std::filesystem::remove(*file);
        server->ClearRequests();
        HttpClient client;
        client.SetUrl(server->Url("/file.bin"));
        client.SetTlsCheck(c.tlsCheck);
        client.SetCertificateFile(name);
        EXPECT_EQ(client.Get(), c.success) << c.what;
        EXPECT_EQ(server->RequestCount(), c.success ? 1u : 0u) << c.what;
        if (!c.success) {
            EXPECT_NE(client.GetLastErrorText(), "") << c.what;
        }
    }
    std::filesystem::remove(*file);
}

TEST_F(HttpClientTest, TheTokenUploadGoesThroughTheRegionalServers) {
    WebStatsConfig config;
    config.app_id = "demo";
    config.app_platform = "x86";
    config.machine_id = "m-1";
    config.email = "e@x";
    config.region = "GER";
    WebStatsManager manager(config);
    const struct {
        const char* cookie;
        int code;
    } cases[] = {
        {"not json", 5},
        {R"({"web_token":"x"})", 6},
        {R"({"web_token":[{"item":"a"}]})", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(manager.UploadTokenInfo(c.cookie), c.code) << c.cookie;
    const auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].localAddress, "127.0.0.4");  // the default host refused; Germany is preferred
    EXPECT_EQ(requests[0].PartNames(), "index,hash,json_data");
    EXPECT_EQ(requests[0].json, R"({"email":"e@x","machine_id":"m-1","app_id":"demo","app_platform":"x86",)"
                                R"("version":"1","web_token":[{"item":"a"}],"upload_type":"client"})");
}

TEST(TokenSyncTest, UploadIsNeededForAnUnknownCookieToken) {
    const struct {
        const char* local;
        const char* cookie;
        bool needed;
    } cases[] = {
        {"{}", "", false},
        {"{}", R"({"web_token":[]})", false},
        {R"({"token_list":[]})", R"({"web_token":[{"item":"a"}]})", true},
        {R"({"token_list":["a","b"]})", R"({"web_token":[{"item":"a"},{"item":"b"}]})", false},
        {R"({"token_list":["a"]})", R"({"web_token":[{"item":"a"},{"item":"c"}]})", true},
        {R"({"token_list":["a"]})", R"({"web_token":["c",{"other":1}]})", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebStatsManager::NeedsTokenUpload(c.local, c.cookie), c.needed) << c.local << " " << c.cookie;
}

}  // namespace
}  // namespace statstest
