// The loopback-only guard that every test run has on: other hosts are
// refused before any name is looked up.
#include <gtest/gtest.h>

#include <curl/curl.h>

#include "net/HttpTransfer.h"
#include "platform/network/LoopbackGuard.h"

namespace {

TEST(LoopbackGuardTest, OnlyLoopbackHostsPass) {
    const struct {
        const char* host;
        bool loopback;
    } cases[] = {
        {"127.0.0.1", true},
        {"127.255.3.4", true},
        {"localhost", true},
        {"::1", true},
        {"[::1]", true},
        {"128.0.0.1", false},
        {"10.255.255.53", false},
        {"127.0.0", false},
        {"127.0.0.256", false},
        {"127.0.0.1.5", false},
        {"127.0.0.1x", false},
        {"", false},
        {"example.invalid", false},
        {"127.example", false},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::IsLoopbackHost(c.host), c.loopback) << c.host;
}

TEST(LoopbackGuardTest, TestRunsRefuseOtherHostsAtOnce) {
    ASSERT_TRUE(platform::IsLoopbackOnly());  // CTest sets it for every test program
    for (const char* url : {"https://api.example.invalid/x", "http://10.0.0.1/", "https://8.8.8.8/"}) {
        net::HttpRequest request;
        request.url = url;
        std::string body;
        const net::HttpResponse response = net::FetchToString(request, &body);
        EXPECT_EQ(response.result, CURLE_COULDNT_RESOLVE_HOST) << url;
        EXPECT_NE(response.errorText.find("loopback-only"), std::string::npos);
    }
    net::HttpRequest proxied;
    proxied.url = "http://127.0.0.1:1/";
    proxied.proxy.kind = net::ProxySettings::Kind::Http;
    proxied.proxy.host = "proxy.example.invalid";
    proxied.proxy.port = "8080";
    EXPECT_EQ(net::FetchToString(proxied, nullptr).result, CURLE_COULDNT_RESOLVE_HOST);
}

}  // namespace
