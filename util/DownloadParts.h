// The download engine's part records: one part of the file (a byte range,
// its transfer and its status) and the table of parts the engine reports as
// its progress. Plain data, shared by the engine and the info view's table.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>

#include "platform/base/Win32Types.h"

typedef void CURL;
class DownloaderCurl;

// Status of one part. Changed only through PartTable::SetStatus.
enum DownloadItemStatus {
    E_Status_Runing = 0,          // transfer running or about to start; ends in Succeed or Fail
    E_Status_StopByDispatch = 1,  // retired by the supervisor; writes refused, transfer aborts
    E_Status_Fail = 2,            // transfer ended with an error; the supervisor retries the rest
    E_Status_Succeed = 3,         // transfer delivered its whole range; frees a slot for a split
    E_Status_StopByFail = 4,      // a failed part whose rest was handed to a new part
};

// One part: bytes start..end inclusive; pos is the next byte to write.
struct DownloadItem {
    int id = 0;
    std::uint64_t start = 0;
    std::uint64_t pos = 0;
    std::uint64_t end = 0;
    const char* url = nullptr;  // points into a mirror record of the engine
    CURL* curl = nullptr;       // open transfer handle, null when none
    int result = 0;             // libcurl result of the last transfer
    FILE* file = nullptr;
    DownloaderCurl* owner = nullptr;
    DWORD thread = 0;  // serial number of the part's thread (0 before it starts)
    DWORD lastDataTick = 0;
    DWORD startTick = 0;
    DWORD endTick = 0;
    int speed = 0;  // bytes per second over the last half to one second of data
    int status = E_Status_Runing;

    // Speed window: the bytes of the current half second and of the one before.
    bool speedWindowOpen = false;
    DWORD speedWindowTick = 0;
    std::uint64_t speedWindowBytes = 0;
    std::uint64_t previousWindowBytes = 0;
    DWORD previousWindowMs = 0;

    // Mirrors (bits, see DownloaderCurl::MirrorBit) that wrote bad bytes of
    // this range: a repair and every piece split from it keep off them.
    std::uint32_t avoidMirrors = 0;

    // Checks of the running transfer's response (set by the header callback).
    std::uint64_t requestStart = 0;  // the range the transfer asked for
    std::uint64_t requestEnd = 0;
    long httpCode = 0;
    bool responseChecked = false;  // a 206 with a matching Content-Range arrived
    int responseError = 0;         // libcurl-style code of a rejected response, 0 when none
};

struct DownloadProgress {
    int partLimit = 0;
    std::int64_t total = 0;
    std::int64_t downloaded = 0;
    std::map<int, DownloadItem> items;
};

// Name of a part status ("E_Status_Runing" ...), "" for an unknown value.
const char* GetDownloadItemStatusName(int status);
