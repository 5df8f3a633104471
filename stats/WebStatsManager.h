// WebStatsManager: the user-profile client. It asks the service for this
// machine's and product's profile (POST /api/user/info), keeps the answer's
// "data" object as the cache (optionally mirrored in the token cache file)
// and hands out the cache and the token id it holds.
//
// Workers run on boost threads: one per StartCheck, per changed SetEmail and
// per StartTokenSync. The cache is guarded by a process-wide lock, the cache
// file by a second one; a thread never holds both. Exceptions of the workers
// are caught and logged inside them.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <boost/thread/thread.hpp>

#include "stats/IWebStatsManager.h"

class WebStatsManager final : public IWebStatsManager {
public:
    explicit WebStatsManager(const WebStatsConfig& config);
    ~WebStatsManager();
    WebStatsManager(const WebStatsManager&) = delete;
    WebStatsManager& operator=(const WebStatsManager&) = delete;

    bool Init() override;
    void SetLogCallback(WebStatsLogFunction log) override;
    void SetEmail(const std::string& email) override;
    void StartCheck() override;
    std::string GetCacheText() override;
    bool ReservedOperation(int argument) override;
    bool JoinAll() override;
    bool IsCheckDone() override;
    std::string GetTokenId() override;
    int GetTokenFromCookies(const std::string& folder, int reserved, std::int32_t* flags) override;
    void StartTokenSync() override;
    std::string GetNewTokenId() override;

    // The profile request; true with the reply body when a transfer succeeded
    // (three attempts, back to back).
    bool RequestUserInfo(std::string& reply);
    // The check: request, judge the answer, refresh the cache when due.
    void CheckNewVersion(bool force);
    // Writes the configured e-mail into the cached profile once the check is done.
    void OnRegister();
    void TokenSyncThread();
    // The cookie document names a token the cached "token_list" lacks.
    static bool NeedsTokenUpload(const std::string& local, const std::string& cookie);
    // 0 uploaded, 5 not JSON, 6 no "web_token" array, 7 the upload failed.
    int UploadTokenInfo(const std::string& jsonText);

    bool LoadCache();
    bool SaveCache();
    std::string CacheFilePath() const;

private:
    template <typename... Args>
    void Log(const char* format, Args... args) {
        const WebStatsLogFunction log = m_log.load();
        if (log) log(format, args...);
    }
    void Log(const char* text) {
        const WebStatsLogFunction log = m_log.load();
        if (log) log("%s", text);
    }
    // Starts `body` on a new worker; null when the thread could not be made.
    std::shared_ptr<std::atomic<bool>> StartWorker(void (WebStatsManager::*body)(), bool isCheck);
    void RunCheck() { CheckNewVersion(false); }
    void RunTokenSync() { TokenSyncThread(); }
    void RunRegister() { OnRegister(); }
    void StoreCache(const std::string& text);

    WebStatsConfig m_config;
    std::string m_email;  // guarded by m_cacheText's lock with the cache
    std::string m_cacheText;
    std::atomic<WebStatsLogFunction> m_log{nullptr};

    std::mutex m_threadLock;  // guards the two members below
    std::vector<std::unique_ptr<boost::thread>> m_threads;
    // Set by the current check's worker when it has ended; null before the first check.
    std::shared_ptr<std::atomic<bool>> m_checkDone;
};
