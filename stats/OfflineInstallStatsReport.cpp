#include "stats/OfflineInstallStatsReport.h"

#include <string>

#include "platform/base/Clock.h"
#include "platform/base/Environment.h"
#include "stats/IcmpTraceroute.h"
#include "stats/StatsKeys.h"
#include "util/ValueFormat.h"

namespace {

// The short name of the streaming-download product, the only one that sends
// the start-info document.
const char* const kStreamingProduct = "pelmorant";
const char* const kStartInfoIndex = "qov_start_info_pelmorant";
// A public resolver that answers ICMP echo.
const char* const kPublicDnsServer = "9.9.9.9";

// One user-profile fetch at a time across every report of the process.
std::mutex g_fetchLock;

// The process's trace: made by the first start-info document, reused after.
struct TraceRecord {
    std::mutex lock;
    bool done = false;
    std::string text;
    int code = 0;
    std::string target;  // empty: the public DNS server
};
TraceRecord& Trace() {
    static TraceRecord record;
    return record;
}

}  // namespace

void SetStartInfoTraceTargetForTests(const std::string& target) {
    std::lock_guard<std::mutex> guard(Trace().lock);
    Trace().target = target;
}

void ResetStartInfoTraceForTests() {
    std::lock_guard<std::mutex> guard(Trace().lock);
    Trace().done = false;
    Trace().text.clear();
    Trace().code = 0;
}

OfflineInstallStatsReport::OfflineInstallStatsReport() = default;

OfflineInstallStatsReport::OfflineInstallStatsReport(const std::string& statsUrl, bool installMode,
                                                     StatsReportSettings settings)
    : StatsReportBase(statsUrl, settings), m_startMode(settings.startMode), m_installMode(installMode) {}

OfflineInstallStatsReport::~OfflineInstallStatsReport() = default;

void OfflineInstallStatsReport::OnInstallBegin() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_installBegun = true;
    m_installBegin = Now();
}

void OfflineInstallStatsReport::OnInstallEnd(bool success, std::int32_t resultCode, std::string errorText,
                                             bool showThankYou) {
    std::lock_guard<std::mutex> guard(m_lock);
    StoreInstallEndLocked(success, resultCode, std::move(errorText), showThankYou);
}

void OfflineInstallStatsReport::SetCloseState(bool addPlan, bool createDesktop, bool autoInstall, bool runApp,
                                              bool changeInstallPath, bool autoRunApp, bool silent,
                                              std::int32_t pageOpenResult) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_addPlan = addPlan;
    m_createDesktop = createDesktop;
    m_autoInstall = autoInstall;
    m_runApp = runApp;
    m_changeInstallPath = changeInstallPath;
    m_autoRunApp = autoRunApp;
    m_silent = silent;
    m_pageOpenResult = pageOpenResult;
}

void OfflineInstallStatsReport::SetUninstallInfo(UninstallStatsInfo info) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_keepData = info.keepData;
    m_uninstallReason = std::move(info.uninstallReason);
    m_uninstallDetail = std::move(info.uninstallDetail);
    m_silent = info.silent;
    m_pageOpenResult = info.pageOpenResult;
}

std::string OfflineInstallStatsReport::GetResultName() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_installBegun) return "cancel";
    return m_installSuccess ? "success" : "failed";
}

std::string OfflineInstallStatsReport::UserProfileText(bool serialised) {
    std::unique_lock<std::mutex> fetchGuard(g_fetchLock, std::defer_lock);
    if (serialised) fetchGuard.lock();
    return ProfileText(true, true);
}

CJsonObject OfflineInstallStatsReport::FrameLocked(const std::string& profileText, const CJsonObject& section) {
    return StatsReportBase::FrameLocked(profileText,
                                        {{StatsKeys::install_way, "offline"}, {StatsKeys::start_mode, m_startMode}},
                                        m_installMode ? "install" : "uninstall", section);
}

CJsonObject OfflineInstallStatsReport::StartSectionLocked() {
    CJsonObject section = StartSectionHeadLocked();
    if (m_installMode) {
        section.Add(StatsKeys::install_type, m_installType);
        const std::int32_t cookies = GetCookieFlags();
        section.Add(StatsKeys::has_kravon_cookie, Flag((cookies & 1) != 0));
        section.Add(StatsKeys::has_pelmorant_cookie, Flag((cookies & 2) != 0));
    }
    return section;
}

void OfflineInstallStatsReport::WaitForCookieScan() {
    for (int waits = 0; !IsTokenCheckDone() && waits < 60; ++waits) Sleep(500);
}

std::string OfflineInstallStatsReport::BuildStartDocument() {
    const std::string profile = UserProfileText(true);
    bool installMode = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        installMode = m_installMode;
    }
    // An uninstall's start section carries no cookie flags, so it does not wait for the scan.
    if (installMode) WaitForCookieScan();
    std::lock_guard<std::mutex> guard(m_lock);
    return FrameLocked(profile, StartSectionLocked()).ToString();
}

std::string OfflineInstallStatsReport::BuildStartInfoDocument() {
    const std::string profile = UserProfileText(true);
    bool installMode = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        installMode = m_installMode;
    }
    if (installMode) WaitForCookieScan();
    const DWORD begin = GetTickCount();
    std::string traceText;
    int traceCode = 0;
    {
        TraceRecord& trace = Trace();
        std::lock_guard<std::mutex> guard(trace.lock);
        if (!trace.done) {
            trace.code = RunIcmpTraceroute(trace.target.empty() ? kPublicDnsServer : trace.target, trace.text);
            trace.done = true;
        }
        traceText = trace.text;
        traceCode = trace.code;
    }
    std::string text;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        CJsonObject document = FrameLocked(profile, StartSectionLocked());
        document.Add("op_code", traceText);
        document.Add("error_code", std::int32_t{traceCode});
        text = document.ToString();
    }
    OutputDebugStringA("elapse time :\n");
    OutputDebugStringA(std::to_string(GetTickCount() - begin).c_str());
    return text;
}

bool OfflineInstallStatsReport::PostStartReport() {
    const std::string text = BuildStartDocument();
    return PostDocument(m_statsUrl, StatsKeys::common_soft_install, text, "", "", 0);
}

bool OfflineInstallStatsReport::PostStartInfo() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_shortName != kStreamingProduct) return true;
    }
    const std::string text = BuildStartInfoDocument();
    return PostDocument(m_statsUrl, kStartInfoIndex, text, "", "", 2);
}
