#include "platform/network/IcmpPing.h"

// The host headers come after the layer's header: from here on the POSIX
// macros (AF_INET, SOCK_RAW, ...) are the host's.
#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"
#include "platform/network/LoopbackGuard.h"

namespace winsock {

namespace {

thread_local int t_lastError = 0;
std::atomic<int> g_startups{0};

int FromErrno(int error) {
    switch (error) {
        case EPERM:
        case EACCES: return WSAEACCES;
        case EBADF: return WSAENOTSOCK;
        case EINTR: return WSAEINTR;
        case EFAULT: return WSAEFAULT;
        case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
        case ENETUNREACH: return WSAENETUNREACH;
        default: return WSAEINVAL;
    }
}

int Fail(int error) {
    t_lastError = error;
    SetLastError(static_cast<DWORD>(error));
    return SOCKET_ERROR;
}

class SocketEvent : public platform::KernelObject {
public:
    std::atomic<int> descriptor{-1};
    std::atomic<long> interest{0};
};

std::shared_ptr<SocketEvent> FindEvent(WSAEVENT event) { return platform::LookupHandle<SocketEvent>(event); }

std::atomic<bool> g_rawRefused{false};

// The ping sockets open now, with the identifier their caller last wrote
// into a request (the kernel sends its own in its place).
struct PingSocket {
    std::uint8_t callerIdentifier[2] = {0, 0};
};
std::mutex g_pingLock;
std::map<int, PingSocket>* g_pingSockets = nullptr;  // lives to exit

bool FindPingSocket(int descriptor, PingSocket* found) {
    std::lock_guard<std::mutex> guard(g_pingLock);
    if (g_pingSockets == nullptr) return false;
    auto it = g_pingSockets->find(descriptor);
    if (it == g_pingSockets->end()) return false;
    if (found != nullptr) *found = it->second;
    return true;
}

void Write16(std::uint8_t* bytes, std::uint16_t value) {
    bytes[0] = static_cast<std::uint8_t>(value >> 8);
    bytes[1] = static_cast<std::uint8_t>(value & 0xFF);
}

// RFC 1071 checksum of `length` bytes.
std::uint16_t Checksum(const std::uint8_t* bytes, size_t length) {
    std::uint32_t sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2) sum += static_cast<std::uint32_t>((bytes[i] << 8) | bytes[i + 1]);
    if (length % 2 != 0) sum += static_cast<std::uint32_t>(bytes[length - 1]) << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

constexpr size_t kIpv4HeaderSize = 20;

// A 20-byte IPv4 header of an ICMP packet of `total` bytes (header included).
void WriteIpv4Header(std::uint8_t* header, size_t total, in_addr source, in_addr destination, std::uint8_t ttl) {
    std::memset(header, 0, kIpv4HeaderSize);
    header[0] = 0x45;
    Write16(header + 2, static_cast<std::uint16_t>(total));
    header[8] = ttl;
    header[9] = IPPROTO_ICMP;
    std::memcpy(header + 12, &source.s_addr, 4);
    std::memcpy(header + 16, &destination.s_addr, 4);
    Write16(header + 10, Checksum(header, kIpv4HeaderSize));
}

// Puts the caller's identifier back into an echo message and mends its checksum.
void RestoreIdentifier(std::uint8_t* icmp, size_t length, const PingSocket& socket, bool mendChecksum) {
    if (length < 8) return;
    std::memcpy(icmp + 4, socket.callerIdentifier, 2);
    if (!mendChecksum) return;
    icmp[2] = icmp[3] = 0;
    Write16(icmp + 2, Checksum(icmp, length));
}

// One message of a ping socket as a raw socket gives it, into `packet`:
// first a router's report waiting on the error queue (rebuilt as an ICMP
// error quoting the probe), else an echo reply. The byte count, or -1 with
// errno set.
ssize_t ReceivePing(int descriptor, const PingSocket& socket, std::uint8_t* packet, size_t capacity, int flags,
                    sockaddr_in* source) {
    std::uint8_t quoted[576];
    sockaddr_in target{};
    alignas(cmsghdr) char control[512];
    iovec part{quoted, sizeof quoted};
    msghdr message{};
    message.msg_name = &target;
    message.msg_namelen = sizeof target;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got = ::recvmsg(descriptor, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (got >= 0) {
        const sock_extended_err* report = nullptr;
        for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr; item = CMSG_NXTHDR(&message, item))
            if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_RECVERR)
                report = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(item));
        if (report == nullptr || report->ee_origin != SO_EE_ORIGIN_ICMP) {
            errno = report != nullptr && report->ee_errno != 0 ? static_cast<int>(report->ee_errno) : EAGAIN;
            return -1;
        }
        sockaddr_in offender{};
        std::memcpy(&offender, SO_EE_OFFENDER(report), sizeof offender);
        // IPv4 header, ICMP error header, the probe's IPv4 header, its first 8 bytes.
        const size_t total = kIpv4HeaderSize + 8 + kIpv4HeaderSize + 8;
        if (got < 8 || capacity < total) {
            errno = EMSGSIZE;
            return -1;
        }
        std::uint8_t* icmp = packet + kIpv4HeaderSize;
        std::memset(icmp, 0, 8);
        icmp[0] = report->ee_type;
        icmp[1] = report->ee_code;
        WriteIpv4Header(icmp + 8, kIpv4HeaderSize + static_cast<size_t>(got), in_addr{}, target.sin_addr, 1);
        std::memcpy(icmp + 8 + kIpv4HeaderSize, quoted, 8);
        RestoreIdentifier(icmp + 8 + kIpv4HeaderSize, 8, socket, false);
        Write16(icmp + 2, Checksum(icmp, total - kIpv4HeaderSize));
        WriteIpv4Header(packet, total, offender.sin_addr, in_addr{}, 64);
        *source = offender;
        return static_cast<ssize_t>(total);
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    if (capacity < kIpv4HeaderSize) {
        errno = EMSGSIZE;
        return -1;
    }
    socklen_t sourceLength = sizeof *source;
    got = ::recvfrom(descriptor, packet + kIpv4HeaderSize, capacity - kIpv4HeaderSize, flags | MSG_DONTWAIT,
                     reinterpret_cast<sockaddr*>(source), &sourceLength);
    if (got < 0) return -1;
    RestoreIdentifier(packet + kIpv4HeaderSize, static_cast<size_t>(got), socket, true);
    WriteIpv4Header(packet, kIpv4HeaderSize + static_cast<size_t>(got), source->sin_addr, in_addr{}, 64);
    return static_cast<ssize_t>(kIpv4HeaderSize) + got;
}

bool Readable(int descriptor, int timeoutMs) {
    pollfd entry{};
    entry.fd = descriptor;
    entry.events = POLLIN;
    return ::poll(&entry, 1, timeoutMs) > 0 && (entry.revents & POLLIN) != 0;
}

}  // namespace

