// Mirror probing and ranking, the host-name routines, the ICMP checksum and
// the real loopback ping.
#include <map>

#include "download/IcmpPinger.h"
#include "tests/download/EngineScenario.h"

namespace downloadtest {
namespace {

constexpr int kNoReply = -1;

struct RankingCase {
    const char* name;
    std::vector<int> pings;            // per mirror; kNoReply fails the ping
    std::vector<int> cdn;              // mirrors whose host is CDN-class
    std::map<int, std::string> flags;  // "flag.php" answers other than "1\n"
    std::map<int, rig::Fault> headFaults;
    std::vector<int> expectedUsed;  // selected mirrors in order
    int expectedPartLimit;          // 0: the download must fail with error 11
};

class Ranking : public EngineScenario, public ::testing::WithParamInterface<RankingCase> {};

rig::Fault HeadFault(rig::FaultKind kind, std::uint64_t size = 0) {
    rig::Fault fault;
    fault.kind = kind;
    fault.offset = size;
    return fault;
}

TEST_P(Ranking, SelectsMirrorsByPingLoadAndSize) {
    const RankingCase& c = GetParam();
    std::vector<rig::MirrorConfig> configs(c.pings.size());
    for (auto& [mirror, answer] : c.flags) configs[static_cast<size_t>(mirror)].flagAnswer = answer;
    for (auto& [mirror, fault] : c.headFaults) configs[static_cast<size_t>(mirror)].faults.push_back(fault);
    StartMirrors(300000, configs);
    DownloadTuning tuning = FastTuning();
    tuning.osCode = 22;
    std::map<std::string, int> pingByHost;
    for (size_t i = 0; i < c.pings.size(); ++i) pingByHost[server->Host(static_cast<int>(i))] = c.pings[i];
    tuning.ping = [pingByHost](const std::string& host, int* milliseconds) {
        auto found = pingByHost.find(host);
        if (found == pingByHost.end() || found->second == kNoReply) return false;
        *milliseconds = found->second;
        return true;
    };
    tuning.cdnPatterns.clear();
    for (int mirror : c.cdn) tuning.cdnPatterns.push_back("//" + server->Host(mirror) + "/");
    StartEngine(Manifest(Urls()), tuning);
    ASSERT_TRUE(WaitForEnd());
    if (c.expectedPartLimit == 0) {
        EXPECT_EQ(DownloadState_Failed, engine->GetState());
        EXPECT_EQ(DownloadCheckUrlError, engine->GetErrorCode());
        EXPECT_EQ(4, events.Ending().event);
        EXPECT_EQ(0, events.Ending().value);
        EXPECT_TRUE(engine->GetUsedUrlInfo().empty());
        return;
    }
    ExpectGoodFile();
    std::vector<DownloadUrlInfo> used = engine->GetUsedUrlInfo();
    ASSERT_EQ(c.expectedUsed.size(), used.size());
    for (size_t i = 0; i < used.size(); ++i) EXPECT_EQ(server->Url(c.expectedUsed[i]), used[i].url) << "position " << i;
    DownloadProgress progress;
    engine->GetProgress(&progress);
    EXPECT_EQ(c.expectedPartLimit, progress.partLimit);
    EXPECT_EQ(c.pings.size(), engine->GetAllUrlInfo().size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Ranking,
    ::testing::Values(
        // Equal pings keep the manifest order.
        RankingCase{"PingsFortyFifteenFifteen", {40, 15, 15}, {}, {}, {}, {1, 2, 0}, 6},
        RankingCase{"SevenGoodMirrorsKeepFive", {70, 60, 50, 40, 30, 20, 10}, {}, {}, {}, {6, 5, 4, 3, 2}, 10},
        RankingCase{"TwoGoodAndTheCdnLast", {5, 9, 1}, {0}, {}, {}, {2, 1, 0}, 6},
        RankingCase{"CdnOnlyRunsFiveParts", {kNoReply, 3, kNoReply}, {1}, {}, {}, {1}, 5},
        RankingCase{"NoMirrorLeft", {kNoReply, kNoReply}, {}, {}, {}, {}, 0},
        // "1" alone is a full mirror; "1" and more is not.
        RankingCase{"LoadCheckOneAloneIsFull", {1, 2, 3}, {}, {{0, "1"}, {2, "1ok"}}, {}, {1, 2}, 4},
        RankingCase{"WrongOrMissingHeadSize",
                    {1, 2, 3},
                    {},
                    {},
                    {{0, HeadFault(rig::FaultKind::HeadSize, 12345)}, {1, HeadFault(rig::FaultKind::NoHeadSize)}},
                    {2},
                    2},
        // A second CDN-class mirror is probed but never selected.
        RankingCase{"SecondCdnNeverSelected", {kNoReply, 1, 1}, {1, 2}, {}, {}, {1}, 5}),
    [](const ::testing::TestParamInfo<RankingCase>& info) { return std::string(info.param.name); });

TEST(MirrorHosts, HostAndDomainOfUrls) {
    const struct {
        const char* url;
        const char* host;
        const char* domain;
    } cases[] = {
        {"https://mirror.example/download/pkg.exe", "mirror.example", "mirror.example"},
        {"http://127.0.0.11/download/pkg.exe", "127.0.0.11", "127.0.0.11"},
        {"http://127.0.0.11:8080/download/pkg.exe", "127.0.0.11:8080", "127.0.0.11:8080"},
        {"http://mirror.example/files/pkg.exe", "", "mirror.example"},
        {"abcdefghijklmnop", "", "abcdefghijkl"},
        {"short", "", "short"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.host, GetHostFromDownloadUrl(c.url)) << c.url;
        EXPECT_EQ(c.domain, GetUrlDomain(c.url)) << c.url;
    }
    EXPECT_EQ("", GetUrlDomain(nullptr));
    EXPECT_TRUE(IsCdnClassUrl("https://dl.example/download/a", {}));
    EXPECT_FALSE(IsCdnClassUrl("https://www.dl.example/download/a", {}));
    EXPECT_TRUE(IsCdnClassUrl("https://x.cdn.example/download/a", {".cdn.example"}));
}

TEST(IcmpEcho, ChecksumOfKnownPackets) {
    unsigned char zeros[44] = {};
    EXPECT_EQ(0xFFFF, IcmpChecksum(zeros, 44));
    unsigned char request[44] = {8};
    EXPECT_EQ(0xFFF7, IcmpChecksum(request, 44));
    const unsigned char odd[3] = {0x01, 0x02, 0x03};  // 0x0201 + 0x0003
    EXPECT_EQ(static_cast<std::uint16_t>(~0x0204), IcmpChecksum(odd, 3));
    // A packet carrying its checksum sums to zero.
    unsigned char packet[44] = {8, 0, 0, 0, 0x34, 0x12, 0x01, 0x00};
    std::uint16_t sum = IcmpChecksum(packet, 44);
    packet[2] = static_cast<unsigned char>(sum & 0xFF);
    packet[3] = static_cast<unsigned char>(sum >> 8);
    EXPECT_EQ(0, IcmpChecksum(packet, 44));
}

class Ping : public testsupport::MachineTest {};

TEST_F(Ping, LoopbackAnswersAndAHostWithAPortNever) {
    DownloaderCurl engine;
    DownloadTuning tuning;
    tuning.pingTimeoutMs = 500;
    tuning.osCode = 22;
    engine.SetTuning(tuning);
    if (!IcmpPinger().IsReady()) GTEST_SKIP() << "raw ICMP sockets need root here";
    int milliseconds = -1;
    EXPECT_TRUE(engine.PingUrl("http://127.0.0.1/download/p.exe", &milliseconds));
    EXPECT_GE(milliseconds, 0);
    EXPECT_LT(milliseconds, 500);
    EXPECT_FALSE(engine.PingUrl("http://127.0.0.1:8080/download/p.exe", &milliseconds));
    EXPECT_FALSE(engine.PingUrl("http://127.0.0.1/files/p.exe", &milliseconds));
}

TEST_F(Ping, SystemsBeforeWindowsTenAreNotPinged) {
    machine.profile().osMajor = 6;
    machine.profile().osMinor = 1;
    EXPECT_EQ(16, GetOsNameAndCode(nullptr));
    DownloaderCurl engine;
    int milliseconds = -1;
    // No host at all: nothing is sent, and the ping counts as answered in 0 ms.
    EXPECT_TRUE(engine.PingUrl("http://127.0.0.1:8080/files/p.exe", &milliseconds));
    EXPECT_EQ(0, milliseconds);
    machine.profile().osMajor = 10;
    machine.profile().osMinor = 0;
    char name[260];
    EXPECT_EQ(22, GetOsNameAndCode(name));
    EXPECT_EQ(std::string("64bit System Windows 10 Build 19045"), name);
}

}  // namespace
}  // namespace downloadtest
