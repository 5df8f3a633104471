// IWebStatsManager: the user-profile client's interface.
//
// Callers hold a manager in a boost::shared_ptr made by CreateWebStatsManager,
// whose deleter destroys the implementation. The order a caller follows:
// create; SetLogCallback; Init; StartCheck; poll IsCheckDone; GetCacheText;
// GetTokenId; JoinAll; release. JoinAll must run before the last pointer goes.
// Nothing here throws.
#pragma once

#include <cstdint>
#include <string>

#include <boost/shared_ptr.hpp>

#include "stats/WebStatsConfig.h"

// printf-style log function (WriteLog); every message of a manager goes
// through it, and nothing is logged while none is set.
using WebStatsLogFunction = void (*)(const char* format, ...);

class IWebStatsManager {
public:
    virtual bool Init() = 0;
    virtual void SetLogCallback(WebStatsLogFunction log) = 0;
    // A changed address starts a worker that writes it into the cached profile.
    virtual void SetEmail(const std::string& email) = 0;
    // Starts the profile request on a worker thread.
    virtual void StartCheck() = 0;
    // A copy of the user-profile cache (unformatted JSON, "" when empty).
    virtual std::string GetCacheText() = 0;
    virtual bool ReservedOperation(int argument) = 0;
    // Joins every worker started so far.
    virtual bool JoinAll() = 0;
    // True when no check runs (none started, or the last one has ended).
    virtual bool IsCheckDone() = 0;
    // "user_info"."token_id" of the cache, "" when there is none.
    virtual std::string GetTokenId() = 0;
    // Reserved: returns 0 and writes nothing.
    virtual int GetTokenFromCookies(const std::string& folder, int reserved, std::int32_t* flags) = 0;
    // Starts the cookie-token synchronisation on a worker thread.
    virtual void StartTokenSync() = 0;
    // "user_info"."new_token_id" of the cache, "" when there is none.
    virtual std::string GetNewTokenId() = 0;

protected:
    ~IWebStatsManager() = default;
};

// Makes a manager from `config` (it loads the token cache file); true when one was made.
bool CreateWebStatsManager(const WebStatsConfig& config, boost::shared_ptr<IWebStatsManager>& out);
