// Probing the manifest's mirrors and choosing the fastest one later on.
#include <algorithm>
#include <cstring>

#include "download/DownloaderCurl.h"
#include "download/IcmpPinger.h"
#include "download/MirrorChoice.h"
#include "platform/base/Clock.h"
#include "util/Log.h"

namespace {

constexpr std::uint64_t kTextBodyLimit = 4096;  // ceiling of a "flag.php" answer

const char* BoolText(bool value) { return value ? "true" : "false"; }

}  // namespace

std::string GetHostFromDownloadUrl(const char* url) {
    if (!url) return "";
    std::string text(url);
    size_t scheme = text.find("https://");
    size_t schemeLength = 8;
    if (scheme == std::string::npos) {
        scheme = text.find("http://");
        schemeLength = 7;
    }
    size_t path = text.find("/download/");
    if (scheme == std::string::npos || path == std::string::npos || scheme >= path) return "";
    if (scheme + schemeLength > path) return "";
    return text.substr(scheme + schemeLength, path - scheme - schemeLength);
}

std::string GetUrlDomain(const char* url) {
    if (!url) return "";
    std::string text(url);
    size_t slashes = text.find("//");
    if (slashes != std::string::npos) {
        size_t next = text.find('/', slashes + 2);
        if (next != std::string::npos) return text.substr(slashes + 2, next - slashes - 2);
    }
    return text.size() > 12 ? text.substr(0, 12) : text;
}

bool IsCdnClassUrl(const char* url, const std::vector<std::string>& patterns) {
    if (!url) return false;
    if (std::strstr(url, "//dl.")) return true;
    for (const std::string& pattern : patterns)
        if (!pattern.empty() && std::strstr(url, pattern.c_str())) return true;
    return false;
}

bool DownloaderCurl::IsAmazonUrl(const char* url) const { return IsCdnClassUrl(url, m_tuning.cdnPatterns); }

bool DownloaderCurl::IsOnCdn(const char* url) const {
    return CdnRecordValid() && url && std::strcmp(url, m_cdnRecord.url) == 0;
}

bool DownloaderCurl::PingUrl(const char* url, int* pingMs) {
    int code = m_tuning.osCode != 0 ? m_tuning.osCode : GetOsNameAndCode(nullptr);
    if (code <= 21) {
        // Systems before Windows 10 are not pinged.
        *pingMs = 0;
        return true;
    }
    std::string host = GetHostFromDownloadUrl(url);
    if (host.empty()) return false;
    if (m_tuning.ping) return m_tuning.ping(host, pingMs);
    IcmpPinger pinger;
    PingReply reply;
    if (pinger.PingAddress(host, &reply, m_tuning.pingTimeoutMs)) {
        *pingMs = static_cast<int>(reply.replyTimeMs);
        return true;
    }
    if (pinger.PingAddress(ResolveHostIp(host), &reply, m_tuning.pingTimeoutMs)) {
        *pingMs = static_cast<int>(reply.replyTimeMs);
        return true;
    }
    return false;
}

std::int64_t DownloaderCurl::GetDownloadFileLenth(const char* url) {
    net::HttpRequest request;
    request.method = net::HttpMethod::Head;
    request.url = url ? url : "";
    request.userAgent = "QovApp/3.0";
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        ApplyCommonSettings(request);
    }
    request.totalTimeoutMs = m_tuning.headTimeoutSeconds * 1000L;
    const net::HttpResponse response = net::Perform(request, {});
    // An error page's length says nothing about the package.
    const std::int64_t length = response.Ok() && response.status < 400 ? response.contentLength : -1;
    WriteLog("Download_GetDownloadFileLenth : result(%lld), url_err(%d).\n", static_cast<long long>(length),
             response.result);
    return length;
}

std::string DownloaderCurl::HttpGetText(const std::string& url) {
    net::HttpRequest request;
    request.url = url;
    request.userAgent = "QovApp/3.0";
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        ApplyCommonSettings(request);
    }
    // The load check goes straight to the mirror: no proxy, no redirects.
    request.proxy = net::ProxySettings();
    request.maxRedirects = 0;
    request.totalTimeoutMs = m_tuning.loadCheckTimeoutSeconds * 1000L;
    request.bodyLimit = kTextBodyLimit;
    std::string body;
    const net::HttpResponse response = net::FetchToString(request, &body);
    if (!response.Ok()) return "error";
    return body;
}

bool DownloaderCurl::GetNetworkNotFull(const char* url) {
    if (IsAmazonUrl(url)) return true;
    std::string host = GetHostFromDownloadUrl(url);
    if (host.empty()) return false;
    // "1" followed by anything means the mirror has room; "1" alone does not count.
    auto accepted = [](const std::string& answer) { return answer.size() >= 2 && answer[0] == '1'; };
    std::string answer = HttpGetText("https://" + host + "/flag.php");
    WriteLog("Download : GetNetworkNotFull IP(%s), Result(%s).\n", host.c_str(), answer.c_str());
    if (accepted(answer)) return true;
    answer = HttpGetText("http://" + host + "/flag.php");
    WriteLog("Download : GetNetworkNotFull IP(%s), Result(%s).\n", host.c_str(), answer.c_str());
    return accepted(answer);
}

