// Local-time conversion of FILETIME values and anonymous pipes.
#include "platform/files/FileTimes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>

#include "platform/base/LastError.h"
#include "platform/kernel/KernelObjects.h"

namespace {

constexpr LONGLONG kUnitsPerSecond = 10000000;
constexpr LONGLONG kEpochDifference = 11644473600LL;  // seconds from 1601 to 1970

LONGLONG Units(const FILETIME& time) {
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FILETIME FromUnits(LONGLONG units) {
    ULONGLONG value = static_cast<ULONGLONG>(units);
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

// The host zone's offset from UTC, in seconds, at a Unix time.
long ZoneOffsetAt(std::time_t seconds) {
    std::tm parts{};
    if (localtime_r(&seconds, &parts) == nullptr) return 0;
    return parts.tm_gmtoff;
}

}  // namespace

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    if (utc == nullptr || local == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    LONGLONG units = Units(*utc);
    std::time_t seconds = static_cast<std::time_t>(units / kUnitsPerSecond - kEpochDifference);
    *local = FromUnits(units + static_cast<LONGLONG>(ZoneOffsetAt(seconds)) * kUnitsPerSecond);
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
    if (utc == nullptr || local == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    LONGLONG units = Units(*local);
    std::time_t seconds = static_cast<std::time_t>(units / kUnitsPerSecond - kEpochDifference);
    // The offset at the local reading taken as UTC, then again at the result,
    // so that a time next to a daylight-saving change lands on the right side.
    long offset = ZoneOffsetAt(seconds);
    offset = ZoneOffsetAt(seconds - offset);
    *utc = FromUnits(units - static_cast<LONGLONG>(offset) * kUnitsPerSecond);
    return TRUE;
}

void GetSystemTimeAsFileTime(FILETIME* time) {
    if (time == nullptr) return;
    auto since = std::chrono::system_clock::now().time_since_epoch();
    LONGLONG units =
        std::chrono::duration_cast<std::chrono::microseconds>(since).count() * 10 + kEpochDifference * kUnitsPerSecond;
    *time = FromUnits(units);
}

BOOL CreatePipe(HANDLE* read, HANDLE* write, LPSECURITY_ATTRIBUTES, DWORD) {
    if (read == nullptr || write == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    *read = platform::DuplicateHostDescriptor(ends[0]);
    *write = platform::DuplicateHostDescriptor(ends[1]);
    ::close(ends[0]);
    ::close(ends[1]);
    if (*read == INVALID_HANDLE_VALUE || *write == INVALID_HANDLE_VALUE) {
        if (*read != INVALID_HANDLE_VALUE) CloseHandle(*read);
        if (*write != INVALID_HANDLE_VALUE) CloseHandle(*write);
        *read = *write = nullptr;
        return FALSE;
    }
    return TRUE;
}
