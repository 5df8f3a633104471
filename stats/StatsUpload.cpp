// The uploads of StatsClient: the statistics document and the profile form.
#include <string>

#include "net/HttpTransfer.h"
#include "platform/files/FileSystem.h"
#include "stats/FormFile.h"
#include "stats/StatsClient.h"
#include "stats/StatsReply.h"
#include "stats/StatsTransport.h"
#include "util/Base64.h"
#include "util/Log.h"

namespace {

bool IsSuccessStatus(long status) { return status >= 200 && status < 300; }

}  // namespace

bool StatsClient::PostDocument(const std::string& url, const std::string& index, const std::string& jsonText,
                               const std::string& uploadType, const std::string& uploadFile, int mode) {
    const bool encoded = mode == 2;
    net::HttpRequest request = MakeStatsRequest(url + "?index=" + index);
    request.form.push_back({"index", index, "", ""});
    if (encoded) request.form.push_back({"hash", "2", "", ""});
    request.form.push_back({"json_data", encoded ? AlphabetBase64Encode(jsonText, kStatsAlphabet) : jsonText, "", ""});
    if (!uploadFile.empty() && PathFileExistsA(uploadFile.c_str())) {
        std::string bytes;
        if (ReadFormFileAnsi(uploadFile, bytes)) {
            request.form.push_back({"upload_type", uploadType, "", ""});
            request.form.push_back({"upload_file", bytes, FormFileName(uploadFile), ""});
        } else {
            WriteLog("PostDocument: cannot read %s, sent without it\n", uploadFile.c_str());
        }
    }
    std::string reply;
    const net::HttpResponse response = net::FetchToString(request, &reply);
    // A transport failure or an error page is a failed upload, whatever its body.
    if (!response.Ok() || !IsSuccessStatus(response.status)) return false;
    return IsStatsReplySuccess(reply, mode);
}

bool StatsClient::PostUserProfileForm(const std::string& url, const std::string& machineId, const std::string& email,
                                      const std::string& domain, std::string* reply) {
    CJsonObject body;
    body.Add("machine_id", machineId);
    body.Add("email", email);
    body.Add("domain", domain);
    net::HttpRequest request = MakeStatsRequest(url);
    request.form.push_back({"json_data", body.ToString(), "", ""});
    std::string text;
    const net::HttpResponse response = net::FetchToString(request, &text);
    if (!response.Ok() || !IsSuccessStatus(response.status)) return false;
    if (reply != nullptr) *reply = text;
    return true;
}
