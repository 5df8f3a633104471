// StatsReportBase: what the online and the offline install reports share.
//
// The run's identity copied from the settings, the English name of the
// user's language, the install's stamps and results, the frame of every
// document ("user_info", "app" and one section), the first keys of a start
// section, and the post of a plain document with the log zip.
//
// Threads: every field below is guarded by m_lock, which the derived
// reports take around each operation; the helpers named "...Locked" expect
// it held. m_statsUrl is set once by the constructor and only read after.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "formats/json/CJsonObject.h"
#include "stats/StatsClient.h"
#include "stats/StatsRecords.h"

class StatsReportBase : public StatsClient {
protected:
    StatsReportBase();
    StatsReportBase(const std::string& statsUrl, const StatsReportSettings& settings);
    ~StatsReportBase() override;

    // Monotonic seconds of the statistics clock.
    static std::uint64_t Now();
    // From begin to end; 0 for a stage that never began or never ended.
    static std::int32_t Seconds(std::uint64_t begin, std::uint64_t end);
    static std::string Flag(bool value) { return value ? "true" : "false"; }

    // The profile object (an empty one when the text holds none), its
    // "user_info" (from the registered name when the profile has none),
    // "app" with `appExtras` appended, and `section` under `sectionName`.
    CJsonObject FrameLocked(const std::string& profileText,
                            const std::vector<std::pair<std::string, std::string>>& appExtras,
                            const std::string& sectionName, const CJsonObject& section);
    // The user-profile text: the stored one when `reuse` and one is stored,
    // else fetched (without m_lock held, which the fetch must not block);
    // the fetched text is stored unless `keepStored` and one was stored
    // meanwhile. The caller serialises fetches as its documents need.
    std::string ProfileText(bool reuse, bool keepStored);
    // "data_version" 4005, "uuid", "option", "source", "system_type",
    // "localtime" and "install_status" "start".
    CJsonObject StartSectionHeadLocked() const;
    // Stamps the install's end and keeps its result.
    void StoreInstallEndLocked(bool success, std::int32_t resultCode, std::string errorText, bool showThankYou);
    // The extra integer fields, then the extra string fields.
    void AddExtrasLocked(CJsonObject& section) const;
    // Posts a document in the plain mode under "common_soft_install", with
    // `uploadType` and the log zip when `withLogs` or the debug switch asks
    // for it; the zip is deleted afterwards unless the debug switch is on.
    bool PostPlainDocument(const std::string& text, const std::string& uploadType, bool withLogs);

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
    std::string m_installType;
    std::string m_userProfileText;
    bool m_x64Product = false;
    bool m_os64Bit = false;
    // Monotonic seconds; 0 until the stage is stamped.
    std::uint64_t m_installBegin = 0;
    std::uint64_t m_installEnd = 0;
    bool m_installSuccess = false;
    std::int32_t m_installResultCode = 0;
    std::string m_installErrorText;
    bool m_showThankYou = false;
    std::map<std::string, std::string> m_extraStrings;
    std::map<std::string, std::int32_t> m_extraInts;
};
