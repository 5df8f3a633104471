// Threads as handles: CreateThread and the C runtime's _beginthreadex. The
// handle is waitable (WaitForSingleObject returns when the thread ends) and
// is closed with CloseHandle; closing it does not stop the thread.
#pragma once

#include <cstdint>

#include "platform/base/Win32Types.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);

HANDLE CreateThread(void* security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId);
// 0 when the thread could not start.
std::uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void*), void* argument,
                              unsigned flags, unsigned* threadId);
// STILL_ACTIVE while the thread runs.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
