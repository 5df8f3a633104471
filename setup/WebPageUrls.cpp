#include "setup/WebPageUrls.h"

#include <algorithm>

#include "util/Base64.h"
#include "util/StringUtil.h"

namespace {

std::string EncodedBase64(const std::string& text) {
    return UrlEncode(Base64Encode(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
}

}  // namespace

std::string ReplaceEveryQuestionMark(const std::string& url, const std::string& replacement) {
    std::string result;
    for (char c : url) {
        if (c == '?') result += replacement;
        else result += c;
    }
    return result;
}

std::string AppendClientParamsTo(const std::string& url, const ClientParams& params) {
    const std::string machine = EncodedBase64(params.machineId);
    const std::string user = EncodedBase64(params.userName);
    std::string query = "client_m=" + machine;
    if (!params.userName.empty()) query += "&client_e=" + user;
    if (!params.tokenId.empty()) query += "&client_t=" + params.tokenId;
    if (url.find('?') == std::string::npos) return url + "?" + query;
    return ReplaceEveryQuestionMark(url, "?" + query + "&");
}

std::string AppendPageParamsTo(const std::string& url, const PageParams& params, bool popup, int kind,
                               const std::string& extra) {
    std::string target = url;
    if (target.find('?') == std::string::npos) target += "?";
    std::string query = "?c_bm=" + params.brand + "&c_app=" + params.product +
                        "&c_sys=" + (params.x64 ? "x64" : "x86") + (popup ? "&c_dt=popup" : "&c_dt=click") +
                        (params.compact ? "&c_wh=install" : "&c_wh=uninstall");
    if (target.find("&c_ad=") == std::string::npos) {
        query += "&c_ad=" + params.brand + "_" + params.product;
        if (kind == kPageKindThankYou) query += "_thankyou";
        if (kind == kPageKindThankYouOld) query += "_intsall_old";
        if (kind == kPageKindExtra) query += "_" + extra;
    }
    std::string version = params.version;
    version.erase(std::remove(version.begin(), version.end(), '.'), version.end());
    query += "&c_ver=" + version + "&";
    return ReplaceEveryQuestionMark(target, query);
}

std::string AppendAppFromTo(const std::string& url, const std::string& appFrom) {
    if (appFrom.empty()) return url;
    const std::string query = "?c_app_from=" + UrlEncode(appFrom);
    if (url.find('?') == std::string::npos) return url + query;
    return ReplaceEveryQuestionMark(url, query + "&");
}
