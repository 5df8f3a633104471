// What the supervisor does with each part: retries failed parts, moves
// stalled ones, splits large ones when a slot frees, and ends the download
// when nothing is left to run.
#include <chrono>
#include <cstring>

#include "download/DownloaderCurl.h"
#include "download/MirrorChoice.h"
#include "download/PartTable.h"
#include "platform/base/Clock.h"
#include "util/Log.h"

namespace {
long long Signed(std::uint64_t value) { return static_cast<long long>(value); }
}  // namespace

int DownloaderCurl::CountRunningParts() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_parts.CountRunning();
}

int DownloaderCurl::FindLargestRemainingPart() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_parts.LargestRemaining();
}

bool DownloaderCurl::HasActiveParts(int* firstActive) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_parts.HasActive(firstActive);
}

void DownloaderCurl::StopAllParts() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    CloseFile();
    m_parts.StopAll();
    m_nFileSize = 0;
    m_downloaded = 0;
}

int DownloaderCurl::SupervisedPartCount() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_parts.Count();
}

int DownloaderCurl::SupervisedPartStatus(int id) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const DownloadItem* part = m_parts.Find(id);
    return part ? part->status : E_Status_StopByDispatch;
}

bool DownloaderCurl::DispatchFailedPart(int id) {
    std::unique_lock<std::recursive_mutex> guard(m_lock);
    DownloadItem& item = *m_parts.Find(id);
    switch (PlanRetryRange(item, m_nFileSize)) {
        case RetryPlan::BadRange:
            WriteLog(
                "Download_Dispatch: Invalid range pos(%lld) > end(%lld) or end >= filesize(%lld) for failed item %d\n",
                Signed(item.pos), Signed(item.end), Signed(m_nFileSize), id);
            SetItemStatus(item, E_Status_StopByDispatch);
            return true;
        case RetryPlan::NothingLeft:
            WriteLog("Download_Dispatch: Item (%d) completed at pos (%lld)\n", id, Signed(item.pos));
            SetItemStatus(item, E_Status_StopByDispatch);
            return true;
        case RetryPlan::Retry: break;
    }
    WriteLog("Download_Dispatch: Retrying failed item (%d), range (%lld-%lld)\n", id, Signed(item.pos),
             Signed(item.end));
    const char* url = ChooseUrl(item.url, item.avoidMirrors);
    // A repair piece whose other mirrors all wrote the bad bytes retries on its own.
    if (!url && item.avoidMirrors) url = ChooseUrl(nullptr, item.avoidMirrors);
    if (!url) {
        if (CdnRecordValid() && !IsOnCdn(item.url) && !(MirrorBit(m_cdnRecord.url) & item.avoidMirrors)) {
            url = m_cdnRecord.url;
            m_switchedToCdn = true;
            m_switchLog.push_back({GetHostFromDownloadUrl(item.url), static_cast<int>(CdnSwitchReason::Failure)});
        } else {
            WriteLog("Download_Dispatch: Failed to get alternate URL for failed item (%d).\n", id);
            m_bRunning = false;
            WakeSupervisor(false);
            std::string link = item.url ? item.url : "";
            size_t scheme = link.find("http://");
            size_t path = link.find("/download/");
            if (scheme != std::string::npos && path != std::string::npos && scheme + 7 <= path)
                WriteLog("Download_Dispatch link :(%s).\n", link.substr(scheme + 7, path - scheme - 7).c_str());
            m_errorCode = m_repairing ? RepairFailError : DispatchFailError;
            m_curlError = item.result;
            m_lastFailLink = link;
            return false;
        }
    }
    if (RetryRangeTooShort(item, m_nFileSize)) {
        // One byte left is not retried; the hash check repairs its block.
        WriteLog(
            "Download_Dispatch: Skip creating new item due to invalid range: start(%lld) end(%lld) filesize(%lld)\n",
            Signed(item.pos), Signed(item.end), Signed(m_nFileSize));
        SetItemStatus(item, E_Status_StopByDispatch);
        return true;
    }
    DownloadItem& replacement = m_parts.Enter(item, url, item.pos, item.end, GetTickCount());
    WriteLog("Download_Dispatch: Creating new item (%d) for range (%lld-%lld) using URL (%s)\n", replacement.id,
             Signed(replacement.start), Signed(replacement.end), GetUrlDomain(url).c_str());
    guard.unlock();
    Sleep(m_tuning.startDelayMs);
    guard.lock();
    SetItemStatus(item, E_Status_StopByFail);
    const int newId = replacement.id;
    HRESULT started = BeginDownloadItem(&replacement);
    if (FAILED(started))
        WriteLog("Download_Dispatch: Failed to start new item (%d), hr=0x%08x\n", newId,
                 static_cast<unsigned>(started));
    return true;
}

