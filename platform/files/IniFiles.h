// INI files shaped like GetPrivateProfileIntW / GetPrivateProfileStringW.
// Files are read as UTF-16LE when they start with its byte-order mark, else in
// the ANSI code page; section and key names match without regard to case.
#pragma once

#include "platform/base/Win32Types.h"

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName);
DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                               LPCWSTR fileName);
BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName);
