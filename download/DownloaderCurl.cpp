#include "download/DownloaderCurl.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstring>
#include <system_error>

#include "platform/base/Clock.h"
#include "platform/base/CodePages.h"
#include "platform/files/FileSystem.h"
#include "formats/xml/XMLParse.h"
#include "net/CurlHandle.h"
#include "util/Log.h"

namespace {

void CopyText(char* destination, size_t capacity, const std::string& text) {
    std::memset(destination, 0, capacity);
    std::memcpy(destination, text.data(), text.size() < capacity ? text.size() : capacity - 1);
}

}  // namespace

bool CreateDownloader(IDownloader** out) {
    if (!out) return false;
    *out = new DownloaderCurl();
    return *out != nullptr;
}

namespace {
std::mutex g_releaseLock;
// Lives to the process's end: a deletion thread still running at exit must
// not meet a destroyed (joinable) std::thread.
std::vector<std::thread>& ReleaseThreads() {
    static auto* threads = new std::vector<std::thread>();
    return *threads;
}
}  // namespace

int ReleaseDownloader(IDownloader* engine) {
    auto deleteEngine = [engine] {
        WriteLog("Begin: Download_Delete Instance.\n");
        delete engine;
        WriteLog("End: Download_Delete Instance.\n");
    };
    try {
        std::thread deletion(deleteEngine);
        std::lock_guard<std::mutex> guard(g_releaseLock);
        ReleaseThreads().push_back(std::move(deletion));
    } catch (const std::system_error&) {
        deleteEngine();  // no thread to spare: delete here
    }
    return 1;
}

void WaitForReleasedDownloaders() {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> guard(g_releaseLock);
        threads.swap(ReleaseThreads());
    }
    for (std::thread& thread : threads) thread.join();
}

// libcurl's global set-up runs before the engine's first thread can start a transfer.
DownloaderCurl::DownloaderCurl() { net::EnsureCurlGlobalInit(); }

DownloaderCurl::~DownloaderCurl() {
    Stop();
    StopAllParts();
    WriteLog("Begin: Wait dispatch thread finish.\n");
    if (m_manifestThread.joinable()) m_manifestThread.join();
    m_supervisor.Join();
    WriteLog("End: Wait dispatch thread finish.\n");
    if (m_hasher.joinable()) m_hasher.join();
    JoinAllThreads();
}

void DownloaderCurl::JoinAllThreads() {
    // Part threads may start repair parts until they see running false, so
    // collect and join until no thread is left.
    for (;;) {
        std::vector<std::thread> threads;
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            threads.swap(m_partThreads);
        }
        if (threads.empty()) break;
        for (std::thread& thread : threads) thread.join();
    }
}

void DownloaderCurl::SetTuning(const DownloadTuning& tuning) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_tuning = tuning;
}

void DownloaderCurl::Reset() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_cancel = false;
    m_downloaded = 0;
    m_bRunning = false;
    m_curlError = 0;
    m_errorCode = NoError;
    m_lastFailLink.clear();
    m_repairLink.clear();
    m_repairing = false;
    m_repairRounds = 0;
    m_state = DownloadState_Idle;
    m_switchLog.clear();
}

void DownloaderCurl::FireEvent(int event, int value, void* data) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_callback) m_pendingEvents.push_back({event, value, data});
}

void DownloaderCurl::FlushEvents() {
    // One thread fires at a time, so the callback sees the events in the
    // order they were raised; none is fired with the engine lock held.
    std::lock_guard<std::mutex> firing(m_eventLock);
    for (;;) {
        std::vector<PendingEvent> events;
        EventCallback callback;
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            events.swap(m_pendingEvents);
            callback = m_callback;
        }
        if (events.empty()) return;
        for (const PendingEvent& pending : events)
            if (callback) callback(pending.event, pending.value, pending.data);
    }
}

