// Whether this process may open a raw ICMP socket (root or CAP_NET_RAW), or
// a ping socket (its group in net.ipv4.ping_group_range).
#pragma once

#include "platform/network/IcmpPing.h"

namespace statstest {

inline bool RawIcmpSocketsAllowed() {
    const winsock::SOCKET socket =
        winsock::WSASocketW(winsock::kAfInet, winsock::kSockRaw, winsock::kIpProtoIcmp, nullptr, 0, 0);
    if (socket == winsock::INVALID_SOCKET) return false;
    winsock::closesocket(socket);
    return true;
}

inline bool PingSocketsAllowed() {
    const winsock::SOCKET socket =
        winsock::WSASocketW(winsock::kAfInet, winsock::kSockDgram, winsock::kIpProtoIcmp, nullptr, 0, 0);
    if (socket == winsock::INVALID_SOCKET) return false;
    winsock::closesocket(socket);
    return true;
}

}  // namespace statstest
