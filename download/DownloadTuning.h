// Timing constants and environment hooks of one engine.
//
// The defaults are the engine's real values; tests shorten the timings and
// replace the ping, the OS code and the CDN host patterns so that scenarios
// run in a fraction of a second against loopback mirrors.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

struct DownloadTuning {
    DWORD supervisorPeriodMs = 2000;    // sleep before each supervisor pass
    DWORD stallLimitMs = 10000;         // no data for this long moves a part
    long lowSpeedTimeSeconds = 15;      // libcurl gives up below 1 B/s for this long
    DWORD startDelayMs = 20;            // pause before a replacement part starts
    DWORD pingTimeoutMs = 2000;         // ICMP echo wait
    long headTimeoutSeconds = 30;       // HEAD size request
    long loadCheckTimeoutSeconds = 10;  // "flag.php" request
    long manifestTimeoutSeconds = 60;   // manifest fetched by URL
    int maxRepairRounds = 3;            // hash-check rounds that may start repairs
    bool promptSplits = true;           // a finished part triggers its split at once, not at the next pass

    // Ping of a host text: true with the reply time in ms. Empty: ICMP echo.
    std::function<bool(const std::string& host, int* milliseconds)> ping;
    // OS code as GetOsNameAndCode reports it; 0: ask the system.
    int osCode = 0;
    // Host patterns that make a URL CDN-class besides the fixed "//dl.".
    std::vector<std::string> cdnPatterns = {".cloudfront.net", ".amazonaws.com", "cdn.download-host.example"};
    // CA bundle for TLS peer verification; empty: the system's.
    std::string caBundle;
};
