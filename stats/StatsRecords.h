// The records through which the setup application hands the install report
// its session settings, the download results and the close state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The session, copied into the report when it is made.
struct StatsReportSettings {
    std::string runId;      // MakeGuidString; sent as "uuid"
    std::string shortName;  // IProductConfig::GetShortName
    std::string option;
    std::string source;
    std::string version;       // the setup's version text without dots ("" when missing)
    std::string logPath;       // the install log's full path (OEM code page)
    std::string reservedText;  // copied, sent by no document
    std::string domain;        // IProductConfig::GetDomain
    std::string productId;     // of the installed bitness
    std::string productName;
    std::string registeredUserName;  // "mail" when the profile has no "user_info"
    std::string startMode;           // "online" or "offline"
    bool x64Product = false;
    bool os64Bit = false;
    bool silent = false;
    std::string installType;  // "overwrite", "reinstall" or "new"
};

// One mirror's entry of the download results.
struct MirrorStatsRecord {
    std::string url;              // carried, not sent
    bool sizeConsistent = false;  // sent as "invalid"
    std::int32_t ping = 0;        // ms
    std::string host;             // sent as "domain"
    bool networkNotFull = false;  // the load check answered "1"
    bool pingOk = false;
    std::uint64_t manifestSize = 0;  // bytes
    std::uint64_t headSize = 0;      // bytes the mirror reported
    // The host's download summary (used mirrors only).
    std::int64_t downloadedKb = 0;
    bool hasError = false;
    std::int32_t curlErrorCode = 0;
    std::uint32_t averageSpeedKb = 0;  // KB/s
    std::uint32_t errorTimeMs = 0;
    std::string curlErrorText;
    std::string switchReasons;  // distinct words, each followed by ",": "repair", "timeOut", "fail", "success_new"
};

// What the install workflow learnt from one download.
struct DownloadResultInfo {
    std::vector<MirrorStatsRecord> allMirrors;   // download fields zero
    std::vector<MirrorStatsRecord> usedMirrors;  // with their summaries and switch reasons
    double cdnDownloadedKb = 0;
    std::uint32_t cdnAverageSpeedKb = 0;
    bool downloadOk = false;  // the engine's state was 5
    std::int32_t downloadErrorCode = 0;
    std::string downloadErrorName;  // as in "DispatchFailError"
    std::int32_t curlError = 0;
    std::string lastFailLink;
    std::string repairLink;
    bool repairUsedCdn = false;   // a switch with reason 0 was seen
    bool failUsedCdn = false;     // reason 2
    bool timeoutUsedCdn = false;  // reason 1
    bool successUsedCdn = false;  // reason 3
};

// The dialog's state when it closes.
struct CloseStatsInfo {
    bool downloadEnded = false;  // not sent
    bool autoInstall = false;
    bool runApp = false;
    bool changeInstallPath = false;
    bool addPlan = true;
    bool createDesktop = true;
    bool autoRunApp = true;
    std::int32_t pageOpenResult = -1;  // "shellexe_return", left out when -1
    std::string closeReason;           // "close_way"
    bool elevationAsked = false;       // gate of the four fields below
    bool continueChosen = false;       // "uac_dlg_contine"
    bool processStarted = false;       // "uac_contine"
    bool callReturned = false;         // "uac_show"
    bool elevationDeclined = false;    // "uac_dlg_show"
};
