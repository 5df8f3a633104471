// WebStatsConfig: what a user-profile client is created from.
#pragma once

#include <string>

struct WebStatsConfig {
    std::string app_id;          // product identifier sent as "app_id" (the short product name)
    std::string app_platform;    // "x64" or "x86"
    std::string email;           // the user's e-mail address (empty here)
    std::string machine_id;      // GetMachineMac
    std::string domain;          // the product's web domain
    std::string cacheDirectory;  // prefix of the token cache file's path, no separator added
    std::string region;          // "JPN", "GER" or "ENU"; only the token upload uses it
    bool writeCache = false;     // mirror every change of the cache in the token cache file
    bool testServer = false;     // the test host instead of the production host
};
