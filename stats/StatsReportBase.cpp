#include "stats/StatsReportBase.h"

#include "platform/base/Locale.h"
#include "platform/files/FileSystem.h"
#include "stats/LogZip.h"
#include "stats/StatsClock.h"
#include "stats/StatsKeys.h"
#include "util/DebugConfig.h"
#include "util/ValueFormat.h"

namespace {

bool IsObject(const CJsonObject& value) {
    const std::string text = value.ToString();
    return !text.empty() && text.front() == '{';
}

}  // namespace

StatsReportBase::StatsReportBase() = default;

StatsReportBase::StatsReportBase(const std::string& statsUrl, const StatsReportSettings& settings)
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
      m_os64Bit(settings.os64Bit) {
    char name[32] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, name, sizeof name) > 0) m_languageName = name;
}

StatsReportBase::~StatsReportBase() = default;

std::uint64_t StatsReportBase::Now() { return StatsClockSeconds(); }

std::int32_t StatsReportBase::Seconds(std::uint64_t begin, std::uint64_t end) {
    if (begin == 0 || end == 0) return 0;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(end) - static_cast<std::int64_t>(begin));
}

CJsonObject StatsReportBase::FrameLocked(const std::string& profileText,
                                         const std::vector<std::pair<std::string, std::string>>& appExtras,
                                         const std::string& sectionName, const CJsonObject& section) {
    CJsonObject document;
    // Only a profile object can take the sections; anything else starts empty.
    if (!document.Parse(profileText) || !IsObject(document)) document.Clear();
    CJsonObject app = BuildAppInfo(m_shortName, m_version, m_productName, m_productId, m_x64Product);
    CJsonObject user;
    if (!document.Get("user_info", user) || !IsObject(user))
        document.Add("user_info", BuildUserInfo(m_registeredUserName, ""));
    for (const auto& [key, value] : appExtras) app.Add(key, value);
    document.Add("app", app);
    document.Add(sectionName, section);
    return document;
}

std::string StatsReportBase::ProfileText(bool reuse, bool keepStored) {
    std::string domain, productId, shortName;
    bool x64 = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (reuse && !m_userProfileText.empty()) return m_userProfileText;
        domain = m_domain;
        productId = m_productId;
        shortName = m_shortName;
        x64 = m_x64Product;
    }
    const std::string text = FetchUserInfo(domain, productId, shortName, x64);
    std::lock_guard<std::mutex> guard(m_lock);
    if (!keepStored || m_userProfileText.empty()) m_userProfileText = text;
    return m_userProfileText;
}

CJsonObject StatsReportBase::StartSectionHeadLocked() const {
    CJsonObject section;
    section.Add(StatsKeys::data_version, std::int32_t{4005});
    section.Add(StatsKeys::uuid, m_runId);
    section.Add(StatsKeys::option, m_option);
    section.Add(StatsKeys::source, m_source);
    section.Add(StatsKeys::system_type, std::string(m_os64Bit ? "x64" : "x86"));
    section.Add(StatsKeys::localtime, GetLocalTimeText());
    section.Add(StatsKeys::install_status, std::string("start"));
    return section;
}

void StatsReportBase::StoreInstallEndLocked(bool success, std::int32_t resultCode, std::string errorText,
                                            bool showThankYou) {
    m_installEnd = Now();
    m_installSuccess = success;
    m_installResultCode = resultCode;
    m_installErrorText = std::move(errorText);
    m_showThankYou = showThankYou;
}

void StatsReportBase::AddExtrasLocked(CJsonObject& section) const {
    for (const auto& [key, value] : m_extraInts) section.Add(key, value);
    for (const auto& [key, value] : m_extraStrings) section.Add(key, value);
}

bool StatsReportBase::PostPlainDocument(const std::string& text, const std::string& uploadType, bool withLogs) {
    std::string logPath;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        logPath = m_logPath;
    }
    const bool debug = IsTestTokenFromCookies();
    const std::string zip = withLogs || debug ? MakeStatsLogZip(logPath) : std::string();
    const bool posted = PostDocument(m_statsUrl, StatsKeys::common_soft_install, text, uploadType, zip, 0);
    if (!zip.empty() && !debug) DeleteFileA(zip.c_str());
    return posted;
}
