#include "stats/WebStatsManager.h"

#include <cstdio>
#include <exception>

#include "formats/json/CJsonObject.h"
#include "net/HttpTransfer.h"
#include "platform/base/Clock.h"
#include "platform/files/FileSystem.h"
#include "stats/ProfileReply.h"
#include "stats/ServiceHosts.h"
#include "stats/StatsTransport.h"
#include "util/Base64.h"

namespace {

// One lock for every manager's cache and one for the cache file.
std::mutex& CacheLock() {
    static std::mutex lock;
    return lock;
}
std::mutex& CacheFileLock() {
    static std::mutex lock;
    return lock;
}

constexpr const char* kCacheFileName = "65518339-F04A-4B70-839E-FD168961FDV1";
constexpr int kRequestAttempts = 3;

}  // namespace

bool CreateWebStatsManager(const WebStatsConfig& config, boost::shared_ptr<IWebStatsManager>& out) {
    try {
        WebStatsManager* manager = new WebStatsManager(config);
        out = boost::shared_ptr<IWebStatsManager>(manager, [](IWebStatsManager* item) {
            delete static_cast<WebStatsManager*>(item);
        });
        return true;
    } catch (const std::exception&) {
        out.reset();
        return false;
    }
}

WebStatsManager::WebStatsManager(const WebStatsConfig& config) : m_config(config), m_email(config.email) {
    LoadCache();
}

WebStatsManager::~WebStatsManager() { JoinAll(); }

bool WebStatsManager::Init() { return true; }

void WebStatsManager::SetLogCallback(WebStatsLogFunction log) { m_log = log; }

bool WebStatsManager::ReservedOperation(int) { return true; }

int WebStatsManager::GetTokenFromCookies(const std::string&, int, std::int32_t*) { return 0; }

std::string WebStatsManager::GetCacheText() {
    std::lock_guard<std::mutex> guard(CacheLock());
    return m_cacheText;
}

void WebStatsManager::StoreCache(const std::string& text) {
    std::lock_guard<std::mutex> guard(CacheLock());
    m_cacheText = text;
}

std::string WebStatsManager::GetTokenId() { return CachedUserInfoString(GetCacheText(), "token_id"); }

std::string WebStatsManager::GetNewTokenId() { return CachedUserInfoString(GetCacheText(), "new_token_id"); }

std::shared_ptr<std::atomic<bool>> WebStatsManager::StartWorker(void (WebStatsManager::*body)(), bool isCheck) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard<std::mutex> guard(m_threadLock);
    try {
        m_threads.push_back(std::make_unique<boost::thread>([this, body, done] {
            (this->*body)();
            done->store(true);
        }));
    } catch (const std::exception& error) {
        Log("Error: WebStatsManager catch exception!! %s %s %d\n", error.what(), "WebStatsManager.cpp", __LINE__);
        return nullptr;
    }
    if (isCheck) m_checkDone = done;
    return done;
}

void WebStatsManager::StartCheck() { StartWorker(&WebStatsManager::RunCheck, true); }

void WebStatsManager::StartTokenSync() { StartWorker(&WebStatsManager::RunTokenSync, false); }

void WebStatsManager::SetEmail(const std::string& email) {
    {
        std::lock_guard<std::mutex> guard(CacheLock());
        if (email == m_email) return;
        m_email = email;
    }
    StartWorker(&WebStatsManager::RunRegister, false);
}

bool WebStatsManager::IsCheckDone() {
    std::lock_guard<std::mutex> guard(m_threadLock);
    return !m_checkDone || m_checkDone->load();
}

bool WebStatsManager::JoinAll() {
    std::vector<std::unique_ptr<boost::thread>> threads;
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        threads.swap(m_threads);
    }
    // Joined without the lock: a worker may still ask IsCheckDone.
    for (auto& thread : threads)
        if (thread->joinable()) thread->join();
    std::lock_guard<std::mutex> guard(m_threadLock);
    if (m_threads.empty()) m_checkDone.reset();
    return true;
}

bool WebStatsManager::RequestUserInfo(std::string& reply) {
    CJsonObject body;
    body.Add("machine_id", m_config.machine_id);
    body.Add("email", m_config.email);
    body.Add("domain", m_config.domain);
    body.Add("app_id", m_config.app_id);
    body.Add("app_platform", m_config.app_platform);
    body.Add("app_version", std::string("1"));
    net::HttpRequest request = MakeStatsRequest(UserProfileUrl(m_config.testServer));
    request.userAgent = "QovApp/3.0";
    request.body = body.ToString();
    request.contentType = "application/json";
    request.headers.push_back("charsets: utf-8");
    std::string lastError;
    for (int attempt = 0; attempt < kRequestAttempts; ++attempt) {
        const net::HttpResponse response = net::FetchToString(request, &reply);
        if (response.Ok()) return true;
        lastError = response.errorText;
    }
    Log("error curl post: %s\n", lastError.c_str());
    return false;
}

