// StatsClient: what every statistics document has in common: the installing
// machine's and product's identity, the user-profile fetch, the "app" and
// "user_info" sections, and the multipart upload to the statistics endpoint.
//
// The install report derives from it. Its operations run on the short
// statistics threads and the install-folder scan thread at the same time:
// the identity strings are guarded by a lock and the values the scan writes
// are atomics, so any thread may call any operation. Nothing here throws.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include <boost/shared_ptr.hpp>

#include "formats/json/CJsonObject.h"
#include "stats/IWebStatsManager.h"

class StatsClient {
public:
    StatsClient();
    virtual ~StatsClient();
    StatsClient(const StatsClient&) = delete;
    StatsClient& operator=(const StatsClient&) = delete;

    void SetAppFrom(const std::string& appFrom);

    // The "app" section: language, system_version, id, type, version,
    // n_version (integer), client_id, app_name, app_from, machine_id.
    CJsonObject BuildAppInfo(std::string id, std::string version, std::string appName, std::string clientId, bool x64);
    // The "user_info" section: machine_id, mail, token_id.
    CJsonObject BuildUserInfo(const std::string& mail, const std::string& tokenId);

    // Stores the identity, asks the user-profile service through a manager of
    // its own and returns the cached profile text ("" when no manager could
    // be made or started). Blocks until the request has ended.
    std::string FetchUserInfo(const std::string& domain, const std::string& productId, const std::string& shortName,
                              bool x64);

    // One multipart upload to url + "?index=" + index. Mode 2 adds "hash" = "2"
    // and encodes "json_data" and the reply with the statistics alphabet;
    // "upload_type" and the file part go along only when `uploadFile` names an
    // existing file. True only for a {"result":{"res":true}} reply.
    bool PostDocument(const std::string& url, const std::string& index, const std::string& jsonText,
                      const std::string& uploadType, const std::string& uploadFile, int mode);

    // Asks a manager for the cookie token, sets the token-check-done flag and
    // logs the result. Returns 0.
    int GetTokenFromCookies(const std::string& folder);

    // A multipart POST of {"machine_id","email","domain"} as "json_data";
    // the reply body goes to *reply. True when the transfer succeeded.
    bool PostUserProfileForm(const std::string& url, const std::string& machineId, const std::string& email,
                             const std::string& domain, std::string* reply);

protected:
    // The configuration a manager of this client is made from.
    WebStatsConfig MakeManagerConfig();

    bool IsTokenCheckDone() const { return m_tokenCheckDone.load(); }
    std::int32_t GetCookieFlags() const { return m_cookieFlags.load(); }
    bool IsTokenMissing() const { return m_tokenMissing.load(); }
    bool IsUserInfoFetched() const { return m_userInfoFetched.load(); }
    std::int32_t GetCookieTokenResult() const { return m_cookieTokenResult.load(); }

private:
    mutable std::mutex m_identityLock;  // guards the four strings and m_x64
    std::string m_domain;
    std::string m_productId;
    std::string m_shortName;
    std::string m_appFrom;
    std::atomic<bool> m_userInfoFetched{false};
    std::atomic<bool> m_tokenMissing{false};
    std::atomic<std::int32_t> m_cookieTokenResult{0};
    bool m_x64 = false;
    std::atomic<std::int32_t> m_cookieFlags{0};  // bit 0: main family cookie, bit 1: streaming product cookie
    std::atomic<bool> m_tokenCheckDone{false};
};

// A copy of the token id the last successful profile fetch returned ("" before).
std::string GetStatsTokenId();

// CreateWebStatsManager under the process-wide creation lock.
bool CreateWebStatsManagerLocked(const WebStatsConfig& config, boost::shared_ptr<IWebStatsManager>& out);

// The "n_version" value of a version text: its leading base-10 number
// (leading blanks and a sign allowed), 0 when there is none or it does not
// fit in 32 bits (the reason is printed to standard output).
std::int32_t VersionNumber(const std::string& version);
