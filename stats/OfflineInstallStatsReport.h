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
#include <mutex>
#include <string>

#include "formats/json/CJsonObject.h"
#include "stats/StatsRecords.h"
#include "stats/StatsReportBase.h"

// What an uninstall run hands the report.
struct UninstallStatsInfo {
    bool keepData = true;
    bool silent = false;
    std::string uninstallReason;
    std::string uninstallDetail;
    std::int32_t pageOpenResult = -1;
};

class OfflineInstallStatsReport : public StatsReportBase {
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
    // The frame with "install_way" "offline" and "start_mode" in "app", the
    // section under "install" or "uninstall".
    CJsonObject FrameLocked(const std::string& profileText, const CJsonObject& section);
    CJsonObject StartSectionLocked();
    CJsonObject FinalSectionLocked(const std::string& result);
    void WaitForCookieScan();

    // Guarded by m_lock, as the shared fields are.
    std::string m_startMode;
    bool m_installBegun = false;
    bool m_installMode = true;
    bool m_addPlan = true;
    bool m_createDesktop = true;
    bool m_autoInstall = true;
    bool m_runApp = false;
    bool m_autoRunApp = true;
    bool m_silent = false;
    std::int32_t m_pageOpenResult = -1;
    bool m_changeInstallPath = false;
    bool m_keepData = true;
    std::string m_uninstallReason;
    std::string m_uninstallDetail;
};

// The start-info document's trace target. Tests aim it at a loopback
// address; an empty text restores the public DNS server.
void SetStartInfoTraceTargetForTests(const std::string& target);
// Forgets the process's trace, so the next start-info document traces again.
void ResetStartInfoTraceForTests();
