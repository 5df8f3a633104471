#include "setup/RunFlags.h"

namespace {

SetupRunFlags g_flags;
std::mutex g_closeReasonLock;
std::string g_closeReason;

}  // namespace

SetupRunFlags& RunFlags() { return g_flags; }

std::string GetCloseReason() {
    std::lock_guard<std::mutex> guard(g_closeReasonLock);
    return g_closeReason;
}

void SetCloseReason(const std::string& reason) {
    std::lock_guard<std::mutex> guard(g_closeReasonLock);
    g_closeReason = reason;
}

void ResetRunFlagsForTests() {
    g_flags.pathChanged = false;
    g_flags.productStarted = false;
    g_flags.autoStarted = false;
    g_flags.alreadyDownloaded = false;
    g_flags.downloadDone = false;
    g_flags.downloadStartTick = 0;
    g_flags.downloadSeconds = 0;
    g_flags.rangeErrorReportPending = true;
    g_flags.countdownSeconds = 30;
    g_flags.pageOpenResult = -1;
    g_flags.runAfter = true;
    g_flags.desktopBox = true;
    g_flags.joinBox = true;
    SetCloseReason("");
}