int WSAStartup(WORD version, WSADATA* data) {
    if (!data) return WSAEFAULT;
    std::memset(data, 0, sizeof(*data));
    data->wVersion = version;
    data->wHighVersion = MAKEWORD(2, 2);
    std::strcpy(data->szDescription, "WinSock 2.0");
    std::strcpy(data->szSystemStatus, "Running");
    ++g_startups;
    return 0;
}

int WSACleanup() {
    if (g_startups.load() <= 0) return Fail(WSANOTINITIALISED);
    --g_startups;
    return 0;
}

int WSAGetLastError() { return t_lastError; }

SOCKET WSASocketW(int family, int type, int protocol, void*, unsigned, DWORD) {
    if (family != kAfInet || (type != kSockRaw && type != kSockDgram) || protocol != kIpProtoIcmp) {
        Fail(WSAEINVAL);
        return INVALID_SOCKET;
    }
    if (type == kSockRaw) {
        if (g_rawRefused.load()) {
            Fail(WSAEACCES);
            return INVALID_SOCKET;
        }
        int descriptor = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (descriptor < 0) {
            Fail(FromErrno(errno));
            return INVALID_SOCKET;
        }
        return static_cast<SOCKET>(descriptor);
    }
    int descriptor = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (descriptor < 0) {
        Fail(FromErrno(errno));
        return INVALID_SOCKET;
    }
    // Routers' reports (time exceeded) arrive on the error queue.
    int on = 1;
    if (::setsockopt(descriptor, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0) {
        Fail(FromErrno(errno));
        ::close(descriptor);
        return INVALID_SOCKET;
    }
    std::lock_guard<std::mutex> guard(g_pingLock);
    if (g_pingSockets == nullptr) g_pingSockets = new std::map<int, PingSocket>();
    (*g_pingSockets)[descriptor] = PingSocket{};
    return static_cast<SOCKET>(descriptor);
}

int closesocket(SOCKET socket) {
    if (socket == INVALID_SOCKET) return Fail(WSAENOTSOCK);
    {
        std::lock_guard<std::mutex> guard(g_pingLock);
        if (g_pingSockets != nullptr) g_pingSockets->erase(static_cast<int>(socket));
    }
    if (::close(static_cast<int>(socket)) != 0) return Fail(WSAENOTSOCK);
    return 0;
}

int sendto(SOCKET socket, const char* buffer, int length, int flags, const SOCKADDR* to, int toLength) {
    if (!buffer || length < 0 || !to || toLength < static_cast<int>(sizeof(SOCKADDR_IN))) return Fail(WSAEFAULT);
    const SOCKADDR_IN* target = reinterpret_cast<const SOCKADDR_IN*>(to);
    // Test runs never send a packet off this machine.
    if (platform::IsLoopbackOnly() && (ntohl(target->sin_addr.s_addr) >> 24) != 127) return Fail(WSAENETUNREACH);
    sockaddr_in host{};
    host.sin_family = AF_INET;
    host.sin_port = target->sin_port;
    host.sin_addr.s_addr = target->sin_addr.s_addr;
    if (FindPingSocket(static_cast<int>(socket), nullptr)) {
        // The kernel replaces the identifier; replies get the caller's back.
        if (length < 8) return Fail(WSAEINVAL);
        std::lock_guard<std::mutex> guard(g_pingLock);
        std::memcpy((*g_pingSockets)[static_cast<int>(socket)].callerIdentifier, buffer + 4, 2);
    }
    ssize_t sent = ::sendto(static_cast<int>(socket), buffer, static_cast<size_t>(length), flags,
                            reinterpret_cast<const sockaddr*>(&host), sizeof(host));
    if (sent < 0) return Fail(FromErrno(errno));
    return static_cast<int>(sent);
}

int recvfrom(SOCKET socket, char* buffer, int length, int flags, SOCKADDR* from, int* fromLength) {
    if (!buffer || length < 0) return Fail(WSAEFAULT);
    sockaddr_in host{};
    socklen_t hostLength = sizeof(host);
    ssize_t received = 0;
    PingSocket ping;
    if (FindPingSocket(static_cast<int>(socket), &ping)) {
        std::uint8_t packet[1500];
        received = ReceivePing(static_cast<int>(socket), ping, packet, sizeof packet, flags, &host);
        if (received < 0) return Fail(FromErrno(errno));
        received = std::min<ssize_t>(received, length);  // cut to the buffer, as a raw socket does
        std::memcpy(buffer, packet, static_cast<size_t>(received));
    } else {
        received = ::recvfrom(static_cast<int>(socket), buffer, static_cast<size_t>(length), flags | MSG_DONTWAIT,
                              reinterpret_cast<sockaddr*>(&host), &hostLength);
        if (received < 0) return Fail(FromErrno(errno));
    }
    if (from && fromLength && *fromLength >= static_cast<int>(sizeof(SOCKADDR_IN))) {
        SOCKADDR_IN* out = reinterpret_cast<SOCKADDR_IN*>(from);
        std::memset(out, 0, sizeof(*out));
        out->sin_family = kAfInet;
        out->sin_port = host.sin_port;
        out->sin_addr.s_addr = host.sin_addr.s_addr;
        *fromLength = sizeof(SOCKADDR_IN);
    }
    return static_cast<int>(received);
}

int setsockopt(SOCKET socket, int level, int name, const char* value, int length) {
    if (level != kIpProtoIp || name != kIpTtl) return Fail(WSAEINVAL);
    if (!value || length < static_cast<int>(sizeof(int))) return Fail(WSAEFAULT);
    int ttl = 0;
    std::memcpy(&ttl, value, sizeof ttl);
    if (::setsockopt(static_cast<int>(socket), IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0)
        return Fail(FromErrno(errno));
    return 0;
}

int select(int, fd_set* readSet, fd_set* writeSet, fd_set* exceptSet, const timeval* timeout) {
    if (!readSet || writeSet || exceptSet || readSet->fd_count > kFdSetSize) return Fail(WSAEINVAL);
    pollfd entries[kFdSetSize] = {};
    const unsigned count = readSet->fd_count;
    for (unsigned i = 0; i < count; ++i) {
        if (readSet->fd_array[i] == INVALID_SOCKET) return Fail(WSAENOTSOCK);
        entries[i].fd = static_cast<int>(readSet->fd_array[i]);
        entries[i].events = POLLIN;
    }
    const int wait = timeout ? static_cast<int>(timeout->tv_sec * 1000 + timeout->tv_usec / 1000) : -1;
    const int ready = ::poll(entries, count, wait);
    if (ready < 0) return Fail(FromErrno(errno));
    unsigned kept = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (entries[i].revents & POLLNVAL) return Fail(WSAENOTSOCK);
        if (entries[i].revents & (POLLIN | POLLERR | POLLHUP)) readSet->fd_array[kept++] = readSet->fd_array[i];
    }
    readSet->fd_count = kept;
    return static_cast<int>(kept);
}

WSAEVENT WSACreateEvent() { return platform::RegisterHandle(std::make_shared<SocketEvent>()); }

BOOL WSACloseEvent(WSAEVENT event) { return FindEvent(event) && platform::ReleaseHandle(event) ? TRUE : FALSE; }

int WSAEventSelect(SOCKET socket, WSAEVENT event, long networkEvents) {
    std::shared_ptr<SocketEvent> record = FindEvent(event);
    if (!record) return Fail(WSAEINVAL);
    if (socket == INVALID_SOCKET) return Fail(WSAENOTSOCK);
    record->descriptor = static_cast<int>(socket);
    record->interest = networkEvents;
    return 0;
}

DWORD WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* events, BOOL, DWORD timeout, BOOL) {
    if (count != 1 || !events) {
        Fail(WSAEINVAL);
        return WSA_WAIT_FAILED;
    }
    std::shared_ptr<SocketEvent> record = FindEvent(events[0]);
    if (!record || record->descriptor < 0) {
        Fail(WSAEINVAL);
        return WSA_WAIT_FAILED;
    }
    int wait = timeout == INFINITE ? -1 : static_cast<int>(timeout);
    return Readable(record->descriptor, wait) ? WSA_WAIT_EVENT_0 : WSA_WAIT_TIMEOUT;
}

