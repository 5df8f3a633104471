// The product's own program run elevated and hidden, as the local install
// and the uninstall start it: ShellExecuteExW with "runas", then a bounded
// wait; a program still running at the limit is ended with exit code 0.
#pragma once

#include <string>

#include "platform/base/Win32Types.h"

// The program's exit code; 0 when it could not be started.
DWORD RunElevatedAndWait(const std::wstring& program, const std::wstring& parameters, DWORD limitMs);
