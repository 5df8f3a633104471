// DownloaderCurl: the download engine over libcurl's easy interface.
//
// Threads: the caller's (start, poll, getters, Stop), the manifest thread
// (manifest, probe, part set-up), one thread per part (one blocking transfer
// each; its callbacks and the finish test run there), the supervisor and the
// hasher. One engine lock (m_lock, re-entrant) guards the part map and every
// part's fields, the counters and the result fields; running and cancel are
// atomic; the target file and the hasher have locks of their own, and the
// finish test reads the file without the engine lock. Lock order:
// m_eventLock, then m_lock, then the supervisor's wake lock or the file's and hasher's locks.
// Events are queued under m_lock and fired after it is released, one thread
// at a time, so a callback may call any getter or Stop, but must not wait
// for another engine thread. The destructor stops everything and joins
// every thread it started.
#pragma once

#include <boost/shared_ptr.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/BlockVerifier.h"
#include "download/DownloadTuning.h"
#include "download/PartTable.h"
#include "download/Supervisor.h"
#include "download/TargetFile.h"
#include "download/TargetHasher.h"
#include "download/DownloadTypes.h"
#include "download/IDownloader.h"
#include "net/HttpTransfer.h"

class IXMLParse;

class DownloaderCurl : public IDownloader, private SupervisedDownload {
public:
    static constexpr std::uint64_t kManifestBodyLimit = 8u << 20;  // a manifest fetched by URL

    DownloaderCurl();
    ~DownloaderCurl() override;
    DownloaderCurl(const DownloaderCurl&) = delete;
    DownloaderCurl& operator=(const DownloaderCurl&) = delete;

    // IDownloader.
    HRESULT StartFromBuffer(const char* bytes, int size, std::string targetPath) override;
    HRESULT StartFromUrl(std::string url, std::string targetPath) override;
    HRESULT StartFromFile(std::wstring manifestPath, std::string targetPath) override;
    HRESULT BeginDownload(const DownloadConfig* config) override;
    HRESULT Stop() override;
    bool IsRunning() override { return m_bRunning; }
    HRESULT SetEventCallback(EventCallback callback) override;
    HRESULT GetProgress(DownloadProgress* progress) override;
    int GetState() override;
    void SetProxy(const DownloadProxy& proxy) override;
    bool GetSwitchAmazon() override;
    int GetErrorCode() override;
    std::string GetErrorName() override;
    std::string GetLastFailLink() override;
    std::string GetRepairLink() override;
    int GetCurlError() override;
    std::vector<DownloadUrlInfo> GetAllUrlInfo() override;
    std::vector<DownloadUrlInfo> GetUsedUrlInfo() override;
    DownloadSummary GetAmazonSummary() override;
    std::vector<DownloadSummary> GetDomainSummary() override;
    std::vector<DownloadUrlSwitch> GetUrlSwitchLog() override;

    // Own operations.
    virtual HRESULT OnConfigDownloaded(DownloadItem* item);
    virtual HRESULT LoadConfigFromBuffer(const char* bytes, int size);
    virtual HRESULT ApplyConfig(boost::shared_ptr<IXMLParse> document, std::string targetPath);
    virtual HRESULT CheckDownload(DownloadConfig* config);
    virtual HRESULT InitDownload();
    virtual HRESULT BeginDownloadItem(DownloadItem* item);

    // Timing constants and hooks; set before a start operation.
    void SetTuning(const DownloadTuning& tuning);
    const DownloadTuning& Tuning() const { return m_tuning; }

    // Mirror probe pieces.
    bool PingUrl(const char* url, int* pingMs);
    std::int64_t GetDownloadFileLenth(const char* url);
    bool GetNetworkNotFull(const char* url);
    bool IsAmazonUrl(const char* url) const;
    // Url of the fastest part (speed above 0) not on `excluded`; null when none.
    const char* GetBestURL(const char* excluded);
    // Body of a GET, or "error".
    std::string HttpGetText(const std::string& url);

    // Supervisor pieces.
    int CountRunningParts();
    int FindLargestRemainingPart();
    // 1 good, 0 not good (repairs may have been started), E_FAIL unreadable.
    HRESULT CheckHash();
    HRESULT RepairData(std::uint64_t start, std::uint64_t end);
    void CheckFinish(DownloadItem* item);
    void StopAllParts();
    void CloseFile();
    size_t WriteData(const char* bytes, size_t length, std::uint64_t offset);

private:
    enum class HashVerdict { Good, RepairsStarted, Bad, Unreadable };

    void Reset();
    // False while a download runs; otherwise joins the earlier download's threads.
    bool PrepareStart();
    void SetRunningUnlessCancelled();
    // Queues an event (takes the engine lock); FlushEvents fires the queue
    // and must be called with no engine lock held: events never run under it.
    void FireEvent(int event, int value, void* data);
    void FlushEvents();
    void FireEventSized(int event, std::uint64_t value, std::uint64_t data);
    // The one place a part's status changes.
    void SetItemStatus(DownloadItem& item, int status);
    // Ends the download: state 4 or 5, running off, event 4 or 5.
    // A start that never reached the parts: state 4 and event (4, 0, null).
    void FailStart();
    void EndDownload(int state, int errorCode);
    // User agent aside, the settings every request of this engine shares:
    // TLS verification and CA bundle, the proxy, cancel.
    void ApplyCommonSettings(net::HttpRequest& request) const;
    net::HttpRequest PartRequest(const DownloadItem& item) const;
    bool AcceptPartHead(DownloadItem* item, const net::HttpResponse& head);
    // The mirror for a range: the fastest part's url other than `excluded`,
    // off the mirrors in `avoid`; null when none has a measured speed.
    const char* ChooseUrl(const char* excluded, std::uint32_t avoid);
    HRESULT LoadConfigText(const char* bytes, int size);
    void ManifestBufferThread();
    void ManifestUrlThread();

