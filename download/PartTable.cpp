#include "download/PartTable.h"

DownloadItem* PartTable::Find(int id) {
    auto found = m_parts.find(id);
    return found == m_parts.end() ? nullptr : &found->second;
}

const DownloadItem* PartTable::Find(int id) const {
    auto found = m_parts.find(id);
    return found == m_parts.end() ? nullptr : &found->second;
}

void PartTable::StopAll() {
    for (auto& [id, part] : m_parts) SetStatus(part, E_Status_StopByDispatch);
}

void PartTable::Layout(std::uint64_t size, int count, const std::vector<const char*>& urls, DWORD now) {
    m_parts.clear();
    if (count < 1 || urls.empty()) return;
    const std::uint64_t length = size / static_cast<std::uint64_t>(count);
    for (int i = 0; i < count; ++i) {
        DownloadItem part;
        part.id = i;
        part.url = urls[static_cast<std::size_t>(i) % urls.size()];
        part.start = part.pos = static_cast<std::uint64_t>(i) * length;
        part.end = i == count - 1 ? size - 1 : part.start + length - 1;
        part.lastDataTick = part.startTick = now;
        SetStatus(part, E_Status_Runing);
        m_parts.emplace(i, part);
    }
}

DownloadItem& PartTable::Enter(const DownloadItem& model, const char* url, std::uint64_t start, std::uint64_t end,
                               DWORD now) {
    DownloadItem part = model;
    part.id = Count();
    part.url = url;
    part.curl = nullptr;
    part.start = part.pos = start;
    part.end = end;
    part.speed = 0;
    part.speedWindowOpen = false;
    part.speedWindowBytes = part.previousWindowBytes = 0;
    part.previousWindowMs = 0;
    part.result = 0;
    part.thread = 0;
    part.lastDataTick = part.startTick = now;
    part.endTick = 0;
    part.httpCode = 0;
    part.responseChecked = false;
    part.responseError = 0;
    SetStatus(part, E_Status_Runing);
    return m_parts.emplace(part.id, part).first->second;
}

int PartTable::CountRunning() const {
    int running = 0;
    for (const auto& [id, part] : m_parts) running += part.status == E_Status_Runing;
    return running;
}

int PartTable::LargestRemaining() const {
    int found = -1;
    std::uint64_t largest = 0;
    for (const auto& [id, part] : m_parts) {
        if (part.status != E_Status_Runing || part.end <= part.pos) continue;
        if (part.end - part.pos > largest) {
            largest = part.end - part.pos;
            found = id;
        }
    }
    return found;
}

bool PartTable::HasActive(int* first) const {
    for (const auto& [id, part] : m_parts) {
        if (part.status == E_Status_Runing || part.status == E_Status_Fail) {
            if (first) *first = id;
            return true;
        }
    }
    return false;
}

const DownloadItem* PartTable::Containing(std::uint64_t start, std::uint64_t end) const {
    for (const auto& [id, part] : m_parts)
        if (part.start <= start && part.end >= end) return &part;
    return nullptr;
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> PartTable::WrittenRanges() const {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> written;
    for (const auto& [id, part] : m_parts)
        if (part.pos > part.start) written.emplace_back(part.start, part.pos);
    return written;
}

SplitRanges PlanSplit(const DownloadItem& part) {
    SplitRanges ranges;
    if (part.end <= part.pos) return ranges;
    const std::uint64_t remain = part.end - part.pos;
    if (remain < kSplitThreshold) return ranges;
    const std::uint64_t half = (remain + 1) / 2;
    ranges.split = true;
    ranges.keepEnd = part.pos + half - 1;
    ranges.newStart = part.pos + half;
    ranges.newEnd = part.end;
    return ranges;
}

RetryPlan PlanRetryRange(const DownloadItem& failed, std::uint64_t fileSize) {
    if (failed.end > fileSize) return RetryPlan::BadRange;
    if (failed.pos > failed.end) return RetryPlan::NothingLeft;
    return RetryPlan::Retry;
}

bool RetryRangeTooShort(const DownloadItem& failed, std::uint64_t fileSize) {
    return failed.pos >= failed.end || failed.end > fileSize;
}

StallPlan PlanStall(const DownloadItem& part, std::uint64_t downloaded, std::uint64_t fileSize, bool onCdn, DWORD now,
                    DWORD stallLimitMs) {
    // Near the end, stalls are left to the transfer's own no-data limit.
    if (fileSize > 0 && static_cast<double>(downloaded) / static_cast<double>(fileSize) > 0.9)
        return StallPlan::Running;
    if (onCdn) return StallPlan::Running;
    if (now - part.lastDataTick < stallLimitMs) return StallPlan::Running;
    if (part.pos > part.end || part.end > fileSize) return StallPlan::BadRange;
    return StallPlan::Move;
}

std::pair<std::uint64_t, std::uint64_t> BlockRange(std::size_t block, std::size_t blocks, std::uint64_t fileSize) {
    const std::uint64_t first = static_cast<std::uint64_t>(block) * kHashBlockSize;
    const std::uint64_t last = block + 1 == blocks ? fileSize - 1 : first + kHashBlockSize - 1;
    return {first, last};
}