void DownloaderCurl::FireEventSized(int event, std::uint64_t value, std::uint64_t data) {
    // Both travel as their low 32 bits, the second one as the pointer value.
    FireEvent(event, static_cast<int>(static_cast<std::uint32_t>(value)),
              reinterpret_cast<void*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(data))));
}

void DownloaderCurl::FailStart() {
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_bRunning = false;
        m_state = DownloadState_Failed;
        FireEvent(DOWNLOAD_EVENT_FAILED, 0, nullptr);
    }
    FlushEvents();
}

void DownloaderCurl::EndDownload(int state, int errorCode) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (errorCode != NoError) m_errorCode = errorCode;
    m_state = state;
    m_bRunning = false;
    WakeSupervisor(false);
    if (state == DownloadState_Finished) FireEventSized(DOWNLOAD_EVENT_FINISHED, m_downloaded, m_nFileSize);
    else FireEventSized(DOWNLOAD_EVENT_FAILED, m_downloaded, m_nFileSize);
}

bool DownloaderCurl::PrepareStart() {
    // One download at a time: a start while one runs is refused and leaves it alone.
    if (m_bRunning) return false;
    // The threads of an earlier download end on their own once it is over;
    // join them before their handles are reused.
    if (m_manifestThread.joinable() && m_manifestThread.get_id() != std::this_thread::get_id()) m_manifestThread.join();
    m_supervisor.Join();
    if (m_hasher.joinable()) m_hasher.join();
    JoinAllThreads();
    return true;
}

void DownloaderCurl::SetRunningUnlessCancelled() {
    // Running first, then the cancel test: a Stop in between either sees
    // running and clears it, or is seen here.
    m_bRunning = true;
    if (m_cancel) m_bRunning = false;
}

HRESULT DownloaderCurl::StartFromBuffer(const char* bytes, int size, std::string targetPath) {
    if (!PrepareStart()) return E_FAIL;
    Reset();
    if (targetPath.size() >= MAX_PATH) {
        // The caller waits for event 4 or 5: a refused start ends like a failed one.
        FailStart();
        return E_INVALIDARG;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        CopyText(m_targetPath, sizeof(m_targetPath), targetPath);
        m_startBytes = bytes;
        m_startSize = size;
    }
    // Running before the thread starts, so that a quick failure cannot be
    // overwritten afterwards.
    SetRunningUnlessCancelled();
    try {
        m_manifestThread = std::thread([this] { ManifestBufferThread(); });
    } catch (const std::system_error&) {
        FailStart();
        return E_FAIL;
    }
    return S_OK;
}

void DownloaderCurl::ManifestBufferThread() {
    const char* startBytes;
    int startSize;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        startBytes = m_startBytes;
        startSize = m_startSize;
    }
    if (!startBytes) {
        WriteLog("Download_Thread_Download_Cfg : error.\n");
        LoadConfigText(nullptr, 0);
        return;
    }
    if (LoadConfigText(startBytes, startSize) == S_OK) {
        WriteLog("Download_Thread_Download_Cfg : succeed.\n");
    } else {
        WriteLog("Download_Thread_Download_Cfg : failed.\n");
        WriteLog("Download_Thread_Download_Cfg : error.\n");
    }
}

HRESULT DownloaderCurl::LoadConfigFromBuffer(const char* bytes, int size) {
    Reset();
    return LoadConfigText(bytes, size);
}

HRESULT DownloaderCurl::LoadConfigText(const char* bytes, int size) {
    HRESULT result = E_FAIL;
    if (bytes) {
        boost::shared_ptr<IXMLParse> document;
        // The text may lack its NUL: the XML layer reads up to one.
        std::string text(bytes, size > 0 ? static_cast<size_t>(size) : 0);
        if (FAILED(CreateXMLParse(document)) || !document || !document->LoadFromString(text.c_str(), size)) {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            m_errorCode = ConfigLoadError;
            result = E_INVALIDARG;
        } else {
            std::string target;
            {
                std::lock_guard<std::recursive_mutex> guard(m_lock);
                target = m_targetPath;
            }
            result = ApplyConfig(document, target);
        }
    }
    // A stop during the probe ends here too, as a failed start.
    if (FAILED(result)) FailStart();
    FlushEvents();
    return result;
}

