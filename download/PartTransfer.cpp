// Part transfers: the file, the part split and one libcurl transfer per part.
#include <curl/curl.h>

#include <cstring>
#include <system_error>

#include "download/DownloaderCurl.h"
#include "download/MirrorChoice.h"
#include "download/PartTable.h"
#include "net/HttpTransfer.h"
#include "platform/base/Clock.h"
#include "platform/files/FileSystem.h"
#include "util/Log.h"

namespace {
constexpr std::uint32_t kCdnBit = 1u << 30;
constexpr std::uint32_t kUnknownMirrorBit = 1u << 31;

long long Signed(std::uint64_t value) { return static_cast<long long>(value); }

}  // namespace

void DownloaderCurl::SetItemStatus(DownloadItem& item, int status) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    PartTable::SetStatus(item, status);
}

std::uint32_t DownloaderCurl::MirrorBit(const char* url) const {
    if (!url) return kUnknownMirrorBit;
    for (size_t i = 0; i < m_vecUrlCfg.size() && i < 30; ++i)
        if (std::strcmp(url, m_vecUrlCfg[i].url) == 0) return 1u << i;
    if (std::strcmp(url, m_cdnRecord.url) == 0) return kCdnBit;
    return kUnknownMirrorBit;
}

HRESULT DownloaderCurl::BeginDownload(const DownloadConfig* config) {
    if (!config) return E_POINTER;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_settings = *config;
        m_nFileSize = static_cast<std::uint32_t>(config->size);
    }
    HRESULT probe = CheckDownload(const_cast<DownloadConfig*>(config));
    if (probe == E_ABORT) {
        WriteLog("Download_BeginDownload: CheckDownload user canceled.\n");
        return E_FAIL;
    }
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (probe != S_OK) {
        WriteLog("Error : BeginDownload (CheckDownload(siItem) != S_OK).\n");
        m_state = DownloadState_Failed;
        m_errorCode = DownloadCheckUrlError;
        return E_FAIL;
    }
    if (m_cancel) return E_FAIL;
    CloseFile();
    m_downloaded = 0;
    m_nFileSize = static_cast<std::uint32_t>(config->size);
    const bool opened = m_target.Create(m_settings.targetPath);
    WriteLog("Download_BeginDownload : OpenFile(%d), Mutex(%d), File(%s).\n", opened ? 1 : 0, 1, m_settings.targetPath);
    if (!opened) {
        // A target that cannot be created fails the start instead of writing nowhere.
        m_state = DownloadState_Failed;
        m_errorCode = DownloadExeError;
        return E_FAIL;
    }
    m_blockWriters.assign((m_nFileSize + kHashBlockSize - 1) / kHashBlockSize, 0);
    m_targetHasher.Reset(m_nFileSize, kHashBlockSize);
    m_prefixUsable = true;
    return InitDownload();
}

HRESULT DownloaderCurl::InitDownload() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const std::uint64_t mirrors = m_vecUrlCfg.size();
    if (mirrors < 1) {
        m_errorCode = DownloadUrlCountError;
        return E_INVALIDARG;
    }
    m_downloaded = 0;
    const int per = m_settings.partsPerMirror >= 1 && m_settings.partsPerMirror <= 10 ? m_settings.partsPerMirror : 2;
    const int parts = static_cast<int>(mirrors) * per;
    m_partLimit = parts;
    m_partsPerMirror = per;
    SetRunningUnlessCancelled();
    std::vector<const char*> urls;
    for (const DownloadUrlInfo& mirror : m_vecUrlCfg) urls.push_back(mirror.url);
    m_parts.Layout(m_nFileSize, parts, urls, GetTickCount());
    for (int i = 0; i < parts; ++i) BeginDownloadItem(m_parts.Find(i));
    if (m_prefixUsable && !m_hasher.joinable()) {
        try {
            m_hasher = std::thread([this] { HashPrefix(); });
        } catch (const std::system_error&) {
            m_prefixUsable = false;  // the finish test then reads the whole file
        }
    }
    if (m_supervisor.Started()) {
        // A start operation joins the previous supervisor; a direct second
        // BeginDownload on a live engine must not replace a running one.
        m_bRunning = false;
        return E_FAIL;
    }
    if (!m_supervisor.Start(this, m_tuning.supervisorPeriodMs, m_tuning.promptSplits)) {
        // Without a supervisor nobody could end the download: stop the parts.
        m_bRunning = false;
        return E_FAIL;
    }
    WriteLog("Download_InitDownload : start download dispatch, thread handle(0x%x).\n", 1u);
    return S_OK;
}

