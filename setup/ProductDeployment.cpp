#include "setup/ProductDeployment.h"

#include <mutex>

#include "stats/ServiceHosts.h"

#ifndef SETUP_DEMO_STATS_HOST
#define SETUP_DEMO_STATS_HOST ""
#endif
#ifndef SETUP_DEMO_STATS_CA
#define SETUP_DEMO_STATS_CA ""
#endif

namespace deployment {
namespace {

std::mutex& StatsHostLock() {
    static std::mutex lock;
    return lock;
}

std::string& StatsHostValue() {
    static std::string host = SETUP_DEMO_STATS_HOST;
    return host;
}

// A named statistics server answers the user-profile requests as well;
// without one the profile service is the product's own again.
void PointProfileServiceAt(const std::string& host) {
    ServiceHosts hosts = GetServiceHosts();
    const ServiceHosts defaults;
    hosts.profile = host.empty() ? defaults.profile : host;
    hosts.profileTest = host.empty() ? defaults.profileTest : host;
    SetServiceHosts(hosts);
}

}  // namespace

std::string StatsHost() {
    std::lock_guard<std::mutex> guard(StatsHostLock());
    return StatsHostValue();
}

void SetStatsHost(const std::string& host) {
    {
        std::lock_guard<std::mutex> guard(StatsHostLock());
        StatsHostValue() = host;
    }
    PointProfileServiceAt(host);
}

void ApplyStatsHost() {
    const std::string host = StatsHost();
    if (!host.empty()) PointProfileServiceAt(host);
}

const char* StatsCaBundle() { return SETUP_DEMO_STATS_CA; }

}  // namespace deployment
