// Verifying the target against the manifest's digests and repairing bad blocks.

#include <algorithm>
#include <cstring>
#include <utility>

#include "download/DownloaderCurl.h"
#include "download/BlockVerifier.h"
#include "download/MirrorChoice.h"
#include "download/PartTable.h"
#include "platform/base/Clock.h"
#include "platform/files/FileSystem.h"
#include "util/Log.h"

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

void DownloaderCurl::HashPrefix() {
    while (m_bRunning && m_prefixUsable) {
        TargetHasher::Ranges written;
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            for (const auto& range : m_parts.WrittenRanges()) written.emplace_back(range.first, range.second);
        }
        if (!m_targetHasher.Step(m_target, TargetHasher::Merge(std::move(written)))) Sleep(10);
    }
}

DownloaderCurl::TargetDigests DownloaderCurl::DigestTarget() {
    TargetDigests digests;
    std::string path;
    std::string expected;
    std::vector<std::string> expectedBlocks;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        path = m_settings.targetPath;
        expected = m_settings.fileMd5;
        expectedBlocks = m_settings.blockMd5;
    }
    // The reading and digesting run without the engine lock, so that the
    // painter's and the worker's polls are answered meanwhile.
    digests.exists = PathFileExistsA(path.c_str()) != FALSE;
    if (!digests.exists) return digests;
    if (m_prefixUsable.exchange(false) && m_target.IsOpen()) {
        // The first test: the blocks were digested while they arrived, so
        // only the last few are read now. When every block matches, the file
        // is good whatever the whole digest says (the verdict the block
        // comparison reaches anyway), and the sequential whole-file read,
        // which could not start before the ranges joined, is not needed.
        digests.readable = true;
        digests.blocks = m_targetHasher.FinishBlocks(m_target);
        digests.blocksMatch =
            digests.blocks.size() == expectedBlocks.size() &&
            std::equal(digests.blocks.begin(), digests.blocks.end(), expectedBlocks.begin(), SameDigest);
        if (!digests.blocksMatch) digests.whole = m_targetHasher.FinishWhole(m_target);
        return digests;
    }
    BlockVerifier verifier(kHashBlockSize);
    digests.readable = DigestFileBlocks(path, &verifier);
    digests.whole = verifier.Whole();
    digests.blocks = verifier.Blocks();
    return digests;
}

DownloaderCurl::HashVerdict DownloaderCurl::VerifyTarget(bool allowRepair) {
    TargetDigests digests = DigestTarget();
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return JudgeTarget(digests, allowRepair);
}

DownloaderCurl::HashVerdict DownloaderCurl::JudgeTarget(const TargetDigests& digests, bool allowRepair) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!digests.exists) return HashVerdict::Bad;
    if (!digests.readable) return HashVerdict::Unreadable;
    if (digests.blocksMatch || SameDigest(digests.whole, m_settings.fileMd5)) return HashVerdict::Good;
    const std::vector<std::string>& blocks = digests.blocks;
    const std::vector<std::string>& expected = m_settings.blockMd5;
    // A short file lacks its last blocks: they count as bad. A longer one cannot be mended.
    if (blocks.size() > expected.size()) return HashVerdict::Bad;
    // Every block as listed: nothing to repair, the file is good.
    if (blocks.size() == expected.size() && std::equal(blocks.begin(), blocks.end(), expected.begin(), SameDigest))
        return HashVerdict::Good;
    if (!allowRepair || m_repairRounds >= m_tuning.maxRepairRounds) return HashVerdict::Bad;
    ++m_repairRounds;
    int started = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (i < blocks.size() && SameDigest(blocks[i], expected[i])) continue;
        const auto [offset, last] = BlockRange(i, expected.size(), m_nFileSize);
        m_repairing = true;
        if (SUCCEEDED(RepairData(offset, last))) ++started;
    }
    return started > 0 ? HashVerdict::RepairsStarted : HashVerdict::Bad;
}

const char* DownloaderCurl::BestUrlForBlock(std::uint64_t block, const char* containingUrl, std::uint32_t* avoid) {
    const std::uint32_t writers = block < m_blockWriters.size() ? m_blockWriters[block] : 0;
    *avoid = writers;
    // The fastest mirror that did not write the bad bytes (with no writer
    // known, the fastest other than the containing part's).
    if (const char* url = ChooseUrl(writers ? nullptr : containingUrl, writers)) return url;
    if (CdnRecordValid() && !(MirrorBit(m_cdnRecord.url) & writers)) {
        m_switchedToCdn = true;
        m_switchLog.push_back({GetHostFromDownloadUrl(containingUrl), static_cast<int>(CdnSwitchReason::Repair)});
        return m_cdnRecord.url;
    }
    // Every mirror left wrote this block: a writer tries again, alone, so
    // that a second bad round names the culprit (a fault that lasts is
    // ended by the bounded number of rounds).
    const char* url = ChooseUrl(nullptr, 0);
    if (!url) url = containingUrl;
    if (!url && !m_vecUrlCfg.empty()) url = m_vecUrlCfg.front().url;
    if (url) *avoid = ~MirrorBit(url);
    return url;
}

HRESULT DownloaderCurl::RepairData(std::uint64_t start, std::uint64_t end) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const DownloadItem* containing = m_parts.Containing(start, end);
    std::uint32_t avoid = 0;
    const char* url = BestUrlForBlock(start / kHashBlockSize, containing ? containing->url : nullptr, &avoid);
    if (!url) {
        WriteLog("Download_RepairData : GetBestURL error, start(%lld), end(%lld).\n", Signed(start), Signed(end));
        m_repairLink.clear();
        return E_INVALIDARG;
    }
    m_repairLink = url;
    const DownloadItem* first = m_parts.Find(0);
    const DownloadItem model = containing ? *containing : first ? *first : DownloadItem();
    DownloadItem& repair = m_parts.Enter(model, url, start, end, GetTickCount());
    repair.avoidMirrors = avoid;
    const int newId = repair.id;
    for (std::uint64_t block = start / kHashBlockSize; block <= end / kHashBlockSize && block < m_blockWriters.size();
         ++block)
        m_blockWriters[block] = 0;
    WriteLog("Download_RepairData : GetBestURL Info, start(%lld), end(%lld), ID(%d) url(%s).\n", Signed(start),
             Signed(end), newId, GetHostFromDownloadUrl(url).c_str());
    return BeginDownloadItem(&repair);
}
