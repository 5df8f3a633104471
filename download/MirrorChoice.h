// Mirror choice: how fast each part runs and which mirror gets the next range.
//
// Pure functions over the part table; no locks, no I/O. The caller holds the
// engine lock around them and passes the current tick, so tables of parts
// with made-up ticks test them without threads.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "download/DownloadTypes.h"

// A part that received nothing for this long counts as speed 0.
constexpr DWORD kSilentPartMs = 1000;
// Length of one speed bucket; the speed covers the current and the previous one.
constexpr DWORD kSpeedBucketMs = 500;

// Why a range went to the CDN mirror (the URL switch log's reasons).
enum class CdnSwitchReason {
    Repair = 0,   // a block repair found no other mirror with a measured speed
    Stall = 1,    // a stalled part was moved
    Failure = 2,  // a failed part was retried
    Split = 3,    // a split part was given to it
};

// Records `bytes` arriving at `now`: last-data tick and windowed speed.
void RecordPartData(DownloadItem& item, std::uint64_t bytes, DWORD now);

// The part's speed as the choice sees it at `now`: a finished part keeps
// its last speed; any other part that has been silent for kSilentPartMs
// has speed 0.
int CurrentPartSpeed(const DownloadItem& item, DWORD now);

// Bit of a mirror url (one bit per selected mirror, the CDN and "unknown").
using MirrorBitOf = std::function<std::uint32_t(const char* url)>;

// The fastest part (speed above 0, lowest id on ties) that is running,
// finished or retired by the supervisor, whose url differs from `excluded`
// (null: none excluded) and whose mirror is not in `avoid`. A mirror with a
// silent running part counts as stalled: none of its parts is chosen.
// Null when there is none.
//
// With `slots` above 0 the speed is the one a new range would get on the
// part's mirror: a mirror running fewer than `slots` parts has a free
// connection and offers the speed of its fastest part; a mirror running
// `slots` or more shares what its running parts carry (at least its fastest
// part's speed) with one more. The chosen mirror's fastest part is returned.
const DownloadItem* FastestPart(const std::map<int, DownloadItem>& parts, const char* excluded, std::uint32_t avoid,
                                const MirrorBitOf& bitOf, DWORD now, int slots = 0);
