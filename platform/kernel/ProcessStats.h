// Resource use of the running process, shaped like KERNEL32's GetProcessTimes
// and PSAPI's GetProcessMemoryInfo. Only the current process
// (GetCurrentProcess()) can be asked; other handles fail with
// ERROR_INVALID_HANDLE.
#pragma once

#include "platform/base/Win32Types.h"

struct PROCESS_MEMORY_COUNTERS {
    DWORD cb;
    DWORD PageFaultCount;
    SIZE_T PeakWorkingSetSize;  // peak resident set, bytes
    SIZE_T WorkingSetSize;      // resident set now, bytes
    SIZE_T QuotaPeakPagedPoolUsage;
    SIZE_T QuotaPagedPoolUsage;
    SIZE_T QuotaPeakNonPagedPoolUsage;
    SIZE_T QuotaNonPagedPoolUsage;
    SIZE_T PagefileUsage;
    SIZE_T PeakPagefileUsage;
};

// Kernel and user times in 100 ns units; creation and exit times are zero.
BOOL GetProcessTimes(HANDLE process, FILETIME* creation, FILETIME* exit, FILETIME* kernel, FILETIME* user);
BOOL GetProcessMemoryInfo(HANDLE process, PROCESS_MEMORY_COUNTERS* counters, DWORD size);
