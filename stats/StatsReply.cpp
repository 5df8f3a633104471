#include "stats/StatsReply.h"

#include "formats/json/CJsonObject.h"
#include "util/Base64.h"

bool IsStatsReplySuccess(const std::string& reply, int mode) {
    const std::string text = mode == 2 ? AlphabetBase64Decode(reply, kStatsAlphabet) : reply;
    CJsonObject document;
    if (!document.Parse(text) || document.IsArray()) return false;
    CJsonObject result;
    if (!document.Get("result", result) || result.IsArray()) return false;
    bool res = false;
    return result.Get("res", res) && res;
}
