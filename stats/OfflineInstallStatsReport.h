// OfflineInstallStatsReport: the statistics of one offline run, an install
// or an uninstall.
//
// It posts a start document and a final document (plain JSON, index
// "common_soft_install", the section under "install" or "uninstall"), and
// for the streaming-download product a start-info document (encoded, index
// "qov_start_info_pelmorant") carrying one ICMP trace of the route towards a
// public DNS server, made once per process. The close values are set before
// the final document is posted.
//
// Threads: every operation takes the report's lock for its fields; the
// documents are built under it and posted outside it. The user-profile
// fetch of the start and start-info documents is serialised process-wide.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "formats/json/CJsonObject.h"
#include "stats/StatsClient.h"
#include "stats/StatsRecords.h"

// What an uninstall run hands the report.
struct UninstallStatsInfo {
    bool keepData = true;
    bool silent = false;
    std::string uninstallReason;
    std::string uninstallDetail;
    std::int32_t pageOpenResult = -1;
};

class OfflineInstallStatsReport : public StatsClient {
public:
    OfflineInstallStatsReport();
    OfflineInstallStatsReport(const std::string& statsUrl, bool installMode, StatsReportSettings settings);
    ~OfflineInstallStatsReport() override;

    // Each returns the upload's result; the start-info document is sent for
    // the streaming-download product only (true without sending otherwise).
    bool PostStartReport();
    bool PostStartInfo();
    bool PostFinalReport();

    void OnInstallBegin();
    void OnInstallEnd(bool success, std::int32_t resultCode, std::string errorText, bool showThankYou);
    void SetCloseState(bool addPlan, bool createDesktop, bool autoInstall, bool runApp, bool changeInstallPath,
                       bool autoRunApp, bool silent, std::int32_t pageOpenResult);
    // Keep data, reason and detail; overwrites silent and the page-open result.
    void SetUninstallInfo(UninstallStatsInfo info);

    // "cancel" before the install began, else "success" or "failed".
    std::string GetResultName();

    // The documents' texts as they would be posted now (tests and tools).
    std::string BuildStartDocument();
    std::string BuildStartInfoDocument();
    std::string BuildFinalDocument();

private:
    std::string UserProfileText(bool serialised);
    CJsonObject FrameLocked(const std::string& profileText, const CJsonObject& section);
    CJsonObject StartSectionLocked();
    CJsonObject FinalSectionLocked(const std::string& result);
    void WaitForCookieScan();
    static std::uint64_t Now();

    mutable std::mutex m_lock;  // every field below

    std::string m_statsUrl;
    std::string m_runId;
    std::string m_shortName;
    std::string m_option;
    std::string m_source;
    std::string m_logPath;
    std::string m_languageName;
    std::string m_version;
    std::string m_productName;
    std::string m_reservedText;
    std::string m_domain;
    std::string m_productId;
    std::string m_registeredUserName;
    std::string m_startMode;
    std::string m_userProfileText;
    bool m_x64Product = false;
    bool m_os64Bit = false;
    bool m_installBegun = false;
    // Monotonic seconds; 0 until stamped.
    std::uint64_t m_installBegin = 0;
    std::uint64_t m_installEnd = 0;
    std::map<std::string, std::string> m_extraStrings;
    std::map<std::string, std::int32_t> m_extraInts;
    bool m_installMode = true;
    bool m_addPlan = true;
    bool m_createDesktop = true;
    bool m_autoInstall = true;
    bool m_runApp = false;
    bool m_autoRunApp = true;
    bool m_silent = false;
    std::int32_t m_pageOpenResult = -1;
    bool m_changeInstallPath = false;
    bool m_installSuccess = false;
    std::int32_t m_installResultCode = 0;
    std::string m_installErrorText;
    bool m_showThankYou = false;
    bool m_keepData = true;
    std::string m_uninstallReason;
    std::string m_uninstallDetail;
    std::string m_installType;
};

// The start-info document's trace target. Tests aim it at a loopback
// address; an empty text restores the public DNS server.
void SetStartInfoTraceTargetForTests(const std::string& target);
// Forgets the process's trace, so the next start-info document traces again.
void ResetStartInfoTraceForTests();
