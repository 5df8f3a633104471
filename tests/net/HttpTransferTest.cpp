// The HTTP layer against a loopback server: what each request sends, what
// the response record holds, and how every limit ends a transfer.
#include <gtest/gtest.h>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/CurlHandle.h"
#include "net/HttpTransfer.h"
#include "platform/files/FileSystem.h"
#include "tests/net/LoopbackServer.h"
#include "tests/support/MachineFixture.h"

namespace {

using nettest::LoopbackServer;
using nettest::MakeReply;
using nettest::Reply;
using nettest::SeenRequest;

const std::string kBody = "0123456789abcdefghijklmnopqrstuvwxyz";

Reply Route(const SeenRequest& request) {
    const std::string& target = request.target;
    if (target == "/text") return MakeReply(200, kBody);
    if (target == "/range") {
        Reply reply = MakeReply(206, kBody.substr(5, 5), {"Content-Range: bytes 5-9/36"});
        return reply;
    }
    if (target == "/head") return MakeReply(200, request.method == "HEAD" ? "" : kBody, {});
    if (target == "/echo") return MakeReply(200, request.body);
    if (target == "/loop") return MakeReply(302, "", {"Location: /loop"});
    if (target == "/hop") return MakeReply(302, "", {"Location: /text"});
    if (target == "/ftp") return MakeReply(302, "", {"Location: ftp://127.0.0.1/x"});
    if (target == "/missing") return MakeReply(404, "not here");
    if (target == "/unsized") return Reply{"HTTP/1.1 200 X\r\nConnection: close\r\n\r\n" + std::string(1000, 'x'), 0};
    if (target == "/stall") return Reply{"HTTP/1.1 200 X\r\nContent-Length: 100\r\n\r\n0123456789", 5000};
    return MakeReply(404, "");
}

class HttpTransferTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()); }
    void TearDown() override { server.Stop(); }

    net::HttpRequest Request(const std::string& path) const {
        net::HttpRequest request;
        request.url = server.Url(path);
        request.connectTimeoutMs = 2000;
        request.totalTimeoutMs = 10000;
        return request;
    }

    LoopbackServer server{Route};
};

TEST_F(HttpTransferTest, GetToMemorySendsTheUserAgentAndReturnsTheBody) {
    net::HttpRequest request = Request("/text");
    request.userAgent = "QovApp/3.0";
    request.headers = {"X-Probe: 1"};
    std::string body;
    const net::HttpResponse response = net::FetchToString(request, &body);
    EXPECT_TRUE(response.Ok()) << response.errorText;
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(body, kBody);
    EXPECT_EQ(response.bodyBytes, kBody.size());
    EXPECT_EQ(response.contentLength, static_cast<std::int64_t>(kBody.size()));
    const auto seen = server.Requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].headers.at("user-agent"), "QovApp/3.0");
    EXPECT_EQ(seen[0].headers.at("x-probe"), "1");
}

TEST_F(HttpTransferTest, RangeIsSentAndContentRangeReachesTheHeadHook) {
    net::HttpRequest request = Request("/range");
    request.range = "5-9";
    net::HttpResponse seenHead;
    std::string body;
    net::TransferHooks hooks;
    hooks.onHead = [&](const net::HttpResponse& head) {
        seenHead = head;
        return true;
    };
    hooks.onBody = [&](const char* bytes, std::size_t length) {
        body.append(bytes, length);
        return length;
    };
    const net::HttpResponse response = net::Perform(request, hooks);
    EXPECT_TRUE(response.Ok()) << response.errorText;
    EXPECT_EQ(seenHead.status, 206);
    EXPECT_EQ(seenHead.contentRange, "bytes 5-9/36");
    EXPECT_EQ(body, "56789");
    EXPECT_EQ(server.Requests().at(0).headers.at("range"), "bytes=5-9");
}

TEST_F(HttpTransferTest, HeadReportsTheLengthWithoutABody) {
    net::HttpRequest request = Request("/head");
    request.method = net::HttpMethod::Head;
    const net::HttpResponse response = net::Perform(request, {});
    EXPECT_TRUE(response.Ok()) << response.errorText;
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.bodyBytes, 0u);
    EXPECT_EQ(server.Requests().at(0).method, "HEAD");
}

