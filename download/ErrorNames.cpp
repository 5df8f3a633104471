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

const char* GetDownloadItemStatusName(int status) {
    switch (status) {
    case E_Status_Runing: return "E_Status_Runing";
    case E_Status_StopByDispatch: return "E_Status_StopByDispatch";
    case E_Status_Fail: return "E_Status_Fail";
    case E_Status_Succeed: return "E_Status_Succeed";
    case E_Status_StopByFail: return "E_Status_StopByFail";
    default: return "";
    }
}
