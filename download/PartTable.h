// PartTable: the parts of one download and the arithmetic over them.
//
// The table holds every part entered since the download began, by id (ids
// are dense: a new part's id is the table's size). A part's status changes
// only through SetStatus. The split, retry, stall and repair rules are
// pure functions of a part and the file's size, so tables of cases test
// them without threads or mirrors. No locks and no I/O here: the engine
// holds its lock around every call, and part threads keep pointers to
// their entries (entries never move; Clear runs only with no part thread).
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "download/DownloadTypes.h"

// A running part is split only with at least this many bytes left.
constexpr std::uint64_t kSplitThreshold = 512000;

class PartTable {
public:
    using Parts = std::map<int, DownloadItem>;

    const Parts& All() const { return m_parts; }
    int Count() const { return static_cast<int>(m_parts.size()); }
    // Null for an id never entered.
    DownloadItem* Find(int id);
    const DownloadItem* Find(int id) const;
    void Clear() { m_parts.clear(); }

    // The one place a part's status changes.
    static void SetStatus(DownloadItem& part, int status) { part.status = status; }
    // Every part becomes E_Status_StopByDispatch.
    void StopAll();

    // `count` running parts of size / count bytes each over [0, size), the
    // last one taking the rest; part i goes to urls[i % urls.size()].
    void Layout(std::uint64_t size, int count, const std::vector<const char*>& urls, DWORD now);
    // Enters a running part copied from `model` with its own range, url and
    // fresh transfer fields; its id is the table's size. Returns the entry.
    DownloadItem& Enter(const DownloadItem& model, const char* url, std::uint64_t start, std::uint64_t end, DWORD now);

    // Parts with status E_Status_Runing.
    int CountRunning() const;
    // The running part with the most bytes left (lowest id on ties), -1 when
    // no running part has any left.
    int LargestRemaining() const;
    // A part still running or failed and waiting for its retry; *first gets
    // the first such id.
    bool HasActive(int* first) const;
    // The first part (id order) whose range holds start..end; null when none.
    const DownloadItem* Containing(std::uint64_t start, std::uint64_t end) const;
    // The written [start, pos) of every part that wrote anything.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> WrittenRanges() const;

private:
    Parts m_parts;
};

// A part split in two: the running part keeps pos..keepEnd, the new one
// takes newStart..newEnd (the old end). half = (end - pos + 1) / 2.
struct SplitRanges {
    bool split = false;  // false: fewer than kSplitThreshold bytes left
    std::uint64_t keepEnd = 0;
    std::uint64_t newStart = 0;
    std::uint64_t newEnd = 0;
};
SplitRanges PlanSplit(const DownloadItem& part);

// What the supervisor does with a failed part, before it looks for a mirror.
enum class RetryPlan {
    BadRange,     // its end lies past the file: retired
    NothingLeft,  // pos past end: retired
    Retry,        // pos..end goes to a new part on another mirror
};
RetryPlan PlanRetryRange(const DownloadItem& failed, std::uint64_t fileSize);
// After the mirror is chosen: true when pos..end is too short for a new part
// (one byte or none; the hash check repairs that block), so the failed part
// is retired instead.
bool RetryRangeTooShort(const DownloadItem& failed, std::uint64_t fileSize);

// What the supervisor does with a running part at a pass.
enum class StallPlan {
    Running,   // data arrived within the stall limit (or the part is left alone)
    BadRange,  // pos past end or end past the file: retired
    Move,      // stalled: pos..end goes to another mirror
};
// Parts of a file more than 90 % downloaded and parts on the CDN are left alone.
StallPlan PlanStall(const DownloadItem& part, std::uint64_t downloaded, std::uint64_t fileSize, bool onCdn, DWORD now,
                    DWORD stallLimitMs);

// The byte range first..last of 1 MiB block `block` of a file of `fileSize`
// bytes with `blocks` blocks (the last block ends at the file's end).
std::pair<std::uint64_t, std::uint64_t> BlockRange(std::size_t block, std::size_t blocks, std::uint64_t fileSize);
