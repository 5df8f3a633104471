// The process's console, shaped like AllocConsole / GetStdHandle.
//
// A process has at most one console. Its output handle is a kernel file
// handle over the host's standard error, so WriteFile on it shows the text
// where the program's diagnostics go; the title is only remembered.
#pragma once

#include "platform/base/Win32Types.h"

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

// FALSE with ERROR_ACCESS_DENIED when the process already has a console.
BOOL AllocConsole();
// FALSE with ERROR_INVALID_PARAMETER when there is no console.
BOOL FreeConsole();
// The console's output handle (for STD_OUTPUT_HANDLE and STD_ERROR_HANDLE);
// null while the process has no console, INVALID_HANDLE_VALUE for other ids.
HANDLE GetStdHandle(DWORD which);
BOOL SetConsoleTitleA(LPCSTR title);
// Copies the title (NUL-terminated, cut to size); returns its length, 0 without a console.
DWORD GetConsoleTitleA(LPSTR title, DWORD size);