HRESULT DownloaderCurl::BeginDownloadItem(DownloadItem* item) {
    if (!item) return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    bool refused = true;
    if (item->start >= m_nFileSize)
        WriteLog("Download_BeginDownloadItem: Invalid start(%lld) >= filesize(%lld), id(%d)\n", Signed(item->start),
                 Signed(m_nFileSize), item->id);
    else if (item->end >= m_nFileSize)
        WriteLog("Download_BeginDownloadItem: Invalid end(%lld) >= filesize(%lld), id(%d)\n", Signed(item->end),
                 Signed(m_nFileSize), item->id);
    else if (item->start > item->end)
        WriteLog("Download_BeginDownloadItem: Invalid range start(%lld) > end(%lld), id(%d)\n", Signed(item->start),
                 Signed(item->end), item->id);
    else refused = false;
    if (refused) {
        // A refused part has no transfer; it must not hold up the finish test.
        SetItemStatus(*item, E_Status_StopByDispatch);
        return E_INVALIDARG;
    }
    item->curl = nullptr;
    item->result = 0;
    item->file = nullptr;  // the target is the engine's TargetFile
    item->owner = this;
    item->requestStart = item->start;
    item->requestEnd = item->end;
    item->httpCode = 0;
    item->responseChecked = false;
    item->responseError = 0;
    item->thread = ++m_threadSerial;

    char range[64];
    std::snprintf(range, sizeof(range), "%lld-%lld", Signed(item->start), Signed(item->end));
    try {
        m_partThreads.emplace_back([this, item] { ThreadDownloadInternal(item); });
    } catch (const std::system_error&) {
        // No thread: the part is refused like an invalid range.
        SetItemStatus(*item, E_Status_StopByDispatch);
        return E_FAIL;
    }
    WriteLog("Download_BeginDownloadItem : id(%d) thread(0x%x) start(%lld) end(%lld).\n", item->id,
             static_cast<unsigned>(item->thread), Signed(item->start), Signed(item->end));
    if (item->start > m_nFileSize || item->end > m_nFileSize) {
        WriteLog(
            "Download_BeginDownloadItem curl range error: id(%d) start(%lld) end(%lld), m_nFileSize(%llu), range(%s)\n",
            item->id, Signed(item->start), Signed(item->end), static_cast<unsigned long long>(m_nFileSize), range);
        FireEvent(DOWNLOAD_EVENT_RANGE_ERROR, item->id, item);
    }
    return S_OK;
}

net::HttpRequest DownloaderCurl::PartRequest(const DownloadItem& item) const {
    net::HttpRequest request;
    request.url = item.url ? item.url : "";
    request.userAgent = "Downloader/1.0";
    char range[64];
    std::snprintf(range, sizeof(range), "%lld-%lld", Signed(item.requestStart), Signed(item.requestEnd));
    request.range = range;
    ApplyCommonSettings(request);
    request.totalTimeoutMs = 20000L * 1000L;
    // No data for this long from the part's last data ends the transfer
    // with result 28, wherever the file stands.
    request.stallTimeoutMs = m_tuning.lowSpeedTimeSeconds * 1000L;
    request.failOnHttpError = true;
    return request;
}

bool DownloaderCurl::AcceptPartHead(DownloadItem* item, const net::HttpResponse& head) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    item->httpCode = head.status;
    item->responseChecked = false;
    if (head.status != 206) {
        // An error page, or a 200 that ignored the range, is never package data.
        item->responseError = head.status == 200 ? CURLE_RANGE_ERROR : CURLE_HTTP_RETURNED_ERROR;
        return false;
    }
    unsigned long long first = 0, last = 0, total = 0;
    char extra = 0;
    if (std::sscanf(head.contentRange.c_str(), "bytes %llu-%llu/%llu%c", &first, &last, &total, &extra) != 3 ||
        first != item->requestStart || last != item->requestEnd || total != m_nFileSize) {
        item->responseError = CURLE_RANGE_ERROR;
        return false;
    }
    item->responseChecked = true;
    return true;
}

