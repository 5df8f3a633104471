// Process environment, threads, the user's language and debugger output.
// Environment variables are the simulated machine's (USERPROFILE, TEMP,
// ProgramFiles, ProgramW6432 on a 64-bit system, ...), not the host's; only
// the host session's proxy settings (HTTP_PROXY, HTTPS_PROXY, ALL_PROXY,
// NO_PROXY, read in either letter case) pass through.
#pragma once

#include <map>
#include <string>

#include "platform/base/Win32Types.h"

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value);

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
void OutputDebugStringA(LPCSTR text);
void OutputDebugStringW(LPCWSTR text);

LANGID GetUserDefaultUILanguage();
LANGID GetUserDefaultLangID();
LANGID GetSystemDefaultLangID();

namespace platform {
// Captures OutputDebugString text for tests (null switches capture off).
void SetDebugOutputCapture(std::string* capture);
}  // namespace platform
