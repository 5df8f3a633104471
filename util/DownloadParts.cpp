#include "util/DownloadParts.h"

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
