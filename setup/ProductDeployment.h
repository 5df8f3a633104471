// The deployment values of the product: host names and texts that a release
// sets and the code only passes on. They live here, in one place. The hosts
// are reserved names that resolve nowhere until a release puts real ones in.
#pragma once

#include <string>

namespace deployment {

// The product's web domain, a bare host name.
constexpr const char* kWebDomain = "tessarovinde.invalid";
// The label of the statistics API host in front of the web domain.
constexpr const char* kApiHostLabel = "api";
// Where every row of the uninstall survey points.
constexpr const char* kSurveyLink = "https://tessarovinde.invalid/uninstall-survey";
// The titles of the three more-apps rows.
constexpr const wchar_t* kMoreAppsTitles[3] = {L"Qov Stream Saver", L"Qov Player", L"Qov Video Enhancer AI"};
// The fixed notice line of the dialog's setup information record (its
// copyright field holds at most 66 characters).
constexpr const char* kNoticeText = "Copyright (c) Tessarovinde. All rights reserved.";
// The nine further executables of the product family whose processes are
// ended before files are replaced: a report tool, an updater, two file tools,
// two download tools, a streaming tool and two embedded-browser hosts.
constexpr const char* kFamilyProcesses[9] = {
    "QovReport.exe",         "QovUpdater.exe",        "QovFileConverter.exe",
    "QovFileRepair.exe",     "QovDownloadHelper.exe", "QovDownloadService.exe",
    "QovStreamRecorder.exe", "QovWebHost.exe",        "QovWebHost64.exe",
};

// The statistics server, "host" or "host:port"; empty: the product's own (the
// API host label in front of the web domain). The demo product names its
// loopback server (the build input SETUP_DEMO_STATS_HOST); tests set theirs.
// Any thread may read or change it.
std::string StatsHost();
void SetStatsHost(const std::string& host);
// Points the user-profile service at the statistics server when one is named
// (SetStatsHost does this itself; the program calls it once at its start for
// the build's own value).
void ApplyStatsHost();
// The PEM file of the roots the statistics trust, empty for the system's:
// the demo product's build input SETUP_DEMO_STATS_CA (its server's test CA).
const char* StatsCaBundle();

}  // namespace deployment
