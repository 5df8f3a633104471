// The final and crash documents of InstallStatsReport, and the log zip.
#include <cmath>

#include <boost/format.hpp>

#include "platform/files/FileSystem.h"
#include "stats/InstallStatsReport.h"
#include "stats/LogZip.h"
#include "stats/StatsKeys.h"
#include "util/ChosenLanguage.h"
#include "util/DebugConfig.h"
#include "util/SystemIdentity.h"
#include "util/ValueFormat.h"

namespace {

std::string Flag(bool value) { return value ? "true" : "false"; }

CJsonObject MirrorObject(const MirrorStatsRecord& mirror, bool used) {
    CJsonObject item;
    item.Add("invalid", std::int32_t{mirror.sizeConsistent ? 1 : 0});
    item.Add("domain", mirror.host);
    item.Add("ping_time", mirror.ping);
    item.Add("ping", std::int32_t{mirror.pingOk ? 1 : 0});
    item.Add("is_full", std::int32_t{mirror.networkNotFull ? 0 : 1});
    item.Add("cfg_file_size_kb", mirror.manifestSize / 1024);
    item.Add("web_file_size_kb", mirror.headSize / 1024);
    if (!used) return item;
    item.Add("download_file_size_kb", mirror.downloadedKb);
    item.Add("average_speed_kb", mirror.averageSpeedKb);
    item.Add("switch_amazon", Flag(!mirror.switchReasons.empty()));
    item.Add("switch_amazon_reason", mirror.switchReasons);
    item.Add("has_download_error", std::int32_t{mirror.hasError ? 1 : 0});
    item.Add("curl_error_code", mirror.curlErrorCode);
    item.Add("curl_error_msg", mirror.curlErrorText);
    item.Add("download_error_occur_time_ms", mirror.errorTimeMs);
    return item;
}

std::string MirrorText(const MirrorStatsRecord& mirror, bool used) {
    if (!used)
        return (boost::format("(domain-%1%,invalid-%2%,ping_time-%3%,ping-%4%,is_full-%5%)") % mirror.host %
                mirror.sizeConsistent % mirror.ping % mirror.pingOk % !mirror.networkNotFull)
            .str();
    return (boost::format("(domain-%1%,invalid-%2%,ping_time-%3%,ping-%4%,is_full-%5%,download_size-%6%"
                          "switch_amazon-%7%,switch_amazon_reason-%8%)") %
            mirror.host % mirror.sizeConsistent % mirror.ping % mirror.pingOk % !mirror.networkNotFull %
            (mirror.downloadedKb == 0) % !mirror.switchReasons.empty() % mirror.switchReasons)
        .str();
}

void AddMirrors(CJsonObject& install, const std::vector<MirrorStatsRecord>& mirrors, bool used) {
    if (mirrors.empty()) return;
    std::string text;
    CJsonObject array("[]");
    for (const MirrorStatsRecord& mirror : mirrors) {
        array.Add(MirrorObject(mirror, used));
        text += MirrorText(mirror, used);
    }
    install.Add(used ? StatsKeys::used_url_info : StatsKeys::all_url_info, array);
    install.Add(used ? StatsKeys::used_url_info_str : StatsKeys::all_url_info_str, text);
}

}  // namespace

