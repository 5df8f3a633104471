#include "tests/support/PrivateNetwork.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace testsupport {
namespace {

bool BringLoopbackUp() {
    int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ::ioctl(probe, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP | IFF_RUNNING);
    up = up && ::ioctl(probe, SIOCSIFFLAGS, &request) == 0;
    ::close(probe);
    return up;
}

// The namespace's own setting: /proc/sys/net shows the calling thread's network.
bool SetPingGroups(unsigned low, unsigned high) {
    int file = ::open("/proc/sys/net/ipv4/ping_group_range", O_WRONLY | O_CLOEXEC);
    if (file < 0) return false;
    std::string text = std::to_string(low) + " " + std::to_string(high) + "\n";
    bool written = ::write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(file);
    return written;
}

}  // namespace

bool RunInPrivateNetwork(bool allowPing, const std::function<void()>& body) {
    bool ran = false;
    // A namespace of one thread: the others of the test keep the host's network.
    std::thread worker([&] {
        if (::unshare(CLONE_NEWNET) != 0 || !BringLoopbackUp()) return;
        unsigned group = static_cast<unsigned>(::getegid());
        if (!(allowPing ? SetPingGroups(group, group) : SetPingGroups(1, 0))) return;
        body();
        ran = true;
    });
    worker.join();
    return ran;
}

}  // namespace testsupport