    // The supervisor's handlers (see Supervisor.h).
    bool SupervisionRunning() const override { return m_bRunning; }
    int SupervisedPartCount() override;
    int SupervisedPartStatus(int id) override;
    void OnFinishedPart(int id) override { DispatchFinishedPart(id); }
    bool OnFailedPart(int id) override { return DispatchFailedPart(id); }
    void OnRunningPart(int id) override { DispatchStalledPart(id); }
    void OnPassDone() override { FinishWhenIdle(-1); }
    void OnSupervisionEnd() override { FinalCheck(); }
    void FireQueuedEvents() override { FlushEvents(); }
    bool DispatchFailedPart(int id);  // false: no mirror left, the download gives up
    void DispatchStalledPart(int id);
    void DispatchFinishedPart(int id);
    // Runs the finish test when no part is running or waiting for a retry.
    void FinishWhenIdle(int callerId);
    bool HasActiveParts(int* firstActive);
    struct TargetDigests {
        bool exists = false;
        bool readable = false;
        std::string whole;                // 32 upper-case hex digits
        std::vector<std::string> blocks;  // only when the whole digest differs
        bool blocksMatch = false;         // every block equals the manifest's (whole then not needed)
    };
    // The hasher thread's body.
    void HashPrefix();
    // Reads and digests the target; called without the engine lock held.
    TargetDigests DigestTarget();
    // Compares with the manifest and starts the repairs; takes the engine lock.
    HashVerdict JudgeTarget(const TargetDigests& digests, bool allowRepair);
    // Both; the caller must not hold the engine lock.
    HashVerdict VerifyTarget(bool allowRepair);
    void FinalCheck();
    // The repair's mirror and, in *avoid, the mirrors its pieces keep off.
    const char* BestUrlForBlock(std::uint64_t block, const char* containingUrl, std::uint32_t* avoid);
    std::uint32_t MirrorBit(const char* url) const;
    bool CdnRecordValid() const { return m_cdnRecord.sizeConsistent; }
    bool IsOnCdn(const char* url) const;

    void ThreadDownloadInternal(DownloadItem* item);
    static size_t OnItemData(char* bytes, size_t size, size_t count, void* data);
    static int OnItemProgress(void* data, std::int64_t, std::int64_t, std::int64_t, std::int64_t);
    void WakeSupervisor(bool slotFreed);
    void JoinAllThreads();
    DownloadSummary SummaryOver(const std::vector<const DownloadItem*>& parts, const std::string& domain, bool print);

    mutable std::recursive_mutex m_lock;
    EventCallback m_callback;
    struct PendingEvent {
        int event;
        int value;
        void* data;
    };
    std::vector<PendingEvent> m_pendingEvents;
    std::mutex m_eventLock;  // held while firing; taken before m_lock, never after
    PartTable m_parts;
    DownloadConfig m_settings;
    std::vector<DownloadUrlInfo> m_vecUrlCfg;
    TargetFile m_target;
    std::uint64_t m_nFileSize = 0;
    std::uint64_t m_downloaded = 0;
    int m_partLimit = 0;
    int m_partsPerMirror = 0;  // connections a mirror takes at the start; the choice counts free ones
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_cancel{false};
    int m_state = DownloadState_Idle;
    DownloadItem m_cfgItem;
    char m_cfgUrl[520] = {};
    char m_sideFilePath[MAX_PATH] = {};
    char m_targetPath[MAX_PATH] = {};
    DownloadUrlInfo m_cdnRecord;
    bool m_switchedToCdn = false;
    DownloadProxy m_proxy;
    int m_errorCode = NoError;
    std::string m_lastFailLink;
    std::string m_repairLink;
    int m_curlError = 0;
    bool m_repairing = false;
    std::vector<DownloadUrlInfo> m_allUrls;
    std::vector<DownloadUrlSwitch> m_switchLog;

    DownloadTuning m_tuning;
    const char* m_startBytes = nullptr;  // StartFromBuffer's manifest, owned by the caller
    int m_startSize = 0;
    int m_repairRounds = 0;
    std::vector<std::uint32_t> m_blockWriters;  // per 1 MiB block: bits of the mirrors that wrote it
    std::atomic<DWORD> m_threadSerial{0};

    std::thread m_manifestThread;
    Supervisor m_supervisor;
    std::vector<std::thread> m_partThreads;
    bool m_verifying = false;  // a finish test is reading the target (under m_lock)

    // The hasher thread digests the target while the parts run, so that the
    // first finish test reads only what is left; the digests are usable
    // until that first test takes them (repairs rewrite bytes).
    TargetHasher m_targetHasher;
    std::atomic<bool> m_prefixUsable{false};
    std::thread m_hasher;
};

// Host of a mirror url: the text between the scheme and "/download/", "" otherwise.
std::string GetHostFromDownloadUrl(const char* url);
// The text between the first "//" and the next "/", for logs and summaries.
std::string GetUrlDomain(const char* url);
// CDN class: the url contains "//dl." or one of the patterns.
bool IsCdnClassUrl(const char* url, const std::vector<std::string>& patterns);
