#include "stats/IcmpTraceroute.h"

#include <cstdio>
#include <cstring>

#include <boost/format.hpp>

#include "platform/base/Clock.h"
#include "platform/base/Environment.h"
#include "platform/network/IcmpPing.h"

namespace {

constexpr int kMaxHops = 5;
constexpr int kProbesPerHop = 3;
constexpr int kReceiveWaitMs = 3000;
constexpr int kReceiveTries = 11;
constexpr int kDataSize = 32;
constexpr std::uint16_t kFirstSequence = 10;
constexpr int kIcmpEchoReply = 0;
constexpr int kIcmpEchoRequest = 8;
constexpr int kIcmpTimeExceeded = 11;

// The display name between quotes that reach PowerShell through cmd.exe.
const char* const kRuleName = "\\\"Allow ICMPv4-In\\\"";

std::uint16_t Read16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]); }

void Write16(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = static_cast<std::uint8_t>(value >> 8);
    bytes[1] = static_cast<std::uint8_t>(value & 0xFF);
}

// RFC 1071: the ones' complement of the ones' complement sum of 16-bit words.
std::uint16_t Checksum(const std::uint8_t* bytes, int length) {
    std::uint32_t sum = 0;
    for (int i = 0; i + 1 < length; i += 2) sum += Read16(bytes + i);
    if (length % 2 != 0) sum += static_cast<std::uint32_t>(bytes[length - 1]) << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

// The ICMP message after a packet's IPv4 header; null when it is too short.
const std::uint8_t* IcmpOf(const std::uint8_t* packet, int length, int* icmpLength) {
    if (length < 20 || (packet[0] >> 4) != 4) return nullptr;
    const int header = (packet[0] & 0x0F) * 4;
    if (header < 20 || length < header + 8) return nullptr;
    *icmpLength = length - header;
    return packet + header;
}

void Print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void Emit(std::string& text, const std::string& part) {
    text += part;
    Print(part);
}

void RemoveFirewallRule() { RunPowerShellCommand(std::string("Remove-NetFirewallRule -DisplayName ") + kRuleName); }

// Reports a socket failure and ends the sockets' start-up. The interactive
// tool this came from waited for ENTER here; an installer never reads its
// standard input, which may be a terminal that nobody answers.
void TraceFail(const char* text) {
    Print(text);
    Print((boost::format("WSAGetLastError: %d\n") % winsock::WSAGetLastError()).str());
    winsock::WSACleanup();
}

enum class Wait { Matched, Timeout, SelectFailed, ReceiveFailed, NoMatch };

struct Reply {
    int kind = -1;
    winsock::SOCKADDR_IN from{};
};

Wait ReceiveIcmp(winsock::SOCKET socket, std::uint16_t identifier, std::uint16_t sequence, Reply* reply) {
    for (int tries = 0; tries < kReceiveTries; ++tries) {
        winsock::fd_set readable{};
        readable.fd_count = 1;
        readable.fd_array[0] = socket;
        const winsock::timeval wait{kReceiveWaitMs / 1000, (kReceiveWaitMs % 1000) * 1000};
        const int ready = winsock::select(0, &readable, nullptr, nullptr, &wait);
        if (ready == winsock::SOCKET_ERROR) return Wait::SelectFailed;
        if (ready == 0) return Wait::Timeout;
        std::uint8_t packet[1024] = {};
        winsock::SOCKADDR_IN from{};
        int fromLength = sizeof from;
        const int received = winsock::recvfrom(socket, reinterpret_cast<char*>(packet), sizeof packet, 0,
                                               reinterpret_cast<winsock::SOCKADDR*>(&from), &fromLength);
        if (received == winsock::SOCKET_ERROR) return Wait::ReceiveFailed;
        const int kind = DecodeIcmpReply(packet, received, identifier, sequence);
        if (kind > 0) {
            reply->kind = kind;
            reply->from = from;
            return Wait::Matched;
        }
    }
    return Wait::NoMatch;
}

std::string HopAddressText(const winsock::SOCKADDR_IN& from) {
    const char* dotted = winsock::inet_ntoa(from.sin_addr);
    std::string text = dotted != nullptr && *dotted != '\0' ? std::string("\t") + dotted : "\t\tINVALID IP";
    char host[winsock::kNiMaxHost] = {};
    if (winsock::getnameinfo(reinterpret_cast<const winsock::SOCKADDR*>(&from), sizeof from, host, sizeof host, nullptr,
                             0, 0) != 0)
        host[0] = '\0';
    return text + "\t[" + host + "]";
}

}  // namespace

void FillIcmpEcho(std::uint8_t* packet, std::uint16_t identifier, std::uint16_t sequence) {
    std::memset(packet, 0, kIcmpEchoSize);
    packet[0] = kIcmpEchoRequest;
    packet[1] = 0;
    Write16(packet + 4, identifier);
    Write16(packet + 6, sequence);
    for (int i = 0; i < kDataSize; ++i) packet[8 + i] = static_cast<std::uint8_t>('a' + i);
    Write16(packet + 2, Checksum(packet, kIcmpEchoSize));
}

