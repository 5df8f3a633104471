// The rules by which a user-profile answer replaces the cached profile.
//
// Pure functions over texts and a date, so that the profile client, its
// tests and the fuzzer share them. They never throw; every rejected answer
// is logged through `log` (when set) with the service's own wording.
#pragma once

#include <string>

#include <boost/date_time/gregorian/gregorian_types.hpp>

#include "stats/IWebStatsManager.h"

struct ProfileCheckResult {
    enum class Outcome {
        Rejected,   // not JSON, "cscode" not the integer 0, no "data" object or no "api_version"
        Kept,       // the cache is current: same api_version, a token, and at most 30 days old
        Refreshed,  // `cache` holds the new profile
    };
    Outcome outcome = Outcome::Rejected;
    std::string cache;  // Refreshed: "data" with "update_time" appended, unformatted
};

// Judges `reply` against the current `cache` on `today`; `force` refreshes
// an acceptable answer whatever the cache holds.
ProfileCheckResult EvaluateProfileReply(const std::string& reply, const std::string& cache,
                                        const boost::gregorian::date& today, bool force, WebStatsLogFunction log);

// "2026-Dec-09": four-digit year, English month abbreviation, two-digit day.
std::string SimpleDateText(const boost::gregorian::date& date);

// The machine's local date (follows the machine model's clock).
boost::gregorian::date LocalToday();

// "user_info".`member` of a cached profile as a string, "" when missing.
std::string CachedUserInfoString(const std::string& cache, const std::string& member);
