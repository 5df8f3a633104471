// Windows version probes, the short OS name of the statistics and the
// 64-bit OS test.
#pragma once

#include <string>

#include "platform/system/SystemInfo.h"

bool IsWindows7OrLater();
// The true version (RtlGetNtVersionNumbers, else GetVersionExW); the build
// keeps the flag bits RtlGetNtVersionNumbers gives it.
void GetOsVersion(unsigned& major, unsigned& minor, unsigned& build);
// "win11", "win10", "win8.1", "win8", "win7", "vista", "unknown" or "xp".
std::string GetOsShortName();
void GetSystemInfoNative(SYSTEM_INFO* info);
// True on a 64-bit system, also for a 32-bit process there.
bool IsOs64Bit();
