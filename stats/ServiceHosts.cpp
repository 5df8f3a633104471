#include "stats/ServiceHosts.h"

#include <mutex>

namespace {

std::mutex& HostsLock() {
    static std::mutex lock;
    return lock;
}

ServiceHosts& Hosts() {
    static ServiceHosts hosts;
    return hosts;
}

}  // namespace

ServiceHosts GetServiceHosts() {
    std::lock_guard<std::mutex> guard(HostsLock());
    return Hosts();
}

void SetServiceHosts(const ServiceHosts& hosts) {
    std::lock_guard<std::mutex> guard(HostsLock());
    Hosts() = hosts;
}

std::string UserProfileUrl(bool testServer) {
    const ServiceHosts hosts = GetServiceHosts();
    return "https://" + (testServer ? hosts.profileTest : hosts.profile) + "/api/user/info";
}