int DecodeIcmpReply(const std::uint8_t* packet, int length, std::uint16_t identifier, std::uint16_t sequence) {
    if (packet == nullptr) return -1;
    int icmpLength = 0;
    const std::uint8_t* icmp = IcmpOf(packet, length, &icmpLength);
    if (icmp == nullptr) return -1;
    if (icmp[0] == kIcmpEchoReply) return Read16(icmp + 4) == identifier && Read16(icmp + 6) == sequence ? 2 : -1;
    if (icmp[0] == kIcmpTimeExceeded) {
        // The router quotes the probe's IPv4 header and its first 8 bytes.
        int quotedLength = 0;
        const std::uint8_t* quoted = IcmpOf(icmp + 8, icmpLength - 8, &quotedLength);
        if (quoted == nullptr || quoted[0] != kIcmpEchoRequest) return -1;
        return Read16(quoted + 4) == identifier && Read16(quoted + 6) == sequence ? 1 : -1;
    }
    return -1;
}

int RunIcmpTraceroute(const std::string& target, std::string& text) {
    const std::string rule = std::string("New-NetFirewallRule -DisplayName ") + kRuleName +
                             " -Protocol ICMPv4 -Direction Inbound -Action Allow";
    const int firewallError = RunPowerShellCommand(rule);
    if (firewallError != 0) return 100 + firewallError;

    winsock::WSADATA data{};
    if (winsock::WSAStartup(winsock::MAKEWORD(2, 2), &data) != 0) {
        TraceFail("DLL failed to load!\n");
        RemoveFirewallRule();
        return 1;
    }
    const ULONG address = winsock::inet_addr(target.c_str());
    if (address == winsock::INADDR_NONE) {
        winsock::WSACleanup();
        RemoveFirewallRule();
        return 2;
    }
    Emit(text, (boost::format("Tracing route to %s, sending %d packets of size %d to each router with maximum of "
                              "%d hops\n\n") %
                target % kProbesPerHop % kDataSize % kMaxHops)
                   .str());
    winsock::SOCKET socket =
        winsock::WSASocketW(winsock::kAfInet, winsock::kSockRaw, winsock::kIpProtoIcmp, nullptr, 0, 0);
    // Without the right to raw sockets, the ping socket where the host allows it.
    if (socket == winsock::INVALID_SOCKET && winsock::WSAGetLastError() == winsock::WSAEACCES)
        socket = winsock::WSASocketW(winsock::kAfInet, winsock::kSockDgram, winsock::kIpProtoIcmp, nullptr, 0, 0);
    if (socket == winsock::INVALID_SOCKET) {
        TraceFail("Failed to create RAW-socket\n");
        RemoveFirewallRule();
        return 3;
    }

    winsock::SOCKADDR_IN destination{};
    destination.sin_family = winsock::kAfInet;
    destination.sin_addr.s_addr = address;
    const std::uint16_t identifier = static_cast<std::uint16_t>(GetCurrentProcessId() & 0xFFFF);
    std::uint16_t sequence = kFirstSequence;
    bool reached = false;
    bool stopped = false;
    for (int ttl = 1; ttl <= kMaxHops && !reached && !stopped; ++ttl) {
        const int ttlValue = ttl;
        winsock::setsockopt(socket, winsock::kIpProtoIp, winsock::kIpTtl, reinterpret_cast<const char*>(&ttlValue),
                            sizeof ttlValue);
        Emit(text, (boost::format("% 3d.") % ttl).str());
        bool answered = false;
        winsock::SOCKADDR_IN lastFrom{};
        for (int probe = 0; probe < kProbesPerHop; ++probe, ++sequence) {
            if (stopped) {
                // A failed wait ends the trace; the hop's remaining probes are timeouts.
                Emit(text, "   T/O");
                continue;
            }
            std::uint8_t packet[kIcmpEchoSize];
            FillIcmpEcho(packet, identifier, sequence);
            const DWORD sent = GetTickCount();
            if (winsock::sendto(socket, reinterpret_cast<const char*>(packet), kIcmpEchoSize, 0,
                                reinterpret_cast<const winsock::SOCKADDR*>(&destination),
                                sizeof destination) == winsock::SOCKET_ERROR) {
                Print("Failed to send data, exiting...\n");
                stopped = true;
                break;
            }
            Reply reply;
            const Wait wait = ReceiveIcmp(socket, identifier, sequence, &reply);
            if (wait == Wait::Matched) {
                Emit(text, (boost::format("%6d") % (GetTickCount() - sent)).str());
                answered = true;
                lastFrom = reply.from;
                if (reply.kind == 2) reached = true;
                continue;
            }
            if (wait == Wait::SelectFailed) {
                Print("Select() failed! Exiting...\n");
                stopped = true;
            } else if (wait == Wait::ReceiveFailed) {
                Print("Critical error when tried to receive data! Exiting...\n");
                stopped = true;
            }
            Emit(text, "   T/O");
        }
        if (answered) Emit(text, HopAddressText(lastFrom));
        Print("\n");
    }
    winsock::closesocket(socket);
    winsock::WSACleanup();
    if (reached) Print("Tracing completed\n");
    else if (stopped) Print("traceroute ended with failure\n");
    else Print("Hops limit depleted, destination was not reached\n");
    RemoveFirewallRule();
    return 0;
}
