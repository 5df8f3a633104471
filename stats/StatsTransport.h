// StatsTransport: how every request of the statistics and user-profile
// clients goes out through the HTTP layer.
//
// TLS verification is always on (the documents carry the machine id and the
// user's token). The settings are process-wide: the CA bundle (empty: the
// system's roots; tests point it at their own CA), the connect timeout and
// the whole-request timeout, and the ceiling on a reply body. Any thread may
// read or change them; a request takes a copy when it is built.
#pragma once

#include <cstdint>
#include <string>

#include "net/HttpRequest.h"

struct StatsTransportSettings {
    std::string caBundle;                    // PEM file of trusted roots (host path); empty: the system's
    long connectTimeoutMs = 5000;            // a dead host costs seconds, not minutes
    long totalTimeoutMs = 20000;             // one upload or profile request
    std::uint64_t replyLimit = 1024 * 1024;  // longer replies fail the request
};

StatsTransportSettings GetStatsTransportSettings();
void SetStatsTransportSettings(const StatsTransportSettings& settings);

// A request for `url` with the settings above: verification on, no redirects,
// no user agent.
net::HttpRequest MakeStatsRequest(const std::string& url);