TEST_F(HttpTransferTest, PostSendsTheBodyWithItsType) {
    net::HttpRequest request = Request("/echo");
    request.method = net::HttpMethod::Post;
    request.body = "a=1&b=2";
    std::string body;
    EXPECT_TRUE(net::FetchToString(request, &body).Ok());
    EXPECT_EQ(body, "a=1&b=2");
    const SeenRequest seen = server.Requests().at(0);
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.headers.at("content-type"), "application/x-www-form-urlencoded");
}

TEST_F(HttpTransferTest, MultipartPostCarriesEveryPart) {
    net::HttpRequest request = Request("/echo");
    request.method = net::HttpMethod::Post;
    request.form = {{"hash", "2", "", ""}, {"upload_file", std::string("PK\0\1", 4), "install.zip", "application/zip"}};
    std::string body;
    EXPECT_TRUE(net::FetchToString(request, &body).Ok());
    const SeenRequest seen = server.Requests().at(0);
    EXPECT_EQ(seen.headers.at("content-type").rfind("multipart/form-data; boundary=", 0), 0u);
    EXPECT_NE(seen.body.find("name=\"hash\"\r\n\r\n2\r\n"), std::string::npos);
    EXPECT_NE(seen.body.find("name=\"upload_file\"; filename=\"install.zip\"\r\nContent-Type: application/zip"),
              std::string::npos);
    EXPECT_NE(seen.body.find(std::string("PK\0\1", 4)), std::string::npos);
}

TEST_F(HttpTransferTest, RedirectsAreFollowedWithinTheLimitAndOverHttpOnly) {
    struct Case {
        const char* path;
        int maxRedirects;
        int result;
    } cases[] = {
        {"/hop", 5, CURLE_OK},
        {"/hop", 0, CURLE_OK},  // not followed: the 302 itself is the answer
        {"/loop", 3, CURLE_TOO_MANY_REDIRECTS},
        {"/ftp", 5, CURLE_UNSUPPORTED_PROTOCOL},
    };
    for (const Case& item : cases) {
        net::HttpRequest request = Request(item.path);
        request.maxRedirects = item.maxRedirects;
        std::string body;
        const net::HttpResponse response = net::FetchToString(request, &body);
        EXPECT_EQ(response.result, item.result) << item.path << " " << item.maxRedirects;
        if (item.result == CURLE_OK && item.maxRedirects > 0) {
            EXPECT_EQ(body, kBody);
            EXPECT_EQ(response.effectiveUrl, server.Url("/text"));
        }
    }
    EXPECT_LE(server.Requests().size(), 2u + 1u + 4u + 1u);
}

TEST_F(HttpTransferTest, BodyLimitEndsTheTransferWithOrWithoutContentLength) {
    for (const char* path : {"/text", "/unsized"}) {
        net::HttpRequest request = Request(path);
        request.bodyLimit = 20;
        std::string body;
        const net::HttpResponse response = net::FetchToString(request, &body);
        EXPECT_EQ(response.result, CURLE_FILESIZE_EXCEEDED) << path;
        EXPECT_LE(body.size(), 20u) << path;
    }
}

TEST_F(HttpTransferTest, HttpErrorsFailOnlyWhenAsked) {
    net::HttpRequest request = Request("/missing");
    std::string body;
    net::HttpResponse response = net::FetchToString(request, &body);
    EXPECT_TRUE(response.Ok());
    EXPECT_EQ(response.status, 404);
    request.failOnHttpError = true;
    response = net::FetchToString(request, &body);
    EXPECT_EQ(response.result, CURLE_HTTP_RETURNED_ERROR);
}

TEST_F(HttpTransferTest, StallLimitCountsFromTheLastBodyBytes) {
    net::HttpRequest request = Request("/stall");
    request.stallTimeoutMs = 300;
    std::string body;
    const auto begin = std::chrono::steady_clock::now();
    const net::HttpResponse response = net::FetchToString(request, &body);
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    EXPECT_EQ(response.result, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(body, "0123456789");
    EXPECT_GE(elapsed, std::chrono::milliseconds(300));
    EXPECT_LT(elapsed, std::chrono::milliseconds(2500));
}

TEST_F(HttpTransferTest, CancelEndsAHeldTransfer) {
    net::HttpRequest request = Request("/stall");
    std::atomic<bool> cancel{false};
    request.cancel = &cancel;
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const auto begin = std::chrono::steady_clock::now();
    const net::HttpResponse response = net::FetchToString(request, nullptr);
    canceller.join();
    EXPECT_EQ(response.result, CURLE_ABORTED_BY_CALLBACK);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(2500));
}

