// Clocks: GetTickCount from the monotonic clock, local and system time.
// The machine model's clock offset lets tests drive time forward; timers and
// GetTickCount both follow it.
#pragma once

#include "platform/base/Win32Types.h"

DWORD GetTickCount();
ULONGLONG GetTickCount64();
void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);
void Sleep(DWORD milliseconds);

namespace platform {
// Moves the current machine's clock forward (GetTickCount and GetLocalTime).
void AdvanceClock(ULONGLONG milliseconds);
}  // namespace platform

#include <ctime>
// The C runtime's secure local-time conversion: 0 on success.
errno_t localtime_s(std::tm* result, const std::time_t* time);
