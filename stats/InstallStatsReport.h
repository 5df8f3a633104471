// InstallStatsReport: the statistics of one online install run.
//
// The main dialog makes it while initialising and keeps it for the life of
// the process. It posts, under the index "common_soft_install", the start
// document (encoded), a range-error document and the final document (plain
// JSON), the failing ones with a zip of the logs. Between those the install
// workflow stamps the stages on it and the download painter feeds it the
// speed.
//
// Threads: the dialog, the install worker, the painter and the start,
// range-error and close threads all use one report. Every operation takes
// the report's lock for its fields; the documents are built under it and
// posted outside it, and the user-profile fetch is serialised by a lock of
// its own, so a slow fetch never holds up the painter. Durations come from a
// monotonic 64-bit clock; an interval that never began counts 0.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "formats/json/CJsonObject.h"
#include "stats/StatsRecords.h"
#include "stats/StatsReportBase.h"

class InstallStatsReport : public StatsReportBase {
public:
    InstallStatsReport();
    InstallStatsReport(const std::string& statsUrl, StatsReportSettings settings);
    ~InstallStatsReport() override;

    // The three documents; each returns the upload's result.
    bool PostStartReport();
    bool PostRangeErrorReport();
    bool PostFinalReport(CloseStatsInfo close);

    // Ends the start document's wait for the cookie scan at once (the
    // dialog is closing); the document is sent without waiting further.
    void StopWaiting() { m_stopWaiting = true; }

    void MarkStarted();
    // The run installs a package that is already on the machine: it counts
    // as started, with nothing to download and so a good download, and its
    // result is then the install's own. The download's stamps stay unset.
    void MarkLocalPackage();
    void OnDownloadBegin();
    // Percent done and the speeds in bytes per second; a speed of 0 keeps the last one.
    void SetSpeed(std::int32_t progress, std::int32_t speed, std::int32_t averageSpeed, bool amazon);
    void OnDownloadEnd(DownloadResultInfo result);
    void OnInstallBegin();
    void OnInstallEnd(bool success, std::int32_t resultCode, std::string errorText, bool showThankYou);

    // "cancel", "donwload_cancel", "success", "uac_cancel", "install_cancel",
    // "install_fail" or "downLoad_fail"; stamps the end of the stage a
    // cancelled run stopped in.
    std::string GetResultName();

    // Extra final-section fields (an existing key keeps its first value).
    void AddExtraString(const std::string& key, const std::string& value);
    void AddExtraInt(const std::string& key, std::int32_t value);

    // A crash document with the dump attached, posted to `url`.
    bool PostCrashReport(const std::string& url, const std::string& uuid, const std::string& dumpPath,
                         const std::string& id);

    // The documents' texts as they would be posted now (tests and tools).
    std::string BuildStartDocument();
    std::string BuildRangeErrorDocument();
    // `result`, when given, receives the result name the document carries.
    std::string BuildFinalDocument(const CloseStatsInfo& close, std::string* result = nullptr);
    // The log zip of the failure documents: the log path with ".log"
    // replaced by ".zip", holding "devcon.log" of the temporary folder and
    // "install.log". Returns the zip's path ("" when it could not be made).
    std::string MakeLogZip();

private:
    std::string ResultNameLocked();
    std::string UserProfileText(bool always);
    // The frame with "install_way" "online" in "app" (none for the crash document).
    CJsonObject FrameLocked(const std::string& profileText, const CJsonObject& install, bool online);
    CJsonObject StartInstallSectionLocked();
    CJsonObject FinalInstallSectionLocked(const std::string& result, const CloseStatsInfo& close);
    void WaitForCookieScan();

    std::atomic<bool> m_stopWaiting{false};
    std::mutex m_fetchLock;  // one user-profile fetch at a time
    // Guarded by m_lock, as the shared fields are.
    std::string m_lastFailLink;
    std::string m_repairLink;
    std::string m_downloadErrorName;
    std::int32_t m_downloadErrorCode = 0;
    std::int32_t m_curlError = 0;
    bool m_silent = false;
    bool m_amazonDownload = false;
    bool m_downloadOk = false;
    bool m_started = false;
    bool m_installing = false;
    bool m_uacCancelled = false;
    bool m_downloadFinished = false;
    std::int32_t m_progressRate = 0;
    std::int32_t m_speed = 0;
    std::int32_t m_averageSpeed = 0;
    // Monotonic seconds; 0 until the stage is stamped.
    std::uint64_t m_start = 0;
    std::uint64_t m_runEnd = 0;
    std::uint64_t m_downloadBegin = 0;
    std::uint64_t m_downloadEnd = 0;
    bool m_repairUsedCdn = false;
    bool m_failUsedCdn = false;
    bool m_timeoutUsedCdn = false;
    bool m_successUsedCdn = false;
    std::vector<MirrorStatsRecord> m_allMirrors;
    std::vector<MirrorStatsRecord> m_usedMirrors;
    double m_cdnDownloadedKb = 0;
    std::uint32_t m_cdnAverageSpeedKb = 0;
};