TEST_F(HttpTransferTest, RefusedHeadAndShortWritesAreWriteErrors) {
    net::HttpRequest request = Request("/text");
    std::size_t delivered = 0;
    net::TransferHooks refuse;
    refuse.onHead = [](const net::HttpResponse& head) { return head.status == 206; };
    refuse.onBody = [&](const char*, std::size_t length) {
        delivered += length;
        return length;
    };
    net::HttpResponse response = net::Perform(request, refuse);
    EXPECT_EQ(response.result, CURLE_WRITE_ERROR);
    EXPECT_EQ(delivered, 0u);
    EXPECT_EQ(response.bodyBytes, 0u);

    net::TransferHooks shortWrite;
    shortWrite.onBody = [](const char*, std::size_t length) { return length / 2; };
    response = net::Perform(request, shortWrite);
    EXPECT_EQ(response.result, CURLE_WRITE_ERROR);
    EXPECT_LT(response.bodyBytes, kBody.size());
}

TEST_F(HttpTransferTest, NoHandleFailsTheRequestBeforeAnyHookOrByte) {
    net::FailNextHandleCreations(1);
    int calls = 0;
    net::TransferHooks hooks;
    hooks.onHead = [&](const net::HttpResponse&) { return ++calls > 0; };
    hooks.onBody = [&](const char*, std::size_t length) {
        ++calls;
        return length;
    };
    hooks.onProgress = [&] { return ++calls > 0; };
    const std::size_t seen = server.Requests().size();
    net::HttpResponse response = net::Perform(Request("/text"), hooks);
    EXPECT_EQ(response.result, CURLE_FAILED_INIT);
    EXPECT_FALSE(response.Ok());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(server.Requests().size(), seen);
    // A file fetch leaves no file behind.
    net::FailNextHandleCreations(1);
    EXPECT_EQ(net::FetchToFile(Request("/text"), "C:\\Users\\Public\\none.bin").result, CURLE_FAILED_INIT);
    FILE* file = nullptr;
    EXPECT_NE(fopen_s(&file, "C:\\Users\\Public\\none.bin", "rb"), 0);
    if (file) std::fclose(file);
    // The next handle is made again.
    response = net::Perform(Request("/text"), hooks);
    EXPECT_TRUE(response.Ok());
    EXPECT_EQ(net::FailNextHandleCreations(0), 0);
}

TEST_F(HttpTransferTest, FetchToFileKeepsOnlyAComplete) {
    const std::string good = "C:\\Users\\Public\\good.bin";
    const std::string bad = "C:\\Users\\Public\\bad.bin";
    EXPECT_TRUE(net::FetchToFile(Request("/text"), good).Ok());
    EXPECT_EQ(ReadHostFile(Host(L"C:\\Users\\Public\\good.bin")), kBody);
    net::HttpRequest limited = Request("/text");
    limited.bodyLimit = 10;
    EXPECT_EQ(net::FetchToFile(limited, bad).result, CURLE_FILESIZE_EXCEEDED);
    FILE* file = nullptr;
    EXPECT_NE(fopen_s(&file, bad.c_str(), "rb"), 0);
    if (file) std::fclose(file);
}

TEST_F(HttpTransferTest, CaBundleReachesTheTlsSetUp) {
    // The server answers in plain HTTP, so no handshake can succeed; an
    // unreadable CA bundle is reported as such before the handshake starts.
    std::string https = server.Url("/text");
    https.replace(0, 4, "https");
    net::HttpRequest request = Request("/text");
    request.url = https;
    request.tls.caBundle = "/nonexistent/ca.pem";
    EXPECT_EQ(net::Perform(request, {}).result, CURLE_SSL_CACERT_BADFILE);
    request.tls.caBundle.clear();
    EXPECT_EQ(net::Perform(request, {}).result, CURLE_SSL_CONNECT_ERROR);
}

}  // namespace
