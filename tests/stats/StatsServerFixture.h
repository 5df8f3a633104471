// A fresh machine, a test CA and a started loopback statistics server for
// every test; the client trusts only that CA and gives up quickly, and the
// profile service is the server.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "stats/ServiceHosts.h"
#include "stats/StatsTransport.h"
#include "tests/stats/server/StatsServer.h"
#include "tests/support/MachineFixture.h"

namespace statstest {

class StatsServerTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(ca.Ok());
        StatsServerOptions options;
        options.addresses = {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"};
        options.identity = ca.IssueServerCertificate();
        server = std::make_unique<StatsServer>(options);
        ASSERT_TRUE(server->Start());
        savedTransport = GetStatsTransportSettings();
        savedHosts = GetServiceHosts();
        StatsTransportSettings transport;
        transport.caBundle = ca.WriteBundle();
        transport.connectTimeoutMs = 2000;
        transport.totalTimeoutMs = 3000;
        SetStatsTransportSettings(transport);
        ServiceHosts hosts;
        hosts.profile = server->Host();
        hosts.profileTest = server->Host();
        SetServiceHosts(hosts);
    }

    void TearDown() override {
        if (server) server->Stop();
        SetStatsTransportSettings(savedTransport);
        SetServiceHosts(savedHosts);
    }

    std::string UploadUrl() const { return server->Url("/api/common_json_post/"); }

    TestCa ca{"statistics test CA"};
    std::unique_ptr<StatsServer> server;
    StatsTransportSettings savedTransport;
    ServiceHosts savedHosts;
};

}  // namespace statstest
