// Restarting the machine and crash dumps.
#pragma once

// Enables SeShutdownPrivilege on the process token; false when any step
// fails or the privilege is not held.
bool AcquireShutdownPrivilege();
// Logs "Do Restart ...", then restarts (forced) even when the privilege
// could not be had, which is only logged.
void RestartComputer();
// Writes a crash dump of the process to `path`. This system has no dump
// writer, so it returns false and writes nothing.
bool WriteCrashDump(void* exceptionPointers, const wchar_t* path);
