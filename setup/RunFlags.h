// Process-wide run flags: values the install road sets and the close
// statistics read. Every flag is an atomic; the close reason, a text, has a
// lock of its own.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/base/Win32Types.h"

struct SetupRunFlags {
    std::atomic<bool> pathChanged{false};
    std::atomic<bool> productStarted{false};
    std::atomic<bool> autoStarted{false};
    std::atomic<bool> alreadyDownloaded{false};
    std::atomic<bool> downloadDone{false};
    std::atomic<DWORD> downloadStartTick{0};
    std::atomic<unsigned> downloadSeconds{0};
    // Taken with one exchange: the range-error report starts at most once.
    std::atomic<bool> rangeErrorReportPending{true};
    std::atomic<int> countdownSeconds{30};
    std::atomic<int> pageOpenResult{-1};
    std::atomic<bool> runAfter{true};
    std::atomic<bool> desktopBox{true};
    std::atomic<bool> joinBox{true};
};

SetupRunFlags& RunFlags();

// The close reason ("botton", "silent", ... or empty).
std::string GetCloseReason();
void SetCloseReason(const std::string& reason);

// Tests only: every flag and the close reason back to their initial values.
void ResetRunFlagsForTests();
