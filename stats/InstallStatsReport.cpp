#include "stats/InstallStatsReport.h"

#include <cstdio>

#include "platform/base/Clock.h"
#include "platform/base/Locale.h"
#include "platform/files/FileSystem.h"
#include "stats/StatsClock.h"
#include "stats/StatsKeys.h"
#include "util/DebugConfig.h"
#include "util/ValueFormat.h"

namespace {

std::string Flag(bool value) { return value ? "true" : "false"; }

bool IsObject(const CJsonObject& value) {
    const std::string text = value.ToString();
    return !text.empty() && text.front() == '{';
}

}  // namespace

InstallStatsReport::InstallStatsReport() = default;

InstallStatsReport::InstallStatsReport(const std::string& statsUrl, StatsReportSettings settings)
    : m_statsUrl(statsUrl),
      m_runId(settings.runId),
      m_shortName(settings.shortName),
      m_option(settings.option),
      m_source(settings.source),
      m_logPath(settings.logPath),
      m_version(settings.version),
      m_productName(settings.productName),
      m_reservedText(settings.reservedText),
      m_domain(settings.domain),
      m_productId(settings.productId),
      m_registeredUserName(settings.registeredUserName),
      m_installType(settings.installType),
      m_x64Product(settings.x64Product),
      m_os64Bit(settings.os64Bit),
      m_silent(settings.silent) {
    char name[32] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, name, sizeof name) > 0) m_languageName = name;
}

InstallStatsReport::~InstallStatsReport() = default;

std::uint64_t InstallStatsReport::Now() { return StatsClockSeconds(); }

std::int32_t InstallStatsReport::Seconds(std::uint64_t begin, std::uint64_t end) {
    // A stage that never began (or never ended) took no time.
    if (begin == 0 || end == 0) return 0;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(end) - static_cast<std::int64_t>(begin));
}

void InstallStatsReport::MarkStarted() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_started = true;
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
    m_installEnd = Now();
    m_installErrorText = std::move(errorText);
    m_installSuccess = success;
    m_installResultCode = resultCode;
    m_showThankYou = showThankYou;
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
    std::string domain, productId, shortName;
    bool x64 = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!always && !m_userProfileText.empty()) return m_userProfileText;
        domain = m_domain;
        productId = m_productId;
        shortName = m_shortName;
        x64 = m_x64Product;
    }
    const std::string text = FetchUserInfo(domain, productId, shortName, x64);
    std::lock_guard<std::mutex> guard(m_lock);
    m_userProfileText = text;
    return text;
}

CJsonObject InstallStatsReport::FrameLocked(const std::string& profileText, const CJsonObject& install, bool online) {
    CJsonObject document;
    // Only a profile object can take the sections; anything else starts empty.
    if (!document.Parse(profileText) || !IsObject(document)) document.Clear();
    CJsonObject app = BuildAppInfo(m_shortName, m_version, m_productName, m_productId, m_x64Product);
    CJsonObject user;
    if (!document.Get("user_info", user) || !IsObject(user)) document.Add("user_info", BuildUserInfo(m_registeredUserName, ""));
    if (online) app.Add(StatsKeys::install_way, std::string("online"));
    document.Add("app", app);
    document.Add("install", install);
    return document;
}

CJsonObject InstallStatsReport::StartInstallSectionLocked() {
    CJsonObject install;
    install.Add(StatsKeys::data_version, std::int32_t{4005});
    install.Add(StatsKeys::uuid, m_runId);
    install.Add(StatsKeys::option, m_option);
    install.Add(StatsKeys::source, m_source);
    install.Add(StatsKeys::system_type, std::string(m_os64Bit ? "x64" : "x86"));
    install.Add(StatsKeys::localtime, GetLocalTimeText());
    install.Add(StatsKeys::install_status, std::string("start"));
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
    const std::string zip = MakeLogZip();
    const bool posted =
        PostDocument(m_statsUrl, StatsKeys::common_soft_install, text, "download_curl_range_error", zip, 0);
    if (!zip.empty() && !IsTestTokenFromCookies()) DeleteFileA(zip.c_str());
    return posted;
}
