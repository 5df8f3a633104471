// The install workflow's side of the statistics: the report made when the
// dialog opens, its report threads, and the download's results gathered
// from the engine.
#include <atomic>

#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "setup/SetupOptions.h"
#include "util/Log.h"
#include "util/OsVersion.h"
#include "util/ShellPaths.h"
#include "util/StringConvert.h"
#include "util/SystemIdentity.h"

namespace {

// Set while the dialog stops its threads: a report that is still retrying
// gives up instead of holding the close for its remaining tries.
std::atomic<bool> g_reportsStopping{false};

// Up to 10 tries, 500 ms apart.
template <typename Post>
void PostWithRetries(Post post) {
    for (int attempt = 0; attempt < 10 && !g_reportsStopping; ++attempt) {
        if (post()) return;
        for (int slept = 0; slept < 500 && !g_reportsStopping; slept += 10) Sleep(10);
    }
}

// The words of the switch reasons, by reason code.
const char* SwitchWord(int reason) {
    switch (reason) {
        case 0: return "repair";
        case 1: return "timeOut";
        case 2: return "fail";
        case 3: return "success_new";
        default: return nullptr;
    }
}

MirrorStatsRecord MirrorRecord(const DownloadUrlInfo& info) {
    MirrorStatsRecord record;
    record.url = info.url;
    record.sizeConsistent = info.sizeConsistent;
    record.ping = info.ping;
    record.host = info.host;
    record.networkNotFull = info.networkNotFull;
    record.pingOk = info.pingOk;
    record.manifestSize = info.manifestSize;
    record.headSize = info.headSize;
    return record;
}

}  // namespace

DWORD StartReportThreadProc(LPVOID parameter) {
    auto* report = static_cast<InstallStatsReport*>(parameter);
    if (report != nullptr) PostWithRetries([report] { return report->PostStartReport(); });
    return 0;
}

DWORD RangeErrorReportThreadProc(LPVOID parameter) {
    auto* report = static_cast<InstallStatsReport*>(parameter);
    if (report != nullptr) PostWithRetries([report] { return report->PostRangeErrorReport(); });
    return 0;
}

std::shared_ptr<InstallStatsReport> SetupDlg::InstallReport() {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_installReport;
}

void SetupDlg::StopReportRetries(bool stop) { g_reportsStopping = stop; }

void SetupDlg::CreateInstallReport() {
    StopReportRetries(false);
    StatsReportSettings settings;
    settings.runId = MakeGuidString();
    settings.shortName = GetShortName();
    bool x64;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        settings.option = m_option;
        settings.source = m_source;
        settings.version = m_versionNoDots;
        x64 = m_setupInfo.m_is64Bit != 0;
    }
    std::wstring logPath = GetDocumentsSubPath((GetCompanyDataFolderW() + L"\\Log\\").c_str(), L"install.log", false);
    settings.logPath = ToOemString(logPath);
    settings.domain = GetDomain();
    settings.productId = GetProductIdFor(x64);
    settings.productName = GetProductName();
    settings.registeredUserName = GetRegisteredUserName();
    settings.startMode = SetupOptions::IsStartModeOnline() ? "online" : "offline";
    settings.x64Product = x64;
    settings.os64Bit = IsOs64Bit();
    settings.silent = SetupOptions::IsSilent() != 0;
    settings.installType = InstallTypeDetector::InstallTypeName(m_installType);
    auto report = std::make_shared<InstallStatsReport>(GetStatsUrl(), settings);
    std::string appFrom;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        appFrom = m_appFrom;
        m_installReport = report;
    }
    report->SetAppFrom(appFrom);
    std::lock_guard<std::mutex> guard(m_threadLock);
    if (m_startReportThread == nullptr)
        m_startReportThread = CreateThread(nullptr, 0, StartReportThreadProc, report.get(), 0, nullptr);
}

void SetupDlg::StartRangeErrorReport() {
    std::shared_ptr<InstallStatsReport> report = InstallReport();
    if (!report) return;
    std::lock_guard<std::mutex> guard(m_threadLock);
    HANDLE thread = CreateThread(nullptr, 0, RangeErrorReportThreadProc, report.get(), 0, nullptr);
    if (thread != nullptr) m_rangeReportThreads.push_back(thread);
}

DownloadResultInfo SetupDlg::CollectDownloadResults(IDownloader& engine) {
    DownloadResultInfo result;
    for (const DownloadUrlInfo& info : engine.GetAllUrlInfo()) result.allMirrors.push_back(MirrorRecord(info));
    std::vector<DownloadSummary> summaries = engine.GetDomainSummary();
    std::vector<DownloadUrlSwitch> switches = engine.GetUrlSwitchLog();
    for (const DownloadUrlInfo& info : engine.GetUsedUrlInfo()) {
        MirrorStatsRecord record = MirrorRecord(info);
        for (const DownloadSummary& summary : summaries) {
            if (summary.domain != record.host) continue;
            record.downloadedKb = summary.downloadedKb;
            record.hasError = summary.hasError;
            record.curlErrorCode = summary.curlCode;
            record.averageSpeedKb = static_cast<std::uint32_t>(summary.averageSpeedKb);
            record.errorTimeMs = static_cast<std::uint32_t>(summary.errorTimeMs);
            record.curlErrorText = summary.curlErrorText;
            break;
        }
        for (const DownloadUrlSwitch& entry : switches) {
            if (entry.host != record.host) continue;
            const char* word = SwitchWord(entry.reason);
            if (word == nullptr) continue;
            if (entry.reason == 0) result.repairUsedCdn = true;
            if (entry.reason == 1) result.timeoutUsedCdn = true;
            if (entry.reason == 2) result.failUsedCdn = true;
            if (entry.reason == 3) result.successUsedCdn = true;
            if (record.switchReasons.find(word) == std::string::npos) record.switchReasons += std::string(word) + ",";
        }
        result.usedMirrors.push_back(record);
    }
    DownloadSummary cdn = engine.GetAmazonSummary();
    result.cdnDownloadedKb = static_cast<double>(cdn.downloadedKb);
    result.cdnAverageSpeedKb = static_cast<std::uint32_t>(cdn.averageSpeedKb);
    result.downloadOk = engine.GetState() == DownloadState_Finished;
    result.downloadErrorCode = engine.GetErrorCode();
    result.downloadErrorName = engine.GetErrorName();
    result.curlError = engine.GetCurlError();
    result.lastFailLink = engine.GetLastFailLink();
    result.repairLink = engine.GetRepairLink();
    return result;
}