HRESULT DownloaderCurl::StartFromFile(std::wstring manifestPath, std::string targetPath) {
    if (!PrepareStart()) return E_FAIL;
    Reset();
    boost::shared_ptr<IXMLParse> document;
    if (FAILED(CreateXMLParse(document)) || !document || !document->LoadFromFile(manifestPath)) {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_errorCode = ConfigLoadError;
        return E_INVALIDARG;
    }
    const HRESULT result = ApplyConfig(document, targetPath);
    FlushEvents();
    return result;
}

HRESULT DownloaderCurl::Stop() {
    m_cancel = true;
    m_bRunning = false;
    WakeSupervisor(false);
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    CloseFile();
    return S_OK;
}

HRESULT DownloaderCurl::SetEventCallback(EventCallback callback) {
    if (!callback) return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_callback = std::move(callback);
    return S_OK;
}

HRESULT DownloaderCurl::GetProgress(DownloadProgress* progress) {
    if (!progress) return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    progress->partLimit = m_partLimit;
    progress->total = static_cast<std::int64_t>(m_nFileSize);
    progress->downloaded = static_cast<std::int64_t>(m_downloaded);
    progress->items = m_parts.All();
    return S_OK;
}

int DownloaderCurl::GetState() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_state;
}

void DownloaderCurl::SetProxy(const DownloadProxy& proxy) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_proxy = proxy;
}

bool DownloaderCurl::GetSwitchAmazon() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_switchedToCdn;
}

int DownloaderCurl::GetErrorCode() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_errorCode;
}

std::string DownloaderCurl::GetErrorName() { return GetDownloadErrorName(GetErrorCode()); }

std::string DownloaderCurl::GetLastFailLink() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_lastFailLink;
}

std::string DownloaderCurl::GetRepairLink() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_repairLink;
}

int DownloaderCurl::GetCurlError() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_curlError;
}

std::vector<DownloadUrlInfo> DownloaderCurl::GetAllUrlInfo() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_allUrls;
}

std::vector<DownloadUrlInfo> DownloaderCurl::GetUsedUrlInfo() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_vecUrlCfg;
}

std::vector<DownloadUrlSwitch> DownloaderCurl::GetUrlSwitchLog() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_switchLog;
}

void DownloaderCurl::ApplyCommonSettings(net::HttpRequest& request) const {
    // Peer and host verification stay on; a test may name its own CA bundle.
    request.tls.verifyPeer = true;
    request.tls.caBundle = m_tuning.caBundle;
    request.proxy = net::ProxySettings();
    // Types other than 0 (HTTP) and 1 (SOCKS5) set no proxy at all.
    if (m_proxy.enabled && (m_proxy.type == 0 || m_proxy.type == 1)) {
        request.proxy.kind = m_proxy.type == 0 ? net::ProxySettings::Kind::Http : net::ProxySettings::Kind::Socks5;
        request.proxy.host = m_proxy.host;
        request.proxy.port = m_proxy.port;
        request.proxy.user = m_proxy.user;
        request.proxy.password = m_proxy.password;
    }
    request.cancel = &m_cancel;
}

void DownloaderCurl::WakeSupervisor(bool slotFreed) { m_supervisor.Wake(slotFreed); }