CJsonObject InstallStatsReport::FinalInstallSectionLocked(const std::string& result, const CloseStatsInfo& close) {
    CJsonObject install;
    install.Add(StatsKeys::data_version, std::int32_t{4005});
    install.Add(StatsKeys::uuid, m_runId);
    install.Add(StatsKeys::option, m_option);
    install.Add(StatsKeys::source, m_source);
    install.Add(StatsKeys::system_language, m_languageName);
    install.Add(StatsKeys::system_type, std::string(m_os64Bit ? "x64" : "x86"));
    install.Add(StatsKeys::install_status, result);
    install.Add(StatsKeys::localtime, GetLocalTimeText());
    install.Add(StatsKeys::amazon_download, Flag(m_amazonDownload));
    install.Add(StatsKeys::show_thankyou, Flag(m_showThankYou));
    install.Add(StatsKeys::download_last_error, m_downloadErrorName);
    install.Add(StatsKeys::install_last_error, m_installErrorText);
    const std::int32_t downloadSeconds = Seconds(m_downloadBegin, m_downloadEnd);
    install.Add(StatsKeys::download_second, downloadSeconds);
    install.Add(StatsKeys::download_time_string, FormatDuration(downloadSeconds));
    const std::int32_t installSeconds = Seconds(m_installBegin, m_installEnd);
    install.Add(StatsKeys::install_second, installSeconds);
    install.Add(StatsKeys::install_time_string, FormatDuration(installSeconds));
    const std::int32_t runSeconds = Seconds(m_start, m_runEnd);
    install.Add(StatsKeys::app_run_second, runSeconds);
    install.Add(StatsKeys::app_runtime_string, FormatDuration(runSeconds));
    install.Add(StatsKeys::progress_rate, m_progressRate);
    install.Add(StatsKeys::speed_string, FormatSize(m_speed));
    install.Add(StatsKeys::average_speed_string, FormatSize(m_averageSpeed));
    install.Add(StatsKeys::speed, m_speed);
    install.Add(StatsKeys::average_speed, m_averageSpeed);
    install.Add(StatsKeys::auto_install, Flag(close.autoInstall));
    install.Add(StatsKeys::run_app, Flag(close.runApp));
    install.Add(StatsKeys::auto_run_app, Flag(close.autoRunApp));
    install.Add(StatsKeys::install_type, m_installType);
    if (close.elevationAsked) {
        install.Add(StatsKeys::uac_contine, Flag(close.processStarted));
        install.Add(StatsKeys::uac_show, Flag(close.callReturned));
        install.Add(StatsKeys::uac_dlg_contine, Flag(close.continueChosen));
        install.Add(StatsKeys::uac_dlg_show, Flag(close.elevationDeclined));
    }
    if (close.pageOpenResult != -1) install.Add(StatsKeys::shellexe_return, close.pageOpenResult);
    install.Add(StatsKeys::silent, Flag(m_silent));
    install.Add(StatsKeys::use_cookies_token, Flag(IsTokenMissing()));
    if (IsTokenMissing()) install.Add(StatsKeys::use_cookies_token_error, GetCookieTokenResult());
    const std::int32_t cookies = GetCookieFlags();
    install.Add(StatsKeys::has_kravon_cookie, Flag((cookies & 1) != 0));
    install.Add(StatsKeys::has_pelmorant_cookie, Flag((cookies & 2) != 0));
    install.Add(StatsKeys::change_install_path, Flag(close.changeInstallPath));
    install.Add(StatsKeys::add_plan, Flag(close.addPlan));
    install.Add(StatsKeys::create_desktop, Flag(close.createDesktop));
    install.Add(StatsKeys::version, m_version);
    install.Add(StatsKeys::n_version, VersionNumber(m_version));
    install.Add(StatsKeys::download_amazom_size_kb, static_cast<std::int64_t>(std::trunc(m_cdnDownloadedKb)));
    install.Add(StatsKeys::average_speed_with_amazon_kb, m_cdnAverageSpeedKb);
    install.Add(StatsKeys::repair_use_amazom, Flag(m_repairUsedCdn));
    install.Add(StatsKeys::fail_use_amazom, Flag(m_failUsedCdn));
    install.Add(StatsKeys::timeout_use_amazom, Flag(m_timeoutUsedCdn));
    install.Add(StatsKeys::success_use_amazom, Flag(m_successUsedCdn));
    install.Add(StatsKeys::repair_link, m_repairLink);
    install.Add(StatsKeys::close_way, close.closeReason);
    if (result == "downLoad_fail") {
        install.Add(StatsKeys::curl_error, m_curlError);
        install.Add(StatsKeys::last_fail_link, m_lastFailLink);
        install.Add(StatsKeys::detail_failure_reason,
                    (boost::format("%1% - %2%") % m_downloadErrorCode % m_downloadErrorName).str());
    } else if (result == "install_fail") {
        install.Add(StatsKeys::detail_failure_reason,
                    (boost::format("%1% - %2%") % m_installResultCode % m_installErrorText).str());
    }
    AddMirrors(install, m_allMirrors, false);
    AddMirrors(install, m_usedMirrors, true);
    AddExtrasLocked(install);
    return install;
}

std::string InstallStatsReport::BuildFinalDocument(const CloseStatsInfo& close, std::string* resultName) {
    const std::string profile = UserProfileText(false);
    std::lock_guard<std::mutex> guard(m_lock);
    if (close.elevationAsked) m_uacCancelled = !(close.continueChosen || close.processStarted);
    const std::string result = ResultNameLocked();
    if (m_downloadEnd == 0) m_downloadEnd = Now();
    m_runEnd = Now();
    if (resultName != nullptr) *resultName = result;
    return FrameLocked(profile, FinalInstallSectionLocked(result, close), true).ToString();
}

bool InstallStatsReport::PostFinalReport(CloseStatsInfo close) {
    std::string result;
    const std::string text = BuildFinalDocument(close, &result);
    return PostPlainDocument(text, result,
                             result == "install_fail" || result == "downLoad_fail" || result == "donwload_cancel");
}

std::string InstallStatsReport::MakeLogZip() {
    std::string logPath;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        logPath = m_logPath;
    }
    return MakeStatsLogZip(logPath);
}

bool InstallStatsReport::PostCrashReport(const std::string& url, const std::string& uuid, const std::string& dumpPath,
                                         const std::string& id) {
    if (url.empty()) return false;
    const std::string profile = UserProfileText(true);
    std::string text;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        CJsonObject install;
        install.Add(StatsKeys::data_version, std::int32_t{4005});
        const std::vector<std::string> macs = GetMacAddressList();
        install.Add(StatsKeys::machine_id, macs.empty() ? std::string() : macs.front());
        install.Add(StatsKeys::language, GetLanguageCode());
        install.Add(StatsKeys::uuid, uuid.empty() ? std::string("0000") : uuid);
        install.Add(StatsKeys::id, id);
        install.Add(StatsKeys::install_status, std::string("crash"));
        text = FrameLocked(profile, install, false).ToString();
    }
    return PostDocument(url, StatsKeys::common_soft_install, text, "crash", dumpPath, 0);
}
