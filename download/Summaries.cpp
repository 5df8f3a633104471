// Per-host transfer summaries for the statistics.
#include <curl/curl.h>

#include <cstdio>
#include <cstring>

#include "download/DownloaderCurl.h"

DownloadSummary DownloaderCurl::SummaryOver(const std::vector<const DownloadItem*>& parts, const std::string& domain,
                                            bool print) {
    DownloadSummary summary;
    summary.domain = domain;
    double kilobytes = 0;
    std::int64_t timeMs = 0;
    for (const DownloadItem* part : parts) {
        const double partKb = static_cast<double>(part->pos - part->start) / 1024.0;
        const std::int64_t partMs =
            static_cast<std::int64_t>(part->endTick) - static_cast<std::int64_t>(part->startTick);
        kilobytes += partKb;
        timeMs += partMs;
        if (print) std::printf("\nnsize_kb=%f nDownloadTime_ms=%lld\n", partKb, static_cast<long long>(partMs));
        // Result 23 is how a shortened part ends; it is no error.
        if (part->result != 0 && part->result != CURLE_WRITE_ERROR) {
            summary.hasError = true;
            summary.errorTimeMs = static_cast<int>(partMs);
            summary.curlCode = part->result;
            summary.curlErrorText = curl_easy_strerror(static_cast<CURLcode>(part->result));
        }
    }
    summary.downloadedKb = static_cast<std::int64_t>(kilobytes);
    summary.averageSpeedKb =
        timeMs < 1000 ? 0 : static_cast<int>(static_cast<unsigned>(kilobytes / static_cast<double>(timeMs / 1000)));
    if (print)
        std::printf("####End domain: %s total size: %d, download time: %d \n", domain.c_str(),
                    static_cast<int>(kilobytes), static_cast<int>(timeMs / 1000));
    return summary;
}

std::vector<DownloadSummary> DownloaderCurl::GetDomainSummary() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    std::vector<DownloadSummary> summaries;
    for (const DownloadUrlInfo& mirror : m_vecUrlCfg) {
        if (mirror.host.empty()) continue;
        std::printf("####Begin domain: %s", mirror.host.c_str());
        std::vector<const DownloadItem*> parts;
        for (const auto& [id, item] : m_parts.All())
            if (item.url && std::strstr(item.url, mirror.host.c_str())) parts.push_back(&item);
        summaries.push_back(SummaryOver(parts, mirror.host, true));
    }
    return summaries;
}

DownloadSummary DownloaderCurl::GetAmazonSummary() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    std::vector<const DownloadItem*> parts;
    std::string domain;
    for (const auto& [id, item] : m_parts.All()) {
        if (!IsAmazonUrl(item.url)) continue;
        parts.push_back(&item);
        domain = GetUrlDomain(item.url);
    }
    return SummaryOver(parts, domain, false);
}
