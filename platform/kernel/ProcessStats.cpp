#include "platform/kernel/ProcessStats.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstring>

#include "platform/base/LastError.h"
#include "platform/kernel/Processes.h"

namespace {

FILETIME FromMicroseconds(unsigned long long microseconds) {
    const unsigned long long units = microseconds * 10;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(units & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(units >> 32);
    return time;
}

// Resident set now, from the kernel's status file (bytes; 0 when unknown).
SIZE_T CurrentResident() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    SIZE_T bytes = 0;
    while (std::fgets(line, sizeof(line), status)) {
        unsigned long long kib = 0;
        if (std::sscanf(line, "VmRSS: %llu kB", &kib) == 1) {
            bytes = static_cast<SIZE_T>(kib * 1024);
            break;
        }
    }
    std::fclose(status);
    return bytes;
}

}  // namespace

BOOL GetProcessTimes(HANDLE process, FILETIME* creation, FILETIME* exit, FILETIME* kernel, FILETIME* user) {
    if (process != GetCurrentProcess() || !kernel || !user) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    if (creation) *creation = FILETIME{0, 0};
    if (exit) *exit = FILETIME{0, 0};
    *kernel =
        FromMicroseconds(static_cast<unsigned long long>(usage.ru_stime.tv_sec) * 1000000ull + usage.ru_stime.tv_usec);
    *user =
        FromMicroseconds(static_cast<unsigned long long>(usage.ru_utime.tv_sec) * 1000000ull + usage.ru_utime.tv_usec);
    return TRUE;
}

BOOL GetProcessMemoryInfo(HANDLE process, PROCESS_MEMORY_COUNTERS* counters, DWORD size) {
    if (process != GetCurrentProcess() || !counters || size < sizeof(PROCESS_MEMORY_COUNTERS)) {
        SetLastError(process != GetCurrentProcess() ? ERROR_INVALID_HANDLE : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    rusage usage{};
    if (::getrusage(RUSAGE_SELF, &usage) != 0) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    std::memset(counters, 0, sizeof(*counters));
    counters->cb = sizeof(*counters);
    counters->PageFaultCount = static_cast<DWORD>(usage.ru_minflt + usage.ru_majflt);
    counters->PeakWorkingSetSize = static_cast<SIZE_T>(usage.ru_maxrss) * 1024;  // ru_maxrss is in KiB
    counters->WorkingSetSize = CurrentResident();
    return TRUE;
}
