// The ICMP trace: the echo request it builds, how it classifies what comes
// back, and a real trace to 127.0.0.1 (the only address a test traces).
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "platform/base/MachineEvents.h"
#include "stats/IcmpTraceroute.h"
#include "tests/stats/RawSocketProbe.h"
#include "tests/support/MachineFixture.h"
#include "tests/support/PrivateNetwork.h"

namespace statstest {
namespace {

class TracerouteTest : public testsupport::MachineTest {
protected:
    std::vector<std::string> FirewallCommands() const {
        std::vector<std::string> lines;
        for (const std::string& line : platform::MachineEvents())
            if (line.find("RunHiddenCommand") != std::string::npos) lines.push_back(line);
        return lines;
    }
};

const char* const kAddRule =
    "RunHiddenCommand: cmd.exe /C powershell.exe -Command \"New-NetFirewallRule -DisplayName \\\"Allow ICMPv4-In\\\" "
    "-Protocol ICMPv4 -Direction Inbound -Action Allow\"";
const char* const kRemoveRule =
    "RunHiddenCommand: cmd.exe /C powershell.exe -Command \"Remove-NetFirewallRule -DisplayName \\\"Allow "
    "ICMPv4-In\\\"\"";

std::uint32_t SumOfWords(const std::uint8_t* bytes, int length) {
    std::uint32_t sum = 0;
    for (int i = 0; i + 1 < length; i += 2) sum += static_cast<std::uint32_t>((bytes[i] << 8) | bytes[i + 1]);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return sum;
}

TEST(IcmpEchoTest, RequestLayoutAndChecksum) {
    std::uint8_t packet[kIcmpEchoSize];
    FillIcmpEcho(packet, 0xBEEF, 10);
    EXPECT_EQ(packet[0], 8);
    EXPECT_EQ(packet[1], 0);
    EXPECT_EQ(packet[4], 0xBE);
    EXPECT_EQ(packet[5], 0xEF);
    EXPECT_EQ(packet[6], 0);
    EXPECT_EQ(packet[7], 10);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(packet[8 + i], 'a' + i) << i;
    // A correct RFC 1071 checksum makes the whole message sum to 0xFFFF.
    EXPECT_EQ(SumOfWords(packet, kIcmpEchoSize), 0xFFFFu);
}

// An IPv4 header of `headerBytes` (20 or more) before an ICMP message.
std::vector<std::uint8_t> Ipv4(int headerBytes, const std::vector<std::uint8_t>& icmp) {
    std::vector<std::uint8_t> packet(static_cast<std::size_t>(headerBytes), 0);
    packet[0] = static_cast<std::uint8_t>(0x40 | (headerBytes / 4));
    packet[9] = 1;
    packet.insert(packet.end(), icmp.begin(), icmp.end());
    return packet;
}

std::vector<std::uint8_t> Echo(int type, std::uint16_t id, std::uint16_t sequence) {
    std::vector<std::uint8_t> icmp(kIcmpEchoSize);
    FillIcmpEcho(icmp.data(), id, sequence);
    icmp[0] = static_cast<std::uint8_t>(type);
    return icmp;
}

std::vector<std::uint8_t> TimeExceeded(const std::vector<std::uint8_t>& probe) {
    std::vector<std::uint8_t> icmp = {11, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<std::uint8_t> quoted = Ipv4(20, std::vector<std::uint8_t>(probe.begin(), probe.begin() + 8));
    icmp.insert(icmp.end(), quoted.begin(), quoted.end());
    return icmp;
}

TEST(IcmpEchoTest, RepliesAreClassified) {
    const std::uint16_t id = 0x1234;
    const std::uint16_t seq = 11;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> packet;
        int expected;
    };
    const Case cases[] = {
        {"our echo reply", Ipv4(20, Echo(0, id, seq)), 2},
        {"echo reply behind IP options", Ipv4(24, Echo(0, id, seq)), 2},
        {"another process's reply", Ipv4(20, Echo(0, id + 1, seq)), -1},
        {"an earlier probe's reply", Ipv4(20, Echo(0, id, seq - 1)), -1},
        {"our own request seen on loopback", Ipv4(20, Echo(8, id, seq)), -1},
        {"a router quoting our probe", Ipv4(20, TimeExceeded(Echo(8, id, seq))), 1},
        {"a router quoting another probe", Ipv4(20, TimeExceeded(Echo(8, id, seq + 1))), -1},
        {"unreachable", Ipv4(20, std::vector<std::uint8_t>{3, 1, 0, 0, 0, 0, 0, 0}), -1},
        {"truncated time-exceeded", Ipv4(20, std::vector<std::uint8_t>{11, 0, 0, 0, 0, 0, 0, 0, 0x45}), -1},
        {"too short for ICMP", Ipv4(20, std::vector<std::uint8_t>{0, 0, 0}), -1},
        {"not IPv4", std::vector<std::uint8_t>(48, 0x60), -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeIcmpReply(c.packet.data(), static_cast<int>(c.packet.size()), id, seq), c.expected) << c.name;
}

TEST_F(TracerouteTest, LoopbackIsReachedAtTheFirstHop) {
    if (!RawIcmpSocketsAllowed()) GTEST_SKIP() << "raw ICMP sockets need CAP_NET_RAW";
    std::string text = "before|";
    EXPECT_EQ(RunIcmpTraceroute("127.0.0.1", text), 0);
    const std::string header =
        "before|Tracing route to 127.0.0.1, sending 3 packets of size 32 to each router with maximum of 5 hops\n\n";
    ASSERT_EQ(text.compare(0, header.size(), header), 0) << text;
    const std::string hops = text.substr(header.size());
    // One hop with three timed replies, the address and its name; no second hop.
    std::smatch found;
    EXPECT_TRUE(std::regex_match(hops, found, std::regex(R"(  1\.( {0,5}\d{1,6}){3}\t127\.0\.0\.1\t\[[^\]]*\])")))
        << hops;
    EXPECT_EQ(FirewallCommands(), (std::vector<std::string>{kAddRule, kRemoveRule}));
}

// Without the right to raw sockets the trace takes the ping socket where the
// network allows it, and fails with code 3 where it does not. Each case runs
// in a network of its own that has the setting it needs (the host's setting
// is never changed), or on the host when the host's setting is that one.
TEST_F(TracerouteTest, WithoutRawSocketsThePingSocketTraces) {
    struct RawRefused {
        RawRefused() { platform::SetRawIcmpRefused(true); }
        ~RawRefused() { platform::SetRawIcmpRefused(false); }
    } refused;
    const std::string header =
        "Tracing route to 127.0.0.1, sending 3 packets of size 32 to each router with maximum of 5 hops\n\n";
    const struct Case {
        bool pingAllowed;
        int code;
        const char* hops;  // what follows the header
    } cases[] = {
        {true, 0, R"(  1\.( {0,5}\d{1,6}){3}\t127\.0\.0\.1\t\[[^\]]*\])"},
        {false, 3, ""},
    };
    int ran = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pingAllowed ? "ping sockets allowed" : "ping sockets refused");
        std::string text;
        int code = -1;
        auto trace = [&] { code = RunIcmpTraceroute("127.0.0.1", text); };
        if (!testsupport::RunInPrivateNetwork(c.pingAllowed, trace)) {
            if (PingSocketsAllowed() != c.pingAllowed) continue;  // neither here nor in a namespace
            trace();
        }
        ++ran;
        EXPECT_EQ(code, c.code);
        ASSERT_EQ(text.compare(0, header.size(), header), 0) << text;
        EXPECT_TRUE(std::regex_match(text.substr(header.size()), std::regex(c.hops))) << text;
    }
    if (ran == 0) GTEST_SKIP() << "no network namespace can be made here";
}

TEST_F(TracerouteTest, TargetsThatAreNotAddressesTraceNothing) {
    for (const char* target : {"", "localhost", "127.0.0", "256.1.1.1", "127.0.0.1 ", "::1"}) {
        SCOPED_TRACE(target);
        std::string text;
        EXPECT_EQ(RunIcmpTraceroute(target, text), 2);
        EXPECT_EQ(text, "");
    }
    // The rule is added and removed again around each attempt.
    const std::vector<std::string> commands = FirewallCommands();
    ASSERT_EQ(commands.size(), 12u);
    for (std::size_t i = 0; i < commands.size(); ++i) EXPECT_EQ(commands[i], i % 2 == 0 ? kAddRule : kRemoveRule);
}

}  // namespace
}  // namespace statstest
