#include "download/DownloaderCurl.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstring>
#include <system_error>

#include "platform/base/Clock.h"
#include "platform/base/CodePages.h"
#include "platform/files/FileSystem.h"
#include "formats/xml/XMLParse.h"
#include "util/Log.h"

namespace {

// libcurl's global set-up, once per process before the first transfer.
void InitCurlOnce() {
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_ALL);
    (void)initialised;
}

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

DownloaderCurl::DownloaderCurl() { InitCurlOnce(); }

DownloaderCurl::~DownloaderCurl() {
    Stop();
    StopAllParts();
    WriteLog("Begin: Wait dispatch thread finish.\n");
    if (m_manifestThread.joinable()) m_manifestThread.join();
    if (m_supervisor.joinable()) m_supervisor.join();
    WriteLog("End: Wait dispatch thread finish.\n");
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
    if (m_callback) m_callback(event, value, data);
}

void DownloaderCurl::FireEventSized(int event, std::uint64_t value, std::uint64_t data) {
    // Both travel as their low 32 bits, the second one as the pointer value.
    FireEvent(event, static_cast<int>(static_cast<std::uint32_t>(value)),
              reinterpret_cast<void*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(data))));
}

void DownloaderCurl::FailStart() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_bRunning = false;
    m_state = DownloadState_Failed;
    FireEvent(DOWNLOAD_EVENT_FAILED, 0, nullptr);
}

void DownloaderCurl::EndDownload(int state, int errorCode) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (errorCode != NoError) m_errorCode = errorCode;
    m_state = state;
    m_bRunning = false;
    WakeSupervisor(false);
    if (state == DownloadState_Finished)
        FireEventSized(DOWNLOAD_EVENT_FINISHED, m_downloaded, m_nFileSize);
    else
        FireEventSized(DOWNLOAD_EVENT_FAILED, m_downloaded, m_nFileSize);
}

HRESULT DownloaderCurl::StartFromBuffer(const char* bytes, int size, std::string targetPath) {
    if (targetPath.size() >= MAX_PATH) return E_INVALIDARG;
    if (m_manifestThread.joinable()) m_manifestThread.join();
    Reset();
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        CopyText(m_targetPath, sizeof(m_targetPath), targetPath);
        m_startBytes = bytes;
        m_startSize = size;
    }
    // Running before the thread starts, so that a quick failure cannot be
    // overwritten afterwards.
    m_bRunning = true;
    try {
        m_manifestThread = std::thread([this] { ManifestBufferThread(); });
    } catch (const std::system_error&) {
        m_bRunning = false;
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
    return result;
}