// Manifest by URL: up to three attempts, each with a fresh transfer and side file.
HRESULT DownloaderCurl::StartFromUrl(std::string url, std::string targetPath) {
    if (!PrepareStart()) return E_FAIL;
    Reset();
    if (url.size() >= sizeof(m_cfgUrl) || targetPath.size() + 4 >= MAX_PATH) {
        FailStart();
        return E_INVALIDARG;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        CopyText(m_cfgUrl, sizeof(m_cfgUrl), url);
        CopyText(m_targetPath, sizeof(m_targetPath), targetPath);
        CopyText(m_sideFilePath, sizeof(m_sideFilePath), targetPath + ".cfg");
        m_cfgItem = DownloadItem();
        m_cfgItem.url = m_cfgUrl;
        m_cfgItem.owner = this;
        m_cfgItem.startTick = m_cfgItem.lastDataTick = GetTickCount();
    }
    std::int64_t length = GetDownloadFileLenth(m_cfgUrl);
    FILE* probe = nullptr;
    if (fopen_s(&probe, m_sideFilePath, "wb") != 0 || !probe) {
        FailStart();
        return E_INVALIDARG;
    }
    std::fclose(probe);
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_cfgItem.end = length > 0 ? static_cast<std::uint64_t>(length) : 0;
        m_cfgItem.thread = ++m_threadSerial;
        WriteLog("Download_BeginDownload : Download link id(%d) thread(%d).\n", m_cfgItem.id,
                 static_cast<int>(m_cfgItem.thread));
    }
    SetRunningUnlessCancelled();
    try {
        m_manifestThread = std::thread([this] { ManifestUrlThread(); });
    } catch (const std::system_error&) {
        FailStart();
        return E_FAIL;
    }
    return S_OK;
}

void DownloaderCurl::ManifestUrlThread() {
    for (int attempt = 0; attempt < 3 && !m_cancel; ++attempt) {
        net::HttpRequest request;
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            m_cfgItem.status = E_Status_Runing;
            request.url = m_cfgUrl;
            ApplyCommonSettings(request);
        }
        request.userAgent = "QovApp/3.0";
        request.totalTimeoutMs = m_tuning.manifestTimeoutSeconds * 1000L;
        request.stallTimeoutMs = m_tuning.lowSpeedTimeSeconds * 1000L;
        request.failOnHttpError = true;
        // A manifest is a few dozen KiB; anything far larger is not one.
        request.bodyLimit = kManifestBodyLimit;
        // The side file is written afresh by each attempt and removed when it fails.
        const net::HttpResponse response = net::FetchToFile(request, m_sideFilePath);
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            m_cfgItem.result = response.result;
            m_cfgItem.endTick = GetTickCount();
            m_cfgItem.pos = response.bodyBytes;
            if (m_cfgItem.status == E_Status_Runing)
                m_cfgItem.status = response.Ok() ? E_Status_Succeed : E_Status_Fail;
        }
        if (response.Ok()) {
            OnConfigDownloaded(&m_cfgItem);
            WriteLog("Download_Thread_Download_Cfg : succeed.\n");
            return;
        }
        WriteLog("Download_Thread_Download_Cfg : failed.\n");
    }
    WriteLog("Download_Thread_Download_Cfg : error.\n");
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_errorCode = ConfigDownloadError;
    }
    FailStart();
}

HRESULT DownloaderCurl::OnConfigDownloaded(DownloadItem* item) {
    if (!item) return E_POINTER;
    std::wstring sidePath;
    std::string target;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        if (item->file) std::fclose(item->file);
        item->file = nullptr;
        wchar_t wide[MAX_PATH] = {};
        if (MultiByteToWideChar(CP_ACP, 0, m_sideFilePath, -1, wide, MAX_PATH) > 0) sidePath = wide;
        target = m_targetPath;
    }
    HRESULT result = E_FAIL;
    boost::shared_ptr<IXMLParse> document;
    if (FAILED(CreateXMLParse(document)) || !document || !document->LoadFromFile(sidePath)) {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_errorCode = ConfigLoadError;
        result = E_INVALIDARG;
    } else {
        result = ApplyConfig(document, target);
    }
    if (FAILED(result)) FailStart();
    FlushEvents();
    return result;
}
