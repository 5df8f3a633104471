#include "download/DownloadTypes.h"

std::string GetDownloadErrorName(int code) {
    static const char* const kNames[] = {
        "NoError",
        "NoNeedDownload",
        "NeedUpdateDownload",
        "ConfigDownloadError",
        "ConfigLoadError",
        "ConfigLoadVersionError",
        "ConfigLoadFileSizeError",
        "ConfigLoadUrlSizeError",
        "ConfigLoadUrlError",
        "ConfigLoadHashSizeError",
        "ConfigLoadHashError",
        "DownloadCheckUrlError",
        "DownloadMallocError",
        "DownloadUrlCountError",
        "DownloadExeError",
        "DispatchSuccessError",
        "DispatchFailError",
        "DispatchTimeoutError",
        "RepairSuccessError",
        "RepairFailError",
        "RepairTimeoutError",
        "CheckHashError",
    };
    if (code >= 0 && code < static_cast<int>(sizeof(kNames) / sizeof(kNames[0]))) return kNames[code];
    return std::to_string(code);
}
