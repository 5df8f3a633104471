// Finding, ending and starting processes, elevation and administrator tests.
#pragma once

#include "platform/base/Win32Types.h"

// The first process whose executable name equals `name` (without regard to case).
bool FindProcessId(const wchar_t* name, DWORD& processId);
// Ends the first process found by FindProcessId (exit code 0); false when none runs.
bool KillProcessByName(const wchar_t* name);
// A process of that executable name runs (from a path holding `pathFragment`
// when one is given; a process whose path cannot be read counts as matching).
bool IsProcessRunning(const wchar_t* name, const wchar_t* pathFragment);
// Ends every matching process (as IsProcessRunning matches) and waits briefly
// for each to end, so its files are free afterwards. True when nothing had to
// be ended or all were ended; a failed termination is logged and gives false.
bool KillProcess(const wchar_t* name, const wchar_t* pathFragment);
// Starts a program with the user's unelevated rights: "open" for an
// unelevated process, the desktop shell's token for an elevated administrator.
bool RunProcessUnelevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder, int show);
// "runas"; on Vista or later an unelevated user's parameters get " -Admin".
bool RunProcessElevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder, int show);
// "runas" and waits for the process; true when it started and ended with 0.
bool RunElevatedAndWait(const wchar_t* file, const wchar_t* parameters, int show);
bool IsAdministrator();
bool IsVistaOrLater();
// The desktop shell's token duplicated as a primary token; null on failure.
HANDLE GetShellToken();
