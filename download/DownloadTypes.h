// Records, codes and states of the download engine.
//
// The engine fetches one file from several mirrors in parallel byte ranges.
// These records are what callers hand it (DownloadConfig, DownloadProxy) and
// what they get back (DownloadProgress, DownloadUrlInfo, DownloadSummary,
// DownloadUrlSwitch). All offsets and sizes are 64-bit. The part records
// are in util/DownloadParts.h, where the info view reads them too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"
#include "util/DownloadParts.h"
#include "util/EventCallback.h"

// EventCallback events of the engine: 3 progress, 4 failed, 5 finished,
// 7 part done, 8 part range error.

constexpr int DOWNLOAD_EVENT_PROGRESS = 3;
constexpr int DOWNLOAD_EVENT_FAILED = 4;
constexpr int DOWNLOAD_EVENT_FINISHED = 5;
constexpr int DOWNLOAD_EVENT_PART_DONE = 7;
constexpr int DOWNLOAD_EVENT_RANGE_ERROR = 8;

constexpr int kMaxManifestMirrors = 15;
constexpr std::size_t kMirrorUrlCapacity = 1040;  // 1,039 characters and the NUL
constexpr std::uint64_t kHashBlockSize = 1048576;

enum DownloadErrorCode {
    NoError = 0,
    NoNeedDownload = 1,
    NeedUpdateDownload = 2,
    ConfigDownloadError = 3,
    ConfigLoadError = 4,
    ConfigLoadVersionError = 5,
    ConfigLoadFileSizeError = 6,
    ConfigLoadUrlSizeError = 7,
    ConfigLoadUrlError = 8,
    ConfigLoadHashSizeError = 9,
    ConfigLoadHashError = 10,
    DownloadCheckUrlError = 11,
    DownloadMallocError = 12,
    DownloadUrlCountError = 13,
    DownloadExeError = 14,
    DispatchSuccessError = 15,
    DispatchFailError = 16,
    DispatchTimeoutError = 17,
    RepairSuccessError = 18,
    RepairFailError = 19,
    RepairTimeoutError = 20,
    CheckHashError = 21,
};

// Engine states. The state changes only when a download ends.
enum DownloadState {
    DownloadState_Idle = 0,      // idle or downloading
    DownloadState_Rejected = 3,  // manifest version missing or too new (start paths turn it into 4)
    DownloadState_Failed = 4,    // failed; event 4 was fired (except after Stop)
    DownloadState_Finished = 5,  // the target is complete and verified
};

struct DownloadUrlInfo {
    char url[kMirrorUrlCapacity] = {};
    bool sizeConsistent = false;  // listed by the manifest, then: HEAD size equals the manifest size
    int ping = 0;                 // milliseconds
    bool networkNotFull = false;  // load check passed (always true for a CDN-class mirror)
    std::string host;
    bool pingOk = false;
    std::uint64_t manifestSize = 0;
    std::uint64_t headSize = 0;
};

struct DownloadConfig {
    char targetPath[MAX_PATH] = {};
    std::int32_t size = 0;
    DownloadUrlInfo mirrors[kMaxManifestMirrors];
    std::string fileMd5;                // 32 upper-case hex digits
    std::vector<std::string> blockMd5;  // one per 1 MiB block, upper case
    int partsPerMirror = 2;
    char sideFilePath[MAX_PATH] = {};
};

struct DownloadSummary {
    std::string domain;
    std::int64_t downloadedKb = 0;
    bool hasError = false;
    int curlCode = 0;
    int averageSpeedKb = 0;
    int errorTimeMs = 0;
    std::string curlErrorText;
};

struct DownloadUrlSwitch {
    std::string host;
    int reason = 0;  // 0 repair to CDN, 1 stall to CDN, 2 failure to CDN, 3 split to CDN
};

struct DownloadProxy {
    int enabled = 0;
    int type = 0;  // 0 HTTP, 1 SOCKS5
    std::string host;
    std::string port;
    std::string user;
    std::string password;
};

// Name of an error code ("NoError" ... "CheckHashError"), the decimal text otherwise.
std::string GetDownloadErrorName(int code);