void DownloaderCurl::ThreadDownloadInternal(DownloadItem* item) {
    net::HttpRequest request;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        request = PartRequest(*item);
    }
    request.cancel = &m_cancel;
    net::TransferHooks hooks;
    hooks.onHead = [this, item](const net::HttpResponse& head) { return AcceptPartHead(item, head); };
    hooks.onBody = [this, item](const char* bytes, std::size_t length) {
        const std::size_t taken = OnItemData(const_cast<char*>(bytes), 1, length, item);
        FlushEvents();
        return taken;
    };
    hooks.onProgress = [item] { return OnItemProgress(item, 0, 0, 0, 0) == 0; };
    const net::HttpResponse response = net::Perform(request, hooks);
    int id = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        id = item->id;
        int result = response.result;
        // A rejected response (error status, ignored or wrong range) is
        // reported as such, not as the write error that stopped it.
        if (item->responseError != 0) result = item->responseError;
        const bool complete = item->responseChecked && item->pos == item->end + 1;
        // A transfer that ended cleanly but short of its range did not finish it.
        if (result == CURLE_OK && !complete) result = CURLE_PARTIAL_FILE;
        item->result = result;
        item->endTick = GetTickCount();
        if (item->status == E_Status_Runing) {
            // Result 23 at the part's end: a shortened part reached its new end.
            const bool succeeded = complete && (result == CURLE_OK || result == CURLE_WRITE_ERROR);
            SetItemStatus(*item, succeeded ? E_Status_Succeed : E_Status_Fail);
            if (succeeded && m_tuning.promptSplits) WakeSupervisor(true);  // a slot is free for a split
            if (result == CURLE_OK) {
                if (response.status != 200)
                    WriteLog("Thread_Download_Internal: curl request MAYBE errors, id(%d) http code(%d) .\n", id,
                             static_cast<int>(response.status));
            } else if (result == CURLE_WRITE_ERROR) {
                WriteLog("Thread_Download_Internal: curl write partial range, id(%d) http result(%d)\n", id, result);
            } else {
                WriteLog("Thread_Download_Internal: curl request error, id(%d) http result(%d) http error(%s).\n", id,
                         result, curl_easy_strerror(static_cast<CURLcode>(result)));
            }
        }
        item->curl = nullptr;
    }
    if (item->owner) CheckFinish(item);
    FlushEvents();

    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (item->result != 0 && item->status != E_Status_StopByDispatch && item->status != E_Status_Succeed) {
        const char* format = item->result == CURLE_WRITE_ERROR
                                 ? "Download_Internal Finish (%d): Partial range download complete. result(%d) "
                                   "start(%lld) end(%lld) url(%s) .\n"
                                 : "Download_Internal Finish (%d) ERROR: result(%d) start(%lld) end(%lld) url(%s) .\n";
        WriteLog(format, id, item->result, Signed(item->start), Signed(item->end), GetUrlDomain(item->url).c_str());
    } else {
        WriteLog("Download_Internal Finish (%d) OK.\n", id);
    }
}

size_t DownloaderCurl::OnItemData(char* bytes, size_t size, size_t count, void* data) {
    DownloadItem* item = static_cast<DownloadItem*>(data);
    if (!item || !item->owner) return 0;
    DownloaderCurl* engine = item->owner;
    std::lock_guard<std::recursive_mutex> guard(engine->m_lock);
    if (item->status == E_Status_StopByDispatch || !item->responseChecked) return 0;
    std::uint64_t length = static_cast<std::uint64_t>(size) * count;
    // Never past the end, even after the supervisor moved the end down.
    if (item->pos > item->end) return 0;
    if (item->pos + length > item->end + 1) length = item->end + 1 - item->pos;
    const size_t written = engine->WriteData(bytes, static_cast<size_t>(length), item->pos);
    if (written > 0) {
        const std::uint32_t bit = engine->MirrorBit(item->url);
        for (std::uint64_t block = item->pos / kHashBlockSize;
             block <= (item->pos + written - 1) / kHashBlockSize && block < engine->m_blockWriters.size(); ++block)
            engine->m_blockWriters[block] |= bit;
    }
    // Only bytes that reached the file count: a short write leaves the rest
    // of the range to the retry.
    item->pos += written;
    RecordPartData(*item, written, GetTickCount());
    return written;
}

int DownloaderCurl::OnItemProgress(void* data, std::int64_t, std::int64_t, std::int64_t, std::int64_t) {
    DownloadItem* item = static_cast<DownloadItem*>(data);
    if (!item || !item->owner) return 0;
    DownloaderCurl* engine = item->owner;
    if (engine->m_cancel) return 1;
    std::lock_guard<std::recursive_mutex> guard(engine->m_lock);
    return item->status == E_Status_StopByDispatch || item->status == E_Status_Fail ? 1 : 0;
}

size_t DownloaderCurl::WriteData(const char* bytes, size_t length, std::uint64_t offset) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_bRunning) {
        WriteLog("WriteData m_bRunning == false\n");
        return 0;
    }
    size_t written = 0;
    if (m_target.IsOpen() && bytes) {
        written = m_target.WriteAt(offset, bytes, length);
        if (written < length) WriteLog("Error: Write Data!\n");
    } else {
        WriteLog("Error: m_pFile or pData is nullptr.\n");
    }
    m_downloaded += written;
    if (m_downloaded > m_nFileSize) m_downloaded = m_nFileSize;
    FireEventSized(DOWNLOAD_EVENT_PROGRESS, m_downloaded, m_nFileSize);
    return written;
}

void DownloaderCurl::CloseFile() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    WriteLog("Download_CloseFile.\n");
    if (m_target.IsOpen()) WriteLog("CloseFile %d.\n", m_target.Close());
}