void WebStatsManager::CheckNewVersion(bool force) {
    try {
        std::string reply;
        if (!RequestUserInfo(reply)) return;
        const ProfileCheckResult result =
            EvaluateProfileReply(reply, GetCacheText(), LocalToday(), force, m_log.load());
        if (result.outcome != ProfileCheckResult::Outcome::Refreshed) return;
        StoreCache(result.cache);
        if (m_config.writeCache) Log("CheckNewVersion: Update cache file %s\n", SaveCache() ? "success" : "failed");
    } catch (const std::exception& error) {
        Log("Error: WebStatsManager catch exception!! %s %s %d\n", error.what(), "WebStatsManager.cpp", __LINE__);
    } catch (...) {
        Log("Error: WebStatsManager catch exception!! %s %d\n", "WebStatsManager.cpp", __LINE__);
    }
}

void WebStatsManager::OnRegister() {
    try {
        while (!IsCheckDone()) Sleep(300);
        std::string email;
        CJsonObject document;
        {
            std::lock_guard<std::mutex> guard(CacheLock());
            email = m_email;
            if (!document.Parse(m_cacheText)) return;
        }
        CJsonObject user;
        if (!document.Get("user_info", user)) return;
        if (!user.Replace("email", email)) {
            Log("Error: replace name failed, msg=%s\n", user.GetLastErrorText().c_str());
            return;
        }
        if (!document.Replace("user_info", user)) {
            Log("Error: replace user_info failed, msg=%s\n", document.GetLastErrorText().c_str());
            return;
        }
        StoreCache(document.ToString());
        if (m_config.writeCache) Log("OnRegister: Update cahe file %s\n", SaveCache() ? "success" : "failed");
    } catch (const std::exception& error) {
        Log("Error: WebStatsManager catch exception!! %s %s %d\n", error.what(), "WebStatsManager.cpp", __LINE__);
    }
}

std::string WebStatsManager::CacheFilePath() const { return m_config.cacheDirectory + kCacheFileName; }

bool WebStatsManager::LoadCache() {
    const std::string path = CacheFilePath();
    if (!PathFileExistsA(path.c_str())) return false;
    std::string text;
    {
        std::lock_guard<std::mutex> guard(CacheFileLock());
        FILE* file = nullptr;
        if (fopen_s(&file, path.c_str(), "rb") != 0 || file == nullptr) {
            Log("Error: open file failed!\n");
            return false;
        }
        char buffer[4096];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
        std::fclose(file);
    }
    StoreCache(Base64DecodeString(text));
    return true;
}

bool WebStatsManager::SaveCache() {
    const std::string cache = GetCacheText();
    const std::string text = Base64Encode(reinterpret_cast<const unsigned char*>(cache.data()), cache.size());
    std::lock_guard<std::mutex> guard(CacheFileLock());
    FILE* file = nullptr;
    if (fopen_s(&file, CacheFilePath().c_str(), "wb") != 0 || file == nullptr) {
        Log("Error: write cache file failed!\n");
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

bool WebStatsManager::NeedsTokenUpload(const std::string& local, const std::string& cookie) {
    CJsonObject cookieDocument(cookie);
    CJsonObject localDocument(local);
    CJsonObject webTokens;
    if (!cookieDocument.Get("web_token", webTokens) || !webTokens.IsArray() || webTokens.GetArraySize() == 0)
        return false;
    std::vector<std::string> known;
    CJsonObject tokenList;
    if (localDocument.Get("token_list", tokenList) && tokenList.IsArray()) {
        for (int i = 0; i < tokenList.GetArraySize(); ++i) {
            std::string item;
            if (tokenList.Get(i, item)) known.push_back(item);
        }
    }
    if (known.empty()) return true;
    for (int i = 0; i < webTokens.GetArraySize(); ++i) {
        CJsonObject element;
        std::string item;
        if (!webTokens.Get(i, element) || !element.Get("item", item)) continue;
        bool found = false;
        for (const std::string& token : known) found = found || token == item;
        if (!found) return true;
    }
    return false;
}

void WebStatsManager::TokenSyncThread() {
    try {
        const std::string local = GetCacheText();
        // This system reads no cookie tokens: the cookie document is empty.
        const std::string cookie;
        if (m_config.testServer) {
            Log("local token info:  %s", local.c_str());
            Log("cookie token info: %s", cookie.c_str());
        }
        const bool upload = NeedsTokenUpload(local, cookie);
        if (upload) Log("Upload token info, %d", UploadTokenInfo(cookie));
        CheckNewVersion(upload);
    } catch (const std::exception& error) {
        Log("Error: WebStatsManager catch exception!! %s %s %d\n", error.what(), "WebStatsManager.cpp", __LINE__);
    }
}
