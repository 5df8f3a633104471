// Verifying the target against the manifest's digests and repairing bad blocks.

#include <cstring>

#include "download/DownloaderCurl.h"
#include "platform/base/Clock.h"
#include "platform/files/FileSystem.h"
#include "util/Log.h"
#include "util/Md5.h"

namespace {
long long Signed(std::uint64_t value) { return static_cast<long long>(value); }

bool SameDigest(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}
}  // namespace

HRESULT DownloaderCurl::CheckHash() {
    switch (VerifyTarget(true)) {
    case HashVerdict::Good: return 1;
    case HashVerdict::Unreadable: return E_FAIL;
    default: return 0;
    }
}

DownloaderCurl::HashVerdict DownloaderCurl::VerifyTarget(bool allowRepair) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!PathFileExistsA(m_settings.targetPath)) return HashVerdict::Bad;
    if (m_pFile) std::fflush(m_pFile);
    FILE* reader = nullptr;
    if (fopen_s(&reader, m_settings.targetPath, "rb") != 0 || !reader) return HashVerdict::Unreadable;
    char digest[33] = {};
    char* digestBuffer = digest;
    if (!GetFileMd5(reader, &digestBuffer, sizeof(digest))) {
        std::fclose(reader);
        return HashVerdict::Unreadable;
    }
    if (SameDigest(digest, m_settings.fileMd5)) {
        std::fclose(reader);
        return HashVerdict::Good;
    }
    std::vector<std::string> blocks;
    if (!GetFileBlockMd5List(reader, kHashBlockSize, blocks)) {
        std::fclose(reader);
        return HashVerdict::Unreadable;
    }
    std::fclose(reader);
    const std::vector<std::string>& expected = m_settings.blockMd5;
    // A short file lacks its last blocks: they count as bad. A longer one cannot be mended.
    if (blocks.size() > expected.size()) return HashVerdict::Bad;
    if (!allowRepair || m_repairRounds >= m_tuning.maxRepairRounds) return HashVerdict::Bad;
    ++m_repairRounds;
    int started = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (i < blocks.size() && SameDigest(blocks[i], expected[i])) continue;
        const std::uint64_t offset = static_cast<std::uint64_t>(i) * kHashBlockSize;
        const std::uint64_t last = i + 1 == expected.size() ? m_nFileSize - 1 : offset + kHashBlockSize - 1;
        m_repairing = true;
        if (SUCCEEDED(RepairData(offset, last))) ++started;
    }
    return started > 0 ? HashVerdict::RepairsStarted : HashVerdict::Bad;
}

const char* DownloaderCurl::BestUrlForBlock(std::uint64_t block, const char* containingUrl) {
    const std::uint32_t writers = block < m_blockWriters.size() ? m_blockWriters[block] : 0;
    // The fastest mirror that did not write the bad bytes.
    const DownloadItem* best = nullptr;
    for (const auto& [id, item] : m_items) {
        if (item.status != E_Status_Runing && item.status != E_Status_Succeed && item.status != E_Status_StopByDispatch)
            continue;
        if (!item.url || (MirrorBit(item.url) & writers)) continue;
        if (item.speed > 0 && (!best || item.speed > best->speed)) best = &item;
    }
    if (best) {
        if (IsAmazonUrl(best->url)) m_switchedToCdn = true;
        return best->url;
    }
    if (CdnRecordValid() && !(MirrorBit(m_cdnRecord.url) & writers)) {
        m_switchedToCdn = true;
        m_switchLog.push_back({GetHostFromDownloadUrl(containingUrl), 0});
        return m_cdnRecord.url;
    }
    // Every mirror wrote this block: fall back to the fastest other than the
    // containing part's; the bounded number of rounds ends a lasting fault.
    return GetBestURL(containingUrl);
}

HRESULT DownloaderCurl::RepairData(std::uint64_t start, std::uint64_t end) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const DownloadItem* containing = nullptr;
    for (const auto& [id, item] : m_items) {
        if (item.start <= start && item.end >= end) {
            containing = &item;
            break;
        }
    }
    const char* url = BestUrlForBlock(start / kHashBlockSize, containing ? containing->url : nullptr);
    if (!url) {
        WriteLog("Download_RepairData : GetBestURL error, start(%lld), end(%lld).\n", Signed(start), Signed(end));
        m_repairLink.clear();
        return E_INVALIDARG;
    }
    m_repairLink = url;
    const DownloadItem model = containing ? *containing : m_items.empty() ? DownloadItem() : m_items.begin()->second;
    DownloadItem repair = FreshPart(model, url, start, end);
    const int newId = repair.id;
    m_items.emplace(newId, repair);
    for (std::uint64_t block = start / kHashBlockSize; block <= end / kHashBlockSize && block < m_blockWriters.size(); ++block)
        m_blockWriters[block] = 0;
    WriteLog("Download_RepairData : GetBestURL Info, start(%lld), end(%lld), ID(%d) url(%s).\n", Signed(start), Signed(end),
             newId, GetHostFromDownloadUrl(url).c_str());
    return BeginDownloadItem(&m_items[newId]);
}
