#include "tests/stats/fuzz/ReplyFuzzTargets.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <boost/date_time/gregorian/gregorian.hpp>

#include "formats/json/CJsonObject.h"
#include "formats/json/JsonCore.h"
#include "stats/ProfileReply.h"
#include "stats/StatsReply.h"
#include "util/Base64.h"

namespace fuzztargets {

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

// The success shape read straight off the parsed tree, apart from the
// client's own reading through CJsonObject.
bool HasResTrue(const std::string& text) {
    JsonNode* root = ::JsonParse(text.c_str());
    if (root == nullptr) return false;
    bool yes = false;
    if (root->type == JSON_OBJECT) {
        const JsonNode* result = JsonGetObjectItem(root, "result");
        if (result != nullptr && result->type == JSON_OBJECT) {
            const JsonNode* res = JsonGetObjectItem(result, "res");
            yes = res != nullptr && res->type == JSON_TRUE;
        }
    }
    JsonDelete(root);
    return yes;
}

// Formats every message as the install log would, so that a format and its
// arguments that disagree show under the sanitizers.
void FormatLog(const char* format, ...) {
    char buffer[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
}

// Whether the cached profile's "user_info" (when present) holds a token.
bool CacheHasTokenOrNoUser(const std::string& cache) {
    CJsonObject document(cache);
    CJsonObject user;
    if (!document.Get("user_info", user)) return true;
    std::string token;
    return user.Get("token_id", token) && !token.empty();
}

}  // namespace

bool StatsReply(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool plain = IsStatsReplySuccess(text, 0);
    Require(plain == HasResTrue(text));
    Require(IsStatsReplySuccess(AlphabetBase64Encode(text, kStatsAlphabet), 2) == plain);
    const std::string decoded = AlphabetBase64Decode(text, kStatsAlphabet);
    Require(IsStatsReplySuccess(text, 2) == IsStatsReplySuccess(decoded, 0));
    return plain;
}

bool ProfileReply(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return false;
    const bool force = (data[0] & 0x80) != 0;
    // Any day of about 350 years either side of 2026-Dec-09.
    const boost::gregorian::date today =
        boost::gregorian::date(2026, 12, 9) + boost::gregorian::days((static_cast<int>(data[0] & 0x7f) - 64) * 2011);
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t split = rest.find('\0');
    const std::string reply = rest.substr(0, split);
    const std::string cache = split == std::string::npos ? std::string() : rest.substr(split + 1);

    using Outcome = ProfileCheckResult::Outcome;
    const ProfileCheckResult result = EvaluateProfileReply(reply, cache, today, force, FormatLog);
    CachedUserInfoString(cache, "token_id");
    if (result.outcome != Outcome::Refreshed) {
        Require(result.cache.empty());
        return result.outcome == Outcome::Kept;
    }
    // The new cache is the answer's "data" object with today's date, which
    // every later reading finds.
    CJsonObject stored;
    Require(stored.Parse(result.cache) && !stored.IsArray());
    std::string updated;
    Require(stored.Get("update_time", updated) && updated == SimpleDateText(today));
    CachedUserInfoString(result.cache, "token_id");
    // The same answer on the same day keeps it, unless its user has no token.
    const ProfileCheckResult again = EvaluateProfileReply(reply, result.cache, today, false, FormatLog);
    if (CacheHasTokenOrNoUser(result.cache)) {
        Require(again.outcome == Outcome::Kept);
    } else {
        Require(again.outcome == Outcome::Refreshed && again.cache == result.cache);
    }
    return true;
}

}  // namespace fuzztargets