HRESULT DownloaderCurl::CheckDownload(DownloadConfig* config) {
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_vecUrlCfg.clear();
        m_switchedToCdn = false;
        m_allUrls.clear();
    }
    std::vector<DownloadUrlInfo> candidates;
    DownloadUrlInfo* cdnCandidate = nullptr;
    std::vector<DownloadUrlInfo> all;
    for (int i = 0; i < kMaxManifestMirrors; ++i) {
        DownloadUrlInfo& record = config->mirrors[i];
        if (record.url[0] == '\0') continue;
        if (!record.sizeConsistent) {
            all.push_back(record);
            continue;
        }
        if (IsAmazonUrl(record.url) && !cdnCandidate) {
            std::int64_t headSize = GetDownloadFileLenth(record.url);
            record.sizeConsistent = headSize >= 0 && static_cast<std::uint64_t>(headSize) == m_nFileSize;
            record.manifestSize = m_nFileSize;
            record.headSize = static_cast<std::uint64_t>(headSize);
            record.host = GetHostFromDownloadUrl(record.url);
            record.networkNotFull = true;
            if (record.sizeConsistent) cdnCandidate = &record;
            all.push_back(record);
            continue;
        }
        if (m_cancel) {
            WriteLog("Download_CheckDownload: user cancel.\n");
            return E_ABORT;
        }
        int ping = 0;
        record.pingOk = PingUrl(record.url, &ping);
        record.ping = ping;
        WriteLog("Download_CheckDownload: ID(%d), Check Ping Invalid(%s), time(%d).\n", i, BoolText(record.pingOk),
                 ping);
        if (m_cancel) {
            WriteLog("Download_CheckDownload: user cancel.\n");
            return E_ABORT;
        }
        record.host = GetHostFromDownloadUrl(record.url);
        if (!record.pingOk) {
            record.sizeConsistent = false;
            all.push_back(record);
            continue;
        }
        std::int64_t headSize = GetDownloadFileLenth(record.url);
        record.sizeConsistent = headSize >= 0 && static_cast<std::uint64_t>(headSize) == m_nFileSize;
        record.manifestSize = m_nFileSize;
        record.headSize = static_cast<std::uint64_t>(headSize);
        if (record.sizeConsistent && !IsAmazonUrl(record.url)) {
            record.networkNotFull = GetNetworkNotFull(record.url);
            candidates.push_back(record);
        }
        all.push_back(record);
        WriteLog("Download_CheckDownload: ID(%d), FileSizeConsistent(%s) NetworkNotFull(%s).\n", i,
                 BoolText(record.sizeConsistent), BoolText(record.networkNotFull));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const DownloadUrlInfo& a, const DownloadUrlInfo& b) { return a.ping < b.ping; });

    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_allUrls = all;
    for (const DownloadUrlInfo& candidate : candidates)
        if (candidate.networkNotFull) m_vecUrlCfg.push_back(candidate);
    if (m_vecUrlCfg.empty()) {
        WriteLog("Download_CheckDownload: Warring, m_vecUrlCfg.size() <= 0.\n");
        WriteLog("Download_CheckDownload: Using Ama now.\n");
        if (cdnCandidate) {
            m_vecUrlCfg.push_back(*cdnCandidate);
            m_settings.partsPerMirror = 5;
        } else {
            WriteLog("Download_CheckDownload: ERROR : con't find Ama now.\n");
        }
    } else if (m_vecUrlCfg.size() <= 2) {
        WriteLog("Download_CheckDownload: Warring, m_vecUrlCfg.size() <= 2.\n");
        if (cdnCandidate) {
            m_vecUrlCfg.push_back(*cdnCandidate);
            WriteLog("Download_CheckDownload: Add Ama now.\n");
        } else {
            WriteLog("Download_CheckDownload: Add Ama fail.\n");
        }
    }
    if (m_vecUrlCfg.size() > 5) m_vecUrlCfg.resize(5);
    m_cdnRecord = cdnCandidate ? *cdnCandidate : DownloadUrlInfo();
    return m_vecUrlCfg.empty() ? E_FAIL : S_OK;
}

const char* DownloaderCurl::GetBestURL(const char* excluded) { return ChooseUrl(excluded, 0); }

const char* DownloaderCurl::ChooseUrl(const char* excluded, std::uint32_t avoid) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const DownloadItem* best = FastestPart(
        m_parts.All(), excluded, avoid, [this](const char* url) { return MirrorBit(url); }, GetTickCount(),
        m_partsPerMirror);
    if (!best) return nullptr;
    if (IsAmazonUrl(best->url)) m_switchedToCdn = true;
    return best->url;
}
