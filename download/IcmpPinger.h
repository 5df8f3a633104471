// One ICMP echo exchange over a raw socket (Winsock through the platform layer).
//
// Thread use: one pinger per thread; the sequence counter is shared by all
// pingers of the process. The socket and event are closed by the destructor.
#pragma once

#include <cstdint>
#include <string>

#include "platform/network/IcmpPing.h"

struct PingReply {
    std::uint16_t sequence = 0;
    DWORD replyTimeMs = 0;
    int dataBytes = 0;
    int ttl = 0;
};

class IcmpPinger {
public:
    static constexpr int kPacketSize = 44;

    IcmpPinger();
    ~IcmpPinger();
    IcmpPinger(const IcmpPinger&) = delete;
    IcmpPinger& operator=(const IcmpPinger&) = delete;

    bool IsReady() const { return m_ready; }
    // Sends one echo request to an IPv4 address (network byte order) and waits
    // up to timeoutMs for its reply; false on any failure or time-out.
    bool Ping(ULONG address, PingReply* reply, DWORD timeoutMs);
    // Ping of a dotted address text; false for anything else.
    bool PingAddress(const std::string& host, PingReply* reply, DWORD timeoutMs);

private:
    bool m_started = false;
    winsock::WSAEVENT m_event = nullptr;
    std::uint16_t m_identifier = 0;
    winsock::SOCKET m_socket = winsock::INVALID_SOCKET;
    bool m_ready = false;
    unsigned char m_packet[kPacketSize] = {};
};

// RFC 1071 checksum: 16-bit little-endian words, a trailing odd byte added,
// the carry folded twice, the result inverted.
std::uint16_t IcmpChecksum(const unsigned char* bytes, int length);
// Milliseconds of the local clock, anchored to GetTickCount on first use.
DWORD PingClockMs();
// Dotted IPv4 text of a host name, "" when it cannot be resolved.
std::string ResolveHostIp(const std::string& host);
// OS code of the system (22 Windows 10 and later, 20 Windows 8.1, ...);
// the display name goes to `name` (260 characters) when it is not null.
int GetOsNameAndCode(char* name);
