#include "stats/InstallStatsReport.h"

#include "platform/base/Clock.h"
#include "stats/StatsKeys.h"
#include "util/ValueFormat.h"

InstallStatsReport::InstallStatsReport() = default;

InstallStatsReport::InstallStatsReport(const std::string& statsUrl, StatsReportSettings settings)
    : StatsReportBase(statsUrl, settings), m_silent(settings.silent) {}

InstallStatsReport::~InstallStatsReport() = default;

void InstallStatsReport::MarkStarted() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_started = true;
}

void InstallStatsReport::MarkLocalPackage() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_started = true;
    m_downloadFinished = true;
    m_downloadOk = true;
}

void InstallStatsReport::OnDownloadBegin() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_downloadBegin = Now();
    m_downloadFinished = false;
}

void InstallStatsReport::SetSpeed(std::int32_t progress, std::int32_t speed, std::int32_t averageSpeed, bool amazon) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_progressRate = progress;
        if (speed != 0) m_speed = speed;
        m_averageSpeed = averageSpeed;
        m_amazonDownload = amazon;
    }
    std::printf("nSpeed=%d,m_nAverageSpeed=%d\n", speed, averageSpeed);
}

void InstallStatsReport::OnDownloadEnd(DownloadResultInfo result) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_downloadEnd = Now();
    m_downloadErrorName = result.downloadErrorName;
    m_downloadOk = result.downloadOk;
    m_downloadErrorCode = result.downloadErrorCode;
    m_curlError = result.curlError;
    m_lastFailLink = result.lastFailLink;
    m_repairLink = result.repairLink;
    m_allMirrors = std::move(result.allMirrors);
    m_usedMirrors = std::move(result.usedMirrors);
    m_cdnDownloadedKb = result.cdnDownloadedKb;
    m_cdnAverageSpeedKb = result.cdnAverageSpeedKb;
    m_repairUsedCdn = result.repairUsedCdn;
    m_failUsedCdn = result.failUsedCdn;
    m_timeoutUsedCdn = result.timeoutUsedCdn;
    m_successUsedCdn = result.successUsedCdn;
    m_downloadFinished = true;
}

void InstallStatsReport::OnInstallBegin() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_installBegin = Now();
    m_installing = true;
}

void InstallStatsReport::OnInstallEnd(bool success, std::int32_t resultCode, std::string errorText, bool showThankYou) {
    std::lock_guard<std::mutex> guard(m_lock);
    StoreInstallEndLocked(success, resultCode, std::move(errorText), showThankYou);
    m_installing = false;
}

std::string InstallStatsReport::GetResultName() {
    std::lock_guard<std::mutex> guard(m_lock);
    return ResultNameLocked();
}

std::string InstallStatsReport::ResultNameLocked() {
    if (!m_started) return "cancel";
    if (!m_downloadFinished) {
        m_downloadEnd = Now();
        return "donwload_cancel";
    }
    if (m_installSuccess) return "success";
    if (m_installing) {
        m_installEnd = Now();
        return m_uacCancelled ? "uac_cancel" : "install_cancel";
    }
    return m_downloadOk ? "install_fail" : "downLoad_fail";
}

void InstallStatsReport::AddExtraString(const std::string& key, const std::string& value) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_extraStrings.emplace(key, value);
}

void InstallStatsReport::AddExtraInt(const std::string& key, std::int32_t value) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_extraInts.emplace(key, value);
}

std::string InstallStatsReport::UserProfileText(bool always) {
    std::lock_guard<std::mutex> fetchGuard(m_fetchLock);
    return ProfileText(!always, false);
}

CJsonObject InstallStatsReport::FrameLocked(const std::string& profileText, const CJsonObject& install, bool online) {
    std::vector<std::pair<std::string, std::string>> extras;
    if (online) extras.emplace_back(StatsKeys::install_way, "online");
    return StatsReportBase::FrameLocked(profileText, extras, "install", install);
}

CJsonObject InstallStatsReport::StartInstallSectionLocked() {
    CJsonObject install = StartSectionHeadLocked();
    install.Add(StatsKeys::install_type, m_installType);
    install.Add(StatsKeys::silent, Flag(m_silent));
    const std::int32_t cookies = GetCookieFlags();
    install.Add(StatsKeys::has_kravon_cookie, Flag((cookies & 1) != 0));
    install.Add(StatsKeys::has_pelmorant_cookie, Flag((cookies & 2) != 0));
    return install;
}

void InstallStatsReport::WaitForCookieScan() {
    for (int waits = 0; !IsTokenCheckDone() && !m_stopWaiting && waits < 600; ++waits) Sleep(50);
}

std::string InstallStatsReport::BuildStartDocument() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_start = Now();
    }
    const std::string profile = UserProfileText(true);
    WaitForCookieScan();
    std::lock_guard<std::mutex> guard(m_lock);
    return FrameLocked(profile, StartInstallSectionLocked(), true).ToString();
}

std::string InstallStatsReport::BuildRangeErrorDocument() {
    const std::string profile = UserProfileText(false);
    std::lock_guard<std::mutex> guard(m_lock);
    CJsonObject install;
    install.Add(StatsKeys::install_status, std::string("download_curl_range_error"));
    return FrameLocked(profile, install, true).ToString();
}

bool InstallStatsReport::PostStartReport() {
    const std::string text = BuildStartDocument();
    return PostDocument(m_statsUrl, StatsKeys::common_soft_install, text, "", "", 2);
}

bool InstallStatsReport::PostRangeErrorReport() {
    const std::string text = BuildRangeErrorDocument();
    return PostPlainDocument(text, "download_curl_range_error", true);
}