HRESULT DownloaderCurl::StartFromFile(std::wstring manifestPath, std::string targetPath) {
    Reset();
    boost::shared_ptr<IXMLParse> document;
    if (FAILED(CreateXMLParse(document)) || !document || !document->LoadFromFile(manifestPath)) {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_errorCode = ConfigLoadError;
        return E_INVALIDARG;
    }
    return ApplyConfig(document, targetPath);
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
    progress->items = m_items;
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

void DownloaderCurl::ApplyProxy(CURL* curl) {
    if (!curl || !m_proxy.enabled) return;
    if (m_proxy.type == 0)
        curl_easy_setopt(curl, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    else if (m_proxy.type == 1)
        curl_easy_setopt(curl, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_SOCKS5));
    else
        return;
    char text[260];
    std::snprintf(text, sizeof(text), "%s:%s", m_proxy.host.c_str(), m_proxy.port.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXY, text);
    std::snprintf(text, sizeof(text), "%s:%s", m_proxy.user.c_str(), m_proxy.password.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, text);
}

void DownloaderCurl::ApplyTls(CURL* curl) {
    // Peer and host verification stay on; a test may name its own CA bundle.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_tuning.caBundle.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, m_tuning.caBundle.c_str());
}

void DownloaderCurl::WakeSupervisor(bool slotFreed) {
    std::lock_guard<std::mutex> guard(m_wakeLock);
    if (slotFreed) m_slotFreed = true;
    m_wake.notify_all();
}

bool DownloaderCurl::SleepUntilPass(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> guard(m_wakeLock);
    m_wake.wait_until(guard, deadline, [this] { return !m_bRunning.load() || m_slotFreed.load(); });
    const bool early = m_slotFreed.exchange(false) && std::chrono::steady_clock::now() < deadline;
    return early;
}

// Manifest by URL: up to three attempts, each with a fresh transfer and side file.
namespace {
size_t AppendToSideFile(char* bytes, size_t size, size_t count, void* data) {
    DownloadItem* item = static_cast<DownloadItem*>(data);
    if (!item || !item->file || !item->owner) return 0;
    return std::fwrite(bytes, size, count, item->file) * size;
}
}  // namespace

HRESULT DownloaderCurl::StartFromUrl(std::string url, std::string targetPath) {
    if (url.size() >= sizeof(m_cfgUrl) || targetPath.size() + 4 >= MAX_PATH) return E_INVALIDARG;
    if (m_manifestThread.joinable()) m_manifestThread.join();
    Reset();
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
    if (fopen_s(&probe, m_sideFilePath, "wb") != 0 || !probe) return E_INVALIDARG;
    std::fclose(probe);
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_cfgItem.end = length > 0 ? static_cast<std::uint64_t>(length) : 0;
        m_cfgItem.thread = ++m_threadSerial;
        WriteLog("Download_BeginDownload : Download link id(%d) thread(%d).\n", m_cfgItem.id,
                 static_cast<int>(m_cfgItem.thread));
    }
    if (!m_cancel) m_bRunning = true;
    try {
        m_manifestThread = std::thread([this] { ManifestUrlThread(); });
    } catch (const std::system_error&) {
        m_bRunning = false;
        return E_FAIL;
    }
    return S_OK;
}

void DownloaderCurl::ManifestUrlThread() {
    for (int attempt = 0; attempt < 3 && !m_cancel; ++attempt) {
        FILE* side = nullptr;
        if (fopen_s(&side, m_sideFilePath, "wb") != 0 || !side) break;
        CURL* curl = curl_easy_init();
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            m_cfgItem.file = side;
            m_cfgItem.curl = curl;
            m_cfgItem.status = E_Status_Runing;
        }
        curl_easy_setopt(curl, CURLOPT_URL, m_cfgUrl);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToSideFile);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &m_cfgItem);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProbeProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, m_tuning.lowSpeedTimeSeconds);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, m_tuning.manifestTimeoutSeconds);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "QovApp/3.0");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        ApplyTls(curl);
        ApplyProxy(curl);
        CURLcode result = curl_easy_perform(curl);
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            m_cfgItem.result = result;
            m_cfgItem.endTick = GetTickCount();
            if (m_cfgItem.status == E_Status_Runing) m_cfgItem.status = result == CURLE_OK ? E_Status_Succeed : E_Status_Fail;
            m_cfgItem.curl = nullptr;
        }
        curl_easy_cleanup(curl);
        if (result == CURLE_OK) {
            OnConfigDownloaded(&m_cfgItem);
            WriteLog("Download_Thread_Download_Cfg : succeed.\n");
            return;
        }
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            std::fclose(m_cfgItem.file);
            m_cfgItem.file = nullptr;
        }
        WriteLog("Download_Thread_Download_Cfg : failed.\n");
    }
    WriteLog("Download_Thread_Download_Cfg : error.\n");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_errorCode = ConfigDownloadError;
    FailStart();
}

HRESULT DownloaderCurl::OnConfigDownloaded(DownloadItem* item) {
    if (!item || !item->file) return E_POINTER;
    std::wstring sidePath;
    std::string target;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        std::fclose(item->file);
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
    return result;
}
