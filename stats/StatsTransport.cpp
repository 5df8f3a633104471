#include "stats/StatsTransport.h"

#include <mutex>

namespace {

std::mutex& SettingsLock() {
    static std::mutex lock;
    return lock;
}

StatsTransportSettings& Settings() {
    static StatsTransportSettings settings;
    return settings;
}

}  // namespace

StatsTransportSettings GetStatsTransportSettings() {
    std::lock_guard<std::mutex> guard(SettingsLock());
    return Settings();
}

void SetStatsTransportSettings(const StatsTransportSettings& settings) {
    std::lock_guard<std::mutex> guard(SettingsLock());
    Settings() = settings;
}

net::HttpRequest MakeStatsRequest(const std::string& url) {
    const StatsTransportSettings settings = GetStatsTransportSettings();
    net::HttpRequest request;
    request.method = net::HttpMethod::Post;
    request.url = url;
    request.userAgent.clear();
    request.tls.verifyPeer = true;
    request.tls.caBundle = settings.caBundle;
    request.connectTimeoutMs = settings.connectTimeoutMs;
    request.totalTimeoutMs = settings.totalTimeoutMs;
    request.maxRedirects = 0;
    request.bodyLimit = settings.replyLimit;
    return request;
}
