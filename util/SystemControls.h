// Small system functions of the second utility library: separator
// conversions and existence tests on UTF-8 paths, platform and version tests,
// the shutdown privilege and restarts (recorded by the machine model, never
// carried out), drive space, and the CUDA capability probe.
//
// Paths of this library are UTF-8 unless a name says ANSI; "/" is its
// preferred separator. Every function reports failure by its result and
// writes nothing to the install log.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/Win32Types.h"
#include "util/DriveQueries.h"

// A copy of the UTF-8 path with every "/" replaced by "\" (empty for a path
// that is not valid UTF-8).
std::string ToBackslashPathUtf8(const char* path);
// Replaces every "\" of the UTF-8 path by "/" in place and returns a copy.
std::string ToSlashPathUtf8(std::string& path);
// out := the ANSI text with every "\" replaced by "/".
void ToForwardSlashesAnsi(const char* text, std::string& out);
// An existing folder. "C:" and "C:/" name the drive's root; a lone letter,
// an empty path and paths past 260 characters are refused.
bool IsDirectoryUtf8(const char* path);
// The path opens with no access rights (shared read and write, existing only).
bool CanOpenUtf8(const char* path);
bool PathExistsUtf8(const char* path);

// Platform and version tests, computed once per process.
bool IsNtPlatform();
bool IsMajorVersion6();
// IsWow64Process, looked up at run time; false when it is missing.
bool IsWow64();

// Enables or disables one privilege in the process's token; true when the
// change was assigned.
bool SetPrivilege(HANDLE process, const wchar_t* privilegeName, bool enable);
bool EnableShutdownPrivilege();
// Forced shutdown when `shutdown` is set, else a forced restart.
BOOL ShutdownOrReboot(int shutdown);

// OS code (the mirror ping's table; "Windows 11", code 23, from build 22000
// of version 10.0) and, when `name` is given, its 260-byte display name.
// Computed once per process.
int GetOsNameAndCodeB(char* name);
// The table itself, computed afresh: `windows11ByBuild` clear reports every
// 10.0 build as "Windows 10" (code 22). `name` (may be null) holds 260 bytes.
int ComputeOsNameAndCode(char* name, bool windows11ByBuild);
void ResetOsNameAndCodeBForTest();
// Below OS code 10 the code itself, without suspending; otherwise the shutdown
// privilege is enabled and SetSuspendState's answer returned.
int SuspendSystem(int hibernate, int force, int disableWakeEvents);
int Hibernate();

// Highest compute capability (major × 16 + minor) of the CUDA devices, through
// the NVIDIA driver loaded at run time; 0 when there is no driver or device.
int GetMaxCudaCapability();

// 0 when the user's Internet Settings key does not open and no proxy
// environment variable (https_proxy, http_proxy, all_proxy, either case) is
// set, else 1. `proxyServer` (may be null) receives the key's "ProxyServer",
// or the variables as "host:port" ("http=host:port;https=host:port" when
// the two differ).
int GetIeProxySetting(std::string* proxyServer = nullptr);

// Drops every CR and LF of the text in place.
void RemoveLineBreaks(char* text);
void SleepMs(DWORD milliseconds);
int AlwaysTrue();
