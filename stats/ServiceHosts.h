// The host names of the user-profile service and of the regional API servers.
//
// They are deployment values: reserved names that resolve nowhere until a
// release puts real ones in. Tests point them at their loopback servers
// ("127.0.0.1:port" is a host here). Any thread may read or change them.
#pragma once

#include <string>

struct ServiceHosts {
    std::string profile = "profile.qov-services.invalid";
    std::string profileTest = "profile-test.qov-services.invalid";
    std::string apiDefault = "global.api.qov-services.invalid";  // the "*" entry
    std::string apiJapan = "jpn.api.qov-services.invalid";
    std::string apiEnglish = "enu.api.qov-services.invalid";
    std::string apiGerman = "ger.api.qov-services.invalid";
    std::string apiTest = "test.api.qov-services.invalid";
    // The label by which the server list recognises the default host in a base url.
    std::string apiDefaultLabel = "global.api.";
};

ServiceHosts GetServiceHosts();
void SetServiceHosts(const ServiceHosts& hosts);

// "https://" + the profile host (or its test twin) + "/api/user/info".
std::string UserProfileUrl(bool testServer);
