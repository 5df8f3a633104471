#include "stats/StatsClient.h"

#include <cstdio>
#include <stdexcept>

#include <boost/thread/mutex.hpp>

#include "platform/base/Clock.h"
#include "platform/base/Environment.h"
#include "stats/StatsKeys.h"
#include "util/ChosenLanguage.h"
#include "util/Log.h"
#include "util/OsVersion.h"
#include "util/SystemIdentity.h"

namespace {

// The token id of the last successful fetch; the URL builder reads it from
// the dialog's threads while a statistics thread may be writing it.
std::mutex g_tokenLock;
std::string g_tokenId;

boost::mutex& CreationLock() {
    static boost::mutex lock;
    return lock;
}

// Built at start-up, so that the first creations from two threads find it ready.
[[maybe_unused]] boost::mutex& g_creationLockReady = CreationLock();

std::string RegionOfSystemLanguage() {
    switch (PRIMARYLANGID(GetSystemDefaultLangID())) {
        case 0x11: return "JPN";
        case 0x07: return "GER";
        default: return "ENU";
    }
}

}  // namespace

std::string GetStatsTokenId() {
    std::lock_guard<std::mutex> guard(g_tokenLock);
    return g_tokenId;
}

bool CreateWebStatsManagerLocked(const WebStatsConfig& config, boost::shared_ptr<IWebStatsManager>& out) {
    boost::mutex::scoped_lock guard(CreationLock());
    return CreateWebStatsManager(config, out);
}

std::int32_t VersionNumber(const std::string& version) {
    try {
        return static_cast<std::int32_t>(std::stoi(version));
    } catch (const std::exception& error) {
        std::printf("%s\n", error.what());
        return 0;
    }
}

StatsClient::StatsClient() = default;
StatsClient::~StatsClient() = default;

void StatsClient::SetAppFrom(const std::string& appFrom) {
    std::lock_guard<std::mutex> guard(m_identityLock);
    m_appFrom = appFrom;
}

CJsonObject StatsClient::BuildAppInfo(std::string id, std::string version, std::string appName, std::string clientId,
                                      bool x64) {
    std::string appFrom;
    {
        std::lock_guard<std::mutex> guard(m_identityLock);
        appFrom = m_appFrom;
    }
    CJsonObject app;
    app.Add(StatsKeys::language, GetLanguageCode());
    app.Add(StatsKeys::system_version, GetOsShortName());
    app.Add(StatsKeys::id, id);
    app.Add(StatsKeys::type, std::string(x64 ? "x64" : "x86"));
    app.Add(StatsKeys::version, version);
    app.Add(StatsKeys::n_version, VersionNumber(version));
    app.Add(StatsKeys::client_id, clientId);
    app.Add(StatsKeys::app_name, appName);
    app.Add(StatsKeys::app_from, appFrom);
    app.Add(StatsKeys::machine_id, GetMachineMac());
    return app;
}

CJsonObject StatsClient::BuildUserInfo(const std::string& mail, const std::string& tokenId) {
    CJsonObject user;
    user.Add(StatsKeys::machine_id, GetMachineMac());
    user.Add(StatsKeys::mail, mail);
    user.Add(StatsKeys::token_id, tokenId);
    return user;
}

WebStatsConfig StatsClient::MakeManagerConfig() {
    std::lock_guard<std::mutex> guard(m_identityLock);
    WebStatsConfig config;
    config.app_id = m_shortName;
    config.app_platform = m_x64 ? "x64" : "x86";
    config.machine_id = GetMachineMac();
    config.domain = m_domain;
    config.region = RegionOfSystemLanguage();
    return config;
}

std::string StatsClient::FetchUserInfo(const std::string& domain, const std::string& productId,
                                       const std::string& shortName, bool x64) {
    {
        std::lock_guard<std::mutex> guard(m_identityLock);
        m_domain = domain;
        m_productId = productId;
        m_shortName = shortName;
        m_x64 = x64;
    }
    boost::shared_ptr<IWebStatsManager> manager;
    if (!CreateWebStatsManagerLocked(MakeManagerConfig(), manager) || !manager) return std::string();
    manager->SetLogCallback(WriteLog);
    if (!manager->Init()) return std::string();
    manager->StartCheck();
    // The request itself is bounded (three attempts, each with its timeouts).
    while (!manager->IsCheckDone()) Sleep(200);
    std::string text = manager->GetCacheText();
    m_userInfoFetched = true;
    const std::string tokenId = manager->GetTokenId();
    {
        std::lock_guard<std::mutex> guard(g_tokenLock);
        g_tokenId = tokenId;
    }
    manager->JoinAll();
    if (tokenId.empty()) m_tokenMissing = true;
    return text;
}

int StatsClient::GetTokenFromCookies(const std::string& folder) {
    boost::shared_ptr<IWebStatsManager> manager;
    if (CreateWebStatsManagerLocked(MakeManagerConfig(), manager) && manager) {
        manager->SetLogCallback(WriteLog);
        if (manager->Init()) {
            std::int32_t flags = m_cookieFlags.load();
            m_cookieTokenResult = manager->GetTokenFromCookies(folder, 0, &flags);
            m_cookieFlags = flags;
        }
        manager->JoinAll();
    }
    m_tokenCheckDone.store(true);
    WriteLog("Get Token From Cookies return: %d \n", m_cookieTokenResult.load());
    return 0;
}
