// The multipart upload against the loopback TLS server: the parts and their
// order, the encoded mode, the reply table with bounded time, and the
// certificate check.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/files/FileSystem.h"
#include "stats/StatsClient.h"
#include "tests/stats/StatsServerFixture.h"
#include "util/Base64.h"

namespace statstest {
namespace {

using Clock = std::chrono::steady_clock;

class UploadTest : public StatsServerTest {
protected:
    // A file on the test machine at C:\Users\...\report.zip with `bytes`.
    std::string MakeFile(const std::string& bytes) {
        const std::wstring path = L"C:\\stats\\report.zip";
        CreateDirectoryW(L"C:\\stats", nullptr);
        WriteHostFile(Host(path), bytes);
        return "C:\\stats\\report.zip";
    }
    StatsClient client;
};

TEST_F(UploadTest, PartsGoInTheirOrderAndOnlyWithAnExistingFile) {
    const std::string file = MakeFile("PK-not-really");
    const struct {
        int mode;
        std::string uploadType;
        std::string uploadFile;
        const char* parts;
    } cases[] = {
        {2, "", "", "index,hash,json_data"},
        {0, "start", "", "index,json_data"},
        {0, "install_fail", file, "index,json_data,upload_type,upload_file"},
        {0, "", file, "index,json_data,upload_type,upload_file"},  // an empty type still goes along with a file
        {2, "x", file, "index,hash,json_data,upload_type,upload_file"},
        {0, "install_fail", "C:\\stats\\missing.zip", "index,json_data"},
        {1, "", "", "index,json_data"},  // only 2 is the encoded mode
    };
    const std::string json = R"({"app":{"id":"demo","name":"Ünïcödé \"q\""}})";
    for (const auto& c : cases) {
        server->ClearRequests();
        EXPECT_TRUE(client.PostDocument(UploadUrl(), "common_soft_install", json, c.uploadType, c.uploadFile, c.mode));
        const auto requests = server->Requests();
        ASSERT_EQ(requests.size(), 1u);
        const ReceivedRequest& request = requests[0];
        SCOPED_TRACE(c.parts);
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.target, "/api/common_json_post/?index=common_soft_install");
        EXPECT_EQ(request.PartNames(), c.parts);
        EXPECT_EQ(request.Part("index")->data, "common_soft_install");
        EXPECT_EQ(request.json, json);
        EXPECT_EQ(request.headers.count("user-agent"), 0u);
        if (c.mode == 2) {
            EXPECT_EQ(request.Part("hash")->data, "2");
            EXPECT_EQ(request.Part("json_data")->data, AlphabetBase64Encode(json, kStatsAlphabet));
        }
        if (const FormPartSeen* part = request.Part("upload_file")) {
            EXPECT_EQ(part->fileName, "report.zip");
            EXPECT_EQ(part->data, "PK-not-really");
            EXPECT_EQ(request.Part("upload_type")->data, c.uploadType);
        }
    }
}

TEST_F(UploadTest, OnlyResTrueIsASuccessAndEveryAnswerEndsInBoundedTime) {
    const struct {
        ReplyPlan plan;
        bool success;
    } cases[] = {
        {{ReplyKind::ResTrue}, true},
        {{ReplyKind::ResFalse}, false},
        {{ReplyKind::ResOne}, false},
        {{ReplyKind::NotJson}, false},
        {{ReplyKind::ServerError}, false},
        {{ReplyKind::Body, 0, 500, R"({"result":{"res":true}})"}, false},  // an error page is no success
        {{ReplyKind::Drop}, false},
        {{ReplyKind::ResTrue, 6000}, false},  // slower than the 3 s the fixture allows
        {{ReplyKind::ResTrue, 300}, true},
    };
    for (int mode : {0, 2}) {
        for (const auto& c : cases) {
            server->SetUploadReplies({c.plan}, {ReplyKind::ResTrue});
            const auto start = Clock::now();
            const bool posted = client.PostDocument(UploadUrl(), "common_soft_install", "{}", "", "", mode);
            const auto elapsed = Clock::now() - start;
            EXPECT_EQ(posted, c.success) << static_cast<int>(c.plan.kind) << " mode " << mode;
            EXPECT_LT(elapsed, std::chrono::seconds(5));
        }
    }
}

TEST_F(UploadTest, ACertificateTheTestCaDidNotSignIsRefused) {
    TestCa stranger("some other CA");
    StatsServerOptions options;
    options.identity = stranger.IssueServerCertificate();
    StatsServer impostor(options);
    ASSERT_TRUE(impostor.Start());
    std::string reply;
    EXPECT_FALSE(client.PostDocument(impostor.Url("/api/common_json_post/"), "common_soft_install", "{}", "", "", 0));
    EXPECT_FALSE(client.PostUserProfileForm(impostor.Url("/profile"), "m", "e", "d", &reply));
    impostor.Stop();
    EXPECT_EQ(impostor.RequestCount(), 0u);
    // The trusted server on the same machine is accepted.
    EXPECT_TRUE(client.PostDocument(UploadUrl(), "common_soft_install", "{}", "", "", 0));
}

TEST_F(UploadTest, TheCaBundleOfTheSettingsIsTheOneTrusted) {
    TestCa stranger("some other CA");
    ASSERT_TRUE(stranger.Ok());
    const std::string notPem = Host(L"C:\\stats\\not-a-certificate.pem");
    CreateDirectoryW(L"C:\\stats", nullptr);
    WriteHostFile(notPem, "not a certificate\n");
    const struct {
        const char* what;
        std::string bundle;
        bool success;
    } cases[] = {
        {"the server's CA", ca.WriteBundle(), true},
        {"another CA", stranger.WriteBundle(), false},
        {"a missing file", Host(L"C:\\stats\\missing.pem"), false},
        {"a file without a certificate", notPem, false},
        {"the system's roots", "", false},  // the test CA is none of them
    };
    const StatsTransportSettings saved = GetStatsTransportSettings();
    for (const auto& c : cases) {
        StatsTransportSettings transport = saved;
        transport.caBundle = c.bundle;
        SetStatsTransportSettings(transport);
        server->ClearRequests();
        const auto start = Clock::now();
        std::string reply;
        EXPECT_EQ(client.PostDocument(UploadUrl(), "common_soft_install", "{}", "", "", 0), c.success) << c.what;
        EXPECT_EQ(client.PostUserProfileForm(server->Url("/profile"), "m", "e", "d", &reply), c.success) << c.what;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5)) << c.what;
        // Without trust nothing of the document reaches the server.
        EXPECT_EQ(server->RequestCount(), c.success ? 2u : 0u) << c.what;
    }
    SetStatsTransportSettings(saved);
}

TEST_F(UploadTest, ProfileFormCarriesEscapedJson) {
    server->SetUploadReplies({}, {ReplyKind::Body, 0, 200, "profile-reply"});
    std::string reply;
    ASSERT_TRUE(
        client.PostUserProfileForm(server->Url("/api/profile_form"), "AA-BB\"", "a@b.c\\", "x.invalid", &reply));
    EXPECT_EQ(reply, "profile-reply");
    const auto requests = server->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/api/profile_form");
    EXPECT_EQ(requests[0].PartNames(), "json_data");
    EXPECT_EQ(requests[0].json, R"({"machine_id":"AA-BB\"","email":"a@b.c\\","domain":"x.invalid"})");
    server->SetUploadReplies({}, {ReplyKind::ServerError});
    EXPECT_FALSE(client.PostUserProfileForm(server->Url("/api/profile_form"), "m", "e", "d", &reply));
}

}  // namespace
}  // namespace statstest
