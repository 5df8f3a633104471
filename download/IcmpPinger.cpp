#include "download/IcmpPinger.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/base/Clock.h"
#include "platform/base/Environment.h"
#include "platform/base/LastError.h"
#include "util/Log.h"

namespace {
std::atomic<std::uint16_t> g_sequence{0};
}

std::uint16_t IcmpChecksum(const unsigned char* bytes, int length) {
    std::uint32_t sum = 0;
    int i = 0;
    for (; i + 1 < length; i += 2)
        sum += static_cast<std::uint32_t>(bytes[i]) | (static_cast<std::uint32_t>(bytes[i + 1]) << 8);
    if (i < length) sum += bytes[i];
    sum = (sum >> 16) + (sum & 0xFFFF);
    sum += sum >> 16;
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

DWORD PingClockMs() {
    struct Anchor {
        DWORD tick;
        ULONGLONG localMs;
    };
    auto localNowMs = [] {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        // Milliseconds since midnight suffice: only differences are used.
        return static_cast<ULONGLONG>(now.wHour) * 3600000ull + now.wMinute * 60000ull + now.wSecond * 1000ull +
               now.wMilliseconds;
    };
    static const Anchor anchor{GetTickCount(), localNowMs()};
    // The tick count keeps the clock monotonic across midnight and clock changes.
    return GetTickCount() - anchor.tick + static_cast<DWORD>(anchor.localMs);
}

IcmpPinger::IcmpPinger() {
    winsock::WSADATA data{};
    if (winsock::WSAStartup(winsock::MAKEWORD(1, 1), &data) != 0) {
        std::printf("WSAStartup() failed: %d\n", static_cast<int>(GetLastError()));
        return;
    }
    m_started = true;
    m_event = winsock::WSACreateEvent();
    m_identifier = static_cast<std::uint16_t>(GetCurrentProcessId() & 0xFFFF);
    m_socket = winsock::WSASocketW(winsock::kAfInet, winsock::kSockRaw, winsock::kIpProtoIcmp, nullptr, 0, 0);
    if (m_socket == winsock::INVALID_SOCKET) {
        WriteLog("WSASocket() failed: %d\n", winsock::WSAGetLastError());
        return;
    }
    winsock::WSAEventSelect(m_socket, m_event, winsock::FD_READ);
    m_ready = true;
}

IcmpPinger::~IcmpPinger() {
    if (m_socket != winsock::INVALID_SOCKET) winsock::closesocket(m_socket);
    if (m_event) winsock::WSACloseEvent(m_event);
    if (m_started) winsock::WSACleanup();
}

bool IcmpPinger::Ping(ULONG address, PingReply* reply, DWORD timeoutMs) {
    if (!m_ready) return false;
    std::uint16_t sequence = ++g_sequence;
    std::memset(m_packet, 0, sizeof(m_packet));
    m_packet[0] = 8;  // echo request
    m_packet[1] = 0;
    std::memcpy(m_packet + 4, &m_identifier, 2);
    std::memcpy(m_packet + 6, &sequence, 2);
    DWORD sendTime = PingClockMs();
    std::memcpy(m_packet + 8, &sendTime, 4);
    std::uint16_t checksum = IcmpChecksum(m_packet, kPacketSize);
    std::memcpy(m_packet + 2, &checksum, 2);

    winsock::SOCKADDR_IN target{};
    target.sin_family = winsock::kAfInet;
    target.sin_addr.s_addr = address;
    if (winsock::sendto(m_socket, reinterpret_cast<const char*>(m_packet), kPacketSize, 0,
                        reinterpret_cast<const winsock::SOCKADDR*>(&target), sizeof(target)) == winsock::SOCKET_ERROR)
        return false;
    if (!reply) return true;

    while (PingClockMs() - sendTime < timeoutMs) {
        if (winsock::WSAWaitForMultipleEvents(1, &m_event, FALSE, 100, FALSE) != winsock::WSA_WAIT_EVENT_0) continue;
        winsock::WSANETWORKEVENTS events{};
        if (winsock::WSAEnumNetworkEvents(m_socket, m_event, &events) != 0 ||
            !(events.lNetworkEvents & winsock::FD_READ))
            continue;
        DWORD arrival = PingClockMs();
        unsigned char buffer[256];
        winsock::SOCKADDR_IN from{};
        int fromLength = sizeof(from);
        int received = winsock::recvfrom(m_socket, reinterpret_cast<char*>(buffer), sizeof(buffer), 0,
                                         reinterpret_cast<winsock::SOCKADDR*>(&from), &fromLength);
        if (received <= 0) continue;
        int headerLength = (buffer[0] & 0x0F) * 4;
        if (headerLength < 20 || received < headerLength + 12) continue;
        const unsigned char* icmp = buffer + headerLength;
        std::uint16_t identifier = 0;
        std::uint16_t replySequence = 0;
        DWORD stamp = 0;
        std::memcpy(&identifier, icmp + 4, 2);
        std::memcpy(&replySequence, icmp + 6, 2);
        std::memcpy(&stamp, icmp + 8, 4);
        if (icmp[0] != 0 || identifier != m_identifier || replySequence != sequence) continue;
        reply->sequence = replySequence;
        reply->replyTimeMs = arrival - stamp;
        reply->dataBytes = received - headerLength - 12;
        reply->ttl = buffer[8];
        return true;
    }
    return false;
}

bool IcmpPinger::PingAddress(const std::string& host, PingReply* reply, DWORD timeoutMs) {
    ULONG address = winsock::inet_addr(host.c_str());
    if (address == winsock::INADDR_NONE) return false;
    return Ping(address, reply, timeoutMs);
}

std::string ResolveHostIp(const std::string& host) {
    winsock::WSADATA data{};
    if (winsock::WSAStartup(winsock::MAKEWORD(2, 2), &data) != 0) return "";
    std::string text;
    winsock::HOSTENT* entry = winsock::gethostbyname(host.c_str());
    if (entry && entry->h_addr_list && entry->h_addr_list[0]) {
        winsock::IN_ADDR address{};
        std::memcpy(&address.s_addr, entry->h_addr_list[0], 4);
        text = winsock::inet_ntoa(address);
    }
    winsock::WSACleanup();
    return text;
}
