// Drives and volumes, shaped like KERNEL32's GetShortPathNameW and (further
// down) the drive and volume queries.
//
// The machine's file names are long names only: no 8.3 alias is generated,
// so the short form of an existing path is its full path.
#pragma once

#include "platform/base/Win32Types.h"

// Full path of an existing file or folder; 0 and ERROR_FILE_NOT_FOUND when it
// does not exist; the size needed (with the NUL) when the buffer is too small.
DWORD GetShortPathNameW(LPCWSTR path, LPWSTR buffer, DWORD size);
DWORD GetShortPathNameA(LPCSTR path, LPSTR buffer, DWORD size);
