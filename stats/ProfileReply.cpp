#include "stats/ProfileReply.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <stdexcept>

#include <boost/date_time/gregorian/gregorian.hpp>

#include "formats/json/CJsonObject.h"
#include "platform/base/Clock.h"

namespace {

// An object member that is itself an object; false for any other kind.
bool GetObject(const CJsonObject& parent, const std::string& key, CJsonObject& out) {
    if (!parent.Get(key, out)) return false;
    const std::string text = out.ToString();
    return !text.empty() && text.front() == '{';
}

std::int64_t ApiVersionOf(const CJsonObject& object, bool* present) {
    std::int64_t version = 0;
    const bool found = object.Get("api_version", version);
    if (present != nullptr) *present = found;
    return found ? version : 0;
}

// Three pieces of at most four digits or nine letters, between single
// separators: the forms the date parser reads. A longer number would
// overflow inside the parser's digit conversion, so it never gets there.
bool LooksLikeDate(const std::string& text) {
    int pieces = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto digit = [&](std::size_t at) { return text[at] >= '0' && text[at] <= '9'; };
        const auto letter = [&](std::size_t at) {
            return (text[at] >= 'a' && text[at] <= 'z') || (text[at] >= 'A' && text[at] <= 'Z');
        };
        std::size_t end = i;
        if (digit(i)) {
            while (end < text.size() && digit(end)) ++end;
            if (end - i > 4) return false;
        } else if (letter(i)) {
            while (end < text.size() && letter(end)) ++end;
            if (end - i > 9) return false;
        } else {
            return false;
        }
        if (++pieces > 3) return false;
        i = end;
        if (i < text.size()) {
            if (text[i] == '\0' || std::strchr("-/. ,", text[i]) == nullptr) return false;
            if (++i == text.size()) return false;  // a separator ends the text
        }
    }
    return pieces == 3;
}

// The cache is current: nothing in it asks for a refresh. Throws for an
// "update_time" that is not a date.
bool CacheIsCurrent(const CJsonObject& cache, std::int64_t newVersion, const boost::gregorian::date& today) {
    bool hasVersion = false;
    const std::int64_t oldVersion = ApiVersionOf(cache, &hasVersion);
    if (!hasVersion || newVersion != oldVersion) return false;
    CJsonObject user;
    if (cache.Get("user_info", user)) {
        std::string token;
        if (!user.Get("token_id", token) || token.empty()) return false;
    }
    std::string updated;
    if (!cache.Get("update_time", updated) || updated.empty()) return false;
    if (!LooksLikeDate(updated)) throw std::invalid_argument("update_time is not a date: " + updated);
    const boost::gregorian::date cachedDay = boost::gregorian::from_simple_string(updated);
    if (cachedDay.is_special()) return false;
    return (today - cachedDay).days() <= 30;  // a date in the future counts as fresh
}

}  // namespace

std::string SimpleDateText(const boost::gregorian::date& date) { return boost::gregorian::to_simple_string(date); }

boost::gregorian::date LocalToday() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return boost::gregorian::date(now.wYear, now.wMonth, now.wDay);
}

std::string CachedUserInfoString(const std::string& cache, const std::string& member) {
    CJsonObject document;
    if (!document.Parse(cache)) return std::string();
    CJsonObject user;
    if (!GetObject(document, "user_info", user)) return std::string();
    std::string value;
    return user.Get(member, value) ? value : std::string();
}

ProfileCheckResult EvaluateProfileReply(const std::string& reply, const std::string& cache,
                                        const boost::gregorian::date& today, bool force, WebStatsLogFunction log) {
    ProfileCheckResult result;
    CJsonObject answer;
    std::int64_t code = -1;
    if (!answer.Parse(reply) || !answer.Get("cscode", code) || code != 0) {
        if (log) log("Get cscode from Web stats failed, %s\n", reply.c_str());
        return result;
    }
    CJsonObject data;
    if (!GetObject(answer, "data", data)) {
        if (log) log("Get data from Web stats failed, %s\n", reply.c_str());
        return result;
    }
    CJsonObject cached;
    if (!cached.Parse(cache)) cached.Clear();
    bool hasNewVersion = false;
    const std::int64_t newVersion = ApiVersionOf(data, &hasNewVersion);
    const std::int64_t oldVersion = ApiVersionOf(cached, nullptr);
    if (log) log("Check web api version,%d.%d\n", static_cast<int>(newVersion), static_cast<int>(oldVersion));
    if (!hasNewVersion) {
        if (log) log("Parse api version failed,%s\n", reply.c_str());
        return result;
    }
    try {
        if (!force && CacheIsCurrent(cached, newVersion, today)) {
            result.outcome = ProfileCheckResult::Outcome::Kept;
            return result;
        }
    } catch (const std::exception& error) {
        if (log) log("Error: WebStatsManager catch exception!! %s %s %d\n", error.what(), "ProfileReply.cpp", __LINE__);
        return result;
    }
    // A stale "update_time" from the service would shadow ours in lookups,
    // and an answer may carry several (in any case of letters). Each pass
    // removes the member the lookup finds, so the passes are bounded by the
    // members the answer holds, each at least a few bytes of it.
    CJsonObject stale;
    for (std::size_t pass = 0; pass <= reply.size() && data.Get("update_time", stale); ++pass)
        data.Delete("update_time");
    data.Add("update_time", SimpleDateText(today));
    result.outcome = ProfileCheckResult::Outcome::Refreshed;
    result.cache = data.ToString();
    return result;
}
