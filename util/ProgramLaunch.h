// Program launchers of the second utility library. Programs start as real
// child processes in their own folder; the waiting forms end a child that
// outlives its timeout.
//
// Results: true/1 when the program was started (and, for the waiting forms,
// finished within the timeout); a child ended for its timeout gives 0, so a
// caller can tell that its exit code is missing.
#pragma once

#include "platform/base/Win32Types.h"

bool RunProgram(const char* file, const char* parameters, int show);
int RunProgramAndWait(const char* file, const char* parameters, int show, DWORD timeoutMs, DWORD* exitCode);
bool RunProgramUtf8(const char* file, const char* parameters, int show);
int RunProgramAndWaitUtf8(const char* file, const char* parameters, int show, DWORD timeoutMs, DWORD* exitCode);
int RunProgramElevatedAndWaitUtf8(const char* file, const char* parameters, int show, DWORD timeoutMs, DWORD* exitCode);
// Runs "<program> <arguments>" hidden with its standard output and error in
// `outputFile` (created or truncated); 1 and the exit code when it finished
// within the timeout, 0 when it could not start or was ended for its timeout.
int RunCommandToFile(const char* program, const char* arguments, const char* outputFile, DWORD timeoutMs,
                     DWORD* exitCode);
// The same for UTF-8 texts, with the output in a new file of the temporary
// folder whose UTF-8 name goes into `outputName` (MAX_PATH bytes).
int RunCommandCaptureUtf8(const char* program, const char* arguments, char* outputName, DWORD timeoutMs,
                          DWORD* exitCode);
