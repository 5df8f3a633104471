// The uploads of StatsClient: the statistics document and the profile form.
#include <cstdio>
#include <string>

#include "net/HttpTransfer.h"
#include "platform/files/FileSystem.h"
#include "stats/StatsClient.h"
#include "stats/StatsReply.h"
#include "stats/StatsTransport.h"
#include "util/Base64.h"
#include "util/Log.h"

namespace {

// Attachments are log zips; anything past this is not sent.
constexpr long long kAttachmentLimit = 64LL * 1024 * 1024;

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The whole file at the ANSI path `path`; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
    FILE* file = nullptr;
    if (fopen_s(&file, path.c_str(), "rb") != 0 || file == nullptr) return false;
    bytes.clear();
    char buffer[64 * 1024];
    bool ok = true;
    for (;;) {
        const std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
        bytes.append(buffer, count);
        if (static_cast<long long>(bytes.size()) > kAttachmentLimit) {
            ok = false;
            break;
        }
        if (count < sizeof buffer) {
            ok = std::ferror(file) == 0;
            break;
        }
    }
    std::fclose(file);
    return ok;
}

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
        if (ReadWholeFile(uploadFile, bytes)) {
            request.form.push_back({"upload_type", uploadType, "", ""});
            request.form.push_back({"upload_file", bytes, FileNameOf(uploadFile), ""});
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
