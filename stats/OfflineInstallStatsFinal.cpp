// The final document of OfflineInstallStatsReport.
#include <boost/format.hpp>

#include "stats/OfflineInstallStatsReport.h"
#include "stats/StatsKeys.h"
#include "util/ValueFormat.h"

CJsonObject OfflineInstallStatsReport::FinalSectionLocked(const std::string& result) {
    CJsonObject section;
    section.Add(StatsKeys::data_version, std::int32_t{4005});
    section.Add(StatsKeys::uuid, m_runId);
    section.Add(StatsKeys::version, m_version);
    section.Add(StatsKeys::n_version, VersionNumber(m_version));
    section.Add(StatsKeys::system_language, m_languageName);
    section.Add(StatsKeys::system_type, std::string(m_os64Bit ? "x64" : "x86"));
    section.Add(StatsKeys::localtime, GetLocalTimeText());
    section.Add(StatsKeys::install_status, result);
    section.Add(StatsKeys::use_cookies_token, Flag(IsTokenMissing()));
    if (IsTokenMissing()) section.Add(StatsKeys::use_cookies_token_error, GetCookieTokenResult());
    if (m_installMode) {
        const std::int32_t cookies = GetCookieFlags();
        section.Add(StatsKeys::has_kravon_cookie, Flag((cookies & 1) != 0));
        section.Add(StatsKeys::has_pelmorant_cookie, Flag((cookies & 2) != 0));
        section.Add(StatsKeys::option, m_option);
        section.Add(StatsKeys::source, m_source);
        section.Add(StatsKeys::auto_install, Flag(m_autoInstall));
        section.Add(StatsKeys::run_app, Flag(m_runApp));
        section.Add(StatsKeys::silent, Flag(m_silent));
        section.Add(StatsKeys::install_type, m_installType);
        if (m_pageOpenResult != -1) section.Add(StatsKeys::shellexe_return, m_pageOpenResult);
        if (!m_silent) section.Add(StatsKeys::auto_run_app, Flag(m_autoRunApp));
        section.Add(StatsKeys::change_install_path, Flag(m_changeInstallPath));
        section.Add(StatsKeys::add_plan, Flag(m_addPlan));
        section.Add(StatsKeys::create_desktop, Flag(m_createDesktop));
        section.Add(StatsKeys::show_thankyou, Flag(m_showThankYou));
        if (result == "failed")
            section.Add(StatsKeys::detail_failure_reason,
                        (boost::format("%1% - %2%") % m_installResultCode % m_installErrorText).str());
    } else {
        section.Add(StatsKeys::silent, Flag(m_silent));
        section.Add(StatsKeys::full_uninstall, Flag(!m_keepData));
        if (m_pageOpenResult != -1) section.Add(StatsKeys::shellexe_return, m_pageOpenResult);
        if (!m_silent) {
            section.Add(StatsKeys::uninstall_reason, m_uninstallReason);
            if (!m_uninstallDetail.empty()) section.Add(StatsKeys::uninstall_detail_reason, m_uninstallDetail);
        }
    }
    if (m_installBegun) {
        // An install that never reported its end took no time.
        const std::int32_t seconds = Seconds(m_installBegin, m_installEnd);
        section.Add(StatsKeys::install_second, seconds);
        section.Add(StatsKeys::install_time_string, FormatDuration(seconds));
    }
    section.Add(StatsKeys::install_last_error, m_installErrorText);
    AddExtrasLocked(section);
    return section;
}

std::string OfflineInstallStatsReport::BuildFinalDocument() {
    const std::string profile = UserProfileText(false);
    std::lock_guard<std::mutex> guard(m_lock);
    const std::string result = !m_installBegun ? "cancel" : (m_installSuccess ? "success" : "failed");
    return FrameLocked(profile, FinalSectionLocked(result)).ToString();
}

bool OfflineInstallStatsReport::PostFinalReport() {
    const std::string text = BuildFinalDocument();
    const std::string result = GetResultName();
    bool failedRun = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        failedRun = m_installBegun && !m_installSuccess;
    }
    return PostPlainDocument(text, result, failedRun);
}