void DownloaderCurl::DispatchStalledPart(int id) {
    std::unique_lock<std::recursive_mutex> guard(m_lock);
    DownloadItem& item = *m_parts.Find(id);
    const StallPlan plan =
        PlanStall(item, m_downloaded, m_nFileSize, IsOnCdn(item.url), GetTickCount(), m_tuning.stallLimitMs);
    if (plan == StallPlan::Running) return;
    if (plan == StallPlan::BadRange) {
        WriteLog("Download_Dispatch: Invalid range for timeout item %d: pos(%lld) end(%lld) filesize(%lld)\n", id,
                 Signed(item.pos), Signed(item.end), Signed(m_nFileSize));
        SetItemStatus(item, E_Status_StopByDispatch);
        return;
    }
    WriteLog("Download_Dispatch: Item (%d) timeout at pos (%lld), trying new URL\n", id, Signed(item.pos));
    const char* url = ChooseUrl(item.url, item.avoidMirrors);
    if (!url) {
        if (!CdnRecordValid() || (MirrorBit(m_cdnRecord.url) & item.avoidMirrors)) {
            WriteLog("Download_Dispatch: No alternate URL available for timeout item (%d)\n", id);
            return;
        }
        url = m_cdnRecord.url;
        m_switchedToCdn = true;
        WriteLog("Download_Dispatch: Using amazon URL for timeout item (%d)\n", id);
        m_switchLog.push_back({GetHostFromDownloadUrl(item.url), static_cast<int>(CdnSwitchReason::Stall)});
    }
    DownloadItem& replacement = m_parts.Enter(item, url, item.pos, item.end, GetTickCount());
    item.end = item.pos;
    SetItemStatus(item, E_Status_StopByDispatch);
    WriteLog("Download_Dispatch: Creating new item (%d) to handle timeout, range (%lld-%lld)\n", replacement.id,
             Signed(replacement.start), Signed(replacement.end));
    const int newId = replacement.id;
    guard.unlock();
    Sleep(m_tuning.startDelayMs);
    guard.lock();
    HRESULT started = BeginDownloadItem(&replacement);
    if (FAILED(started))
        WriteLog("Download_Dispatch: Failed to start timeout recovery item (%d), hr=0x%08x\n", newId,
                 static_cast<unsigned>(started));
}

void DownloaderCurl::DispatchFinishedPart(int id) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_parts.CountRunning() >= m_partLimit) return;
    const int largeId = m_parts.LargestRemaining();
    if (largeId < 0) return;
    DownloadItem& large = *m_parts.Find(largeId);
    const DownloadItem& finished = *m_parts.Find(id);
    const SplitRanges ranges = PlanSplit(large);
    if (!ranges.split) return;
    WriteLog("Download_Dispatch: Found large download item (%d) with remain size (%lld) bytes\n", largeId,
             Signed(large.end - large.pos));
    // The new half inherits the large part's mirrors to keep off.
    const std::uint32_t avoid = large.avoidMirrors;
    const char* url = ChooseUrl(large.url, avoid);
    if (!url) {
        if (CdnRecordValid() && !(MirrorBit(m_cdnRecord.url) & avoid)) {
            url = m_cdnRecord.url;
            m_switchedToCdn = true;
            WriteLog("Download_Dispatch: Using amazon URL for split download\n");
            m_switchLog.push_back({GetHostFromDownloadUrl(finished.url), static_cast<int>(CdnSwitchReason::Split)});
        } else if (!(MirrorBit(finished.url) & avoid)) {
            url = finished.url;
        } else {
            url = large.url;
        }
    }
    const std::uint64_t oldEnd = large.end;
    DownloadItem& split = m_parts.Enter(large, url, ranges.newStart, ranges.newEnd, GetTickCount());
    large.end = ranges.keepEnd;
    WriteLog("Download_Dispatch: Split item (%d) original range (%lld-%lld), to (%lld-%lld) and new (%lld-%lld)\n",
             largeId, Signed(large.start), Signed(oldEnd), Signed(large.start), Signed(large.end), Signed(split.start),
             Signed(split.end));
    const int newId = split.id;
    HRESULT started = BeginDownloadItem(&split);
    if (FAILED(started))
        WriteLog("Download_Dispatch: Failed to start split item (%d), hr=0x%08x\n", newId,
                 static_cast<unsigned>(started));
}

void DownloaderCurl::CheckFinish(DownloadItem* item) {
    if (!item) return;
    int id = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        id = item->id;
        WriteLog("Download_CheckFinish (%d): begin.\n", id);
        FireEvent(DOWNLOAD_EVENT_PART_DONE, id, item);
    }
    FlushEvents();
    FinishWhenIdle(id);
}

void DownloaderCurl::FinishWhenIdle(int callerId) {
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        // One finish test at a time; the one running sees every part that ended before it.
        if (!m_bRunning || m_verifying) return;
        int active = -1;
        if (HasActiveParts(&active)) {
            if (callerId >= 0) WriteLog("Download_CheckFinish (%d): continue. now wait (%d).\n", callerId, active);
            return;
        }
        m_verifying = true;
    }
    const TargetDigests digests = DigestTarget();
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_verifying = false;
    if (!m_bRunning) return;
    switch (JudgeTarget(digests, true)) {
        case HashVerdict::Good:
            WriteLog("Download_CheckFinish (%d): Finish download.\n", callerId);
            CloseFile();
            EndDownload(DownloadState_Finished, NoError);
            break;
        case HashVerdict::RepairsStarted: break;
        case HashVerdict::Bad:
        case HashVerdict::Unreadable:
            // Nothing left to repair it with, or repaired too often: give up.
            WriteLog("Download_Dispatch : CheckHash download failed.\n");
            CloseFile();
            EndDownload(DownloadState_Failed, CheckHashError);
            break;
    }
}

void DownloaderCurl::FinalCheck() {
    if (m_cancel) return;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        if (m_state == DownloadState_Finished || m_state == DownloadState_Failed) return;
    }
    const TargetDigests digests = DigestTarget();
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_cancel || m_state == DownloadState_Finished || m_state == DownloadState_Failed) return;
    if (JudgeTarget(digests, false) == HashVerdict::Good) {
        CloseFile();
        EndDownload(DownloadState_Finished, NoError);
        return;
    }
    WriteLog("Download_Dispatch : CheckHash download failed.\n");
    CloseFile();
    EndDownload(DownloadState_Failed, m_errorCode == NoError ? CheckHashError : NoError);
}
