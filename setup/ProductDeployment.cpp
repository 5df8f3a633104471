#include "setup/ProductDeployment.h"

#include <mutex>

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

}  // namespace

std::string StatsHost() {
    std::lock_guard<std::mutex> guard(StatsHostLock());
    return StatsHostValue();
}

void SetStatsHost(const std::string& host) {
    std::lock_guard<std::mutex> guard(StatsHostLock());
    StatsHostValue() = host;
}

const char* StatsCaBundle() { return SETUP_DEMO_STATS_CA; }

}  // namespace deployment
