// Winsock calls of the mirror ping and the route trace: ICMP sockets, socket
// events and IPv4 name lookup, shaped like WS2_32.
//
// They live in namespace winsock because the host's socket headers own the
// global names (sendto, inet_addr, ...). HAVE_RAW_ICMP is 1 where a raw ICMP
// socket can be opened at all; on Linux that needs CAP_NET_RAW (root), as on
// Windows it needs administrator rights, and without it WSASocketW fails with
// WSAEACCES and every ping fails.
//
// Where raw sockets are refused, an ICMP datagram socket (kSockDgram) may
// still be allowed: Linux's unprivileged ping socket, open to the groups in
// net.ipv4.ping_group_range. It sends echo requests only, and the kernel puts
// its own identifier in them; recvfrom gives what a raw socket would (an
// IPv4 header before the ICMP message, the caller's identifier restored, and
// a router's time-exceeded report rebuilt from the socket's error queue), so
// that one decoder reads both kinds.
#pragma once

#include "platform/base/Win32Types.h"

#define HAVE_RAW_ICMP 1

namespace winsock {

using SOCKET = UINT_PTR;
using WSAEVENT = HANDLE;
constexpr SOCKET INVALID_SOCKET = ~static_cast<SOCKET>(0);
constexpr int SOCKET_ERROR = -1;

constexpr int kAfInet = 2;       // AF_INET
constexpr int kSockDgram = 2;    // SOCK_DGRAM (with kIpProtoIcmp: the ping socket)
constexpr int kSockRaw = 3;      // SOCK_RAW
constexpr int kIpProtoIcmp = 1;  // IPPROTO_ICMP
constexpr long FD_READ = 0x01;
constexpr DWORD WSA_WAIT_EVENT_0 = 0;
constexpr DWORD WSA_WAIT_TIMEOUT = 258;
constexpr DWORD WSA_WAIT_FAILED = 0xFFFFFFFFu;
constexpr ULONG INADDR_NONE = 0xFFFFFFFFu;

constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSAHOST_NOT_FOUND = 11001;

inline constexpr WORD MAKEWORD(BYTE low, BYTE high) { return static_cast<WORD>(low | (high << 8)); }

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};

struct IN_ADDR {
    ULONG s_addr;  // network byte order
};

struct SOCKADDR {
    unsigned short sa_family;
    char sa_data[14];
};

struct SOCKADDR_IN {
    short sin_family;
    unsigned short sin_port;
    IN_ADDR sin_addr;
    char sin_zero[8];
};

struct HOSTENT {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;
};

struct WSANETWORKEVENTS {
    long lNetworkEvents;
    int iErrorCode[10];
};

int WSAStartup(WORD version, WSADATA* data);
int WSACleanup();
int WSAGetLastError();

// Only AF_INET ICMP sockets are offered, raw or datagram (see above).
SOCKET WSASocketW(int family, int type, int protocol, void* protocolInfo, unsigned group, DWORD flags);
int closesocket(SOCKET socket);
// Only kIpProtoIp / kIpTtl (an int) is offered.
constexpr int kIpProtoIp = 0;  // IPPROTO_IP
constexpr int kIpTtl = 4;      // IP_TTL
int setsockopt(SOCKET socket, int level, int name, const char* value, int length);
// In a loopback-only run (LoopbackGuard.h) a destination outside 127.0.0.0/8
// fails with WSAENETUNREACH before anything is sent.
int sendto(SOCKET socket, const char* buffer, int length, int flags, const SOCKADDR* to, int toLength);
int recvfrom(SOCKET socket, char* buffer, int length, int flags, SOCKADDR* from, int* fromLength);

// Readability of up to 64 sockets; only the read set is supported (the
// others must be null). Returns the count of readable sockets, 0 on timeout.
constexpr unsigned kFdSetSize = 64;  // FD_SETSIZE
struct fd_set {
    unsigned int fd_count;
    SOCKET fd_array[kFdSetSize];
};
struct timeval {
    long tv_sec;
    long tv_usec;
};
int select(int ignored, fd_set* readSet, fd_set* writeSet, fd_set* exceptSet, const timeval* timeout);

WSAEVENT WSACreateEvent();
BOOL WSACloseEvent(WSAEVENT event);
// Associates the socket with the event; only FD_READ is reported.
int WSAEventSelect(SOCKET socket, WSAEVENT event, long networkEvents);
// Waits on one event (count must be 1).
DWORD WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* events, BOOL waitAll, DWORD timeout, BOOL alertable);
int WSAEnumNetworkEvents(SOCKET socket, WSAEVENT event, WSANETWORKEVENTS* events);

// Dotted IPv4 text to an address in network byte order; INADDR_NONE when it is not one.
ULONG inet_addr(const char* text);
// Dotted text of an address (a per-thread buffer).
char* inet_ntoa(IN_ADDR address);
// IPv4 lookup (a per-thread record); null with WSAHOST_NOT_FOUND when none.
HOSTENT* gethostbyname(const char* name);

// Host name of an IPv4 address (the dotted text when it has no name unless
// kNiNameReqd). Returns 0 or a WSA error.
constexpr int kNiMaxHost = 1025;      // NI_MAXHOST
constexpr int kNiNumericHost = 0x02;  // NI_NUMERICHOST
constexpr int kNiNameReqd = 0x04;     // NI_NAMEREQD
int getnameinfo(const SOCKADDR* address, int addressLength, char* host, DWORD hostSize, char* service,
                DWORD serviceSize, int flags);

}  // namespace winsock

namespace platform {

// Tests: raw ICMP sockets are refused as they are to a user without
// CAP_NET_RAW (WSAEACCES), whatever this process may do. Off by default.
void SetRawIcmpRefused(bool refused);

}  // namespace platform
