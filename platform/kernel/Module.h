// The running program's own file name, in Windows form. The machine profile
// can give the program another name, since the name carries the option and
// source tokens.
#pragma once

#include "platform/base/Win32Types.h"

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
