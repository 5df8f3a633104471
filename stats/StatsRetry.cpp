#include "stats/StatsRetry.h"

#include "net/HttpTransfer.h"
#include "platform/base/Clock.h"

bool PostWithRetries(const std::function<bool()>& post, const std::string& url, const std::atomic<bool>* stop,
                     int attempts, int pauseMs) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (post()) return true;
        if (net::IsRefusedInThisRun(url)) return false;
        // The pause in slices, so that a closing dialog is not kept waiting.
        for (int slept = 0; slept < pauseMs; slept += 50) {
            if (stop != nullptr && stop->load()) return false;
            Sleep(static_cast<DWORD>(pauseMs - slept < 50 ? pauseMs - slept : 50));
        }
    }
    return false;
}