int WSAEnumNetworkEvents(SOCKET socket, WSAEVENT event, WSANETWORKEVENTS* events) {
    if (!events) return Fail(WSAEFAULT);
    std::shared_ptr<SocketEvent> record = FindEvent(event);
    if (!record) return Fail(WSAEINVAL);
    std::memset(events, 0, sizeof(*events));
    if ((record->interest & FD_READ) && Readable(static_cast<int>(socket), 0)) events->lNetworkEvents |= FD_READ;
    return 0;
}

ULONG inet_addr(const char* text) {
    in_addr address{};
    if (!text || ::inet_pton(AF_INET, text, &address) != 1) return INADDR_NONE;
    return address.s_addr;
}

char* inet_ntoa(IN_ADDR address) {
    thread_local char text[INET_ADDRSTRLEN];
    in_addr host{};
    host.s_addr = address.s_addr;
    if (!::inet_ntop(AF_INET, &host, text, sizeof(text))) text[0] = '\0';
    return text;
}

int getnameinfo(const SOCKADDR* address, int addressLength, char* host, DWORD hostSize, char* service,
                DWORD serviceSize, int flags) {
    if (!address || addressLength < static_cast<int>(sizeof(SOCKADDR_IN)) || address->sa_family != kAfInet)
        return WSAEAFNOSUPPORT;
    const SOCKADDR_IN* source = reinterpret_cast<const SOCKADDR_IN*>(address);
    sockaddr_in hostAddress{};
    hostAddress.sin_family = AF_INET;
    hostAddress.sin_port = source->sin_port;
    hostAddress.sin_addr.s_addr = source->sin_addr.s_addr;
    int hostFlags = 0;
    if (flags & kNiNumericHost) hostFlags |= NI_NUMERICHOST;
    if (flags & kNiNameReqd) hostFlags |= NI_NAMEREQD;
    const int result = ::getnameinfo(reinterpret_cast<const sockaddr*>(&hostAddress), sizeof hostAddress, host,
                                     host ? hostSize : 0, service, service ? serviceSize : 0, hostFlags);
    if (result != 0) {
        t_lastError = WSAHOST_NOT_FOUND;
        return WSAHOST_NOT_FOUND;
    }
    return 0;
}

HOSTENT* gethostbyname(const char* name) {
    struct Record {
        HOSTENT entry{};
        std::string name;
        ULONG address = 0;
        char* addresses[2] = {nullptr, nullptr};
        char* aliases[1] = {nullptr};
    };
    thread_local Record record;
    if (!name || !*name) {
        Fail(WSAHOST_NOT_FOUND);
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) {
        Fail(WSAHOST_NOT_FOUND);
        return nullptr;
    }
    record.address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    record.name = name;
    record.addresses[0] = reinterpret_cast<char*>(&record.address);
    record.entry.h_name = record.name.data();
    record.entry.h_aliases = record.aliases;
    record.entry.h_addrtype = kAfInet;
    record.entry.h_length = 4;
    record.entry.h_addr_list = record.addresses;
    return &record.entry;
}

}  // namespace winsock

void platform::SetRawIcmpRefused(bool refused) { winsock::g_rawRefused.store(refused); }
