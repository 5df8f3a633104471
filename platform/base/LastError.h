// The calling thread's last-error value, as GetLastError / SetLastError.
#pragma once

#include "platform/base/Win32Types.h"

DWORD GetLastError();
void SetLastError(DWORD error);

namespace platform {
// Win32 error code of a host errno value.
DWORD ErrorFromErrno(int error);
}  // namespace platform
