// System identity, shaped like ntdll's RtlGetNtVersionNumbers, KERNEL32's
// GetVersionExW / GetSystemInfo / GetNativeSystemInfo / IsWow64Process,
// NETAPI32's NetWkstaGetInfo and ole32's CoCreateGuid.
//
// Versions and bitness come from the machine profile. GetVersionExW answers
// as for a program whose manifest declares no OS compatibility: 6.2 (build
// 9200) on every version from 6.2 on. NetWkstaGetInfo fails when the profile
// says so (workstationInfoFails).
#pragma once

#include "platform/base/Win32Types.h"

struct OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};
struct OSVERSIONINFOEXW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
using LPOSVERSIONINFOW = OSVERSIONINFOW*;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
constexpr BYTE VER_NT_WORKSTATION = 1;

// dwOSVersionInfoSize must be sizeof(OSVERSIONINFOW) or sizeof(OSVERSIONINFOEXW).
BOOL GetVersionExW(LPOSVERSIONINFOW info);
// The true version; the build carries the flag bits 0xF0000000 of a release build.
void RtlGetNtVersionNumbers(DWORD* major, DWORD* minor, DWORD* build);

using NET_API_STATUS = DWORD;
constexpr NET_API_STATUS NERR_Success = 0;
struct WKSTA_INFO_100 {
    DWORD wki100_platform_id;
    LPWSTR wki100_computername;
    LPWSTR wki100_langroup;
    DWORD wki100_ver_major;
    DWORD wki100_ver_minor;
};
using LPWKSTA_INFO_100 = WKSTA_INFO_100*;
// Level 100 of the local machine (server null); free the buffer with NetApiBufferFree.
NET_API_STATUS NetWkstaGetInfo(LPWSTR serverName, DWORD level, LPBYTE* buffer);
NET_API_STATUS NetApiBufferFree(LPVOID buffer);

constexpr WORD PROCESSOR_ARCHITECTURE_INTEL = 0;
constexpr WORD PROCESSOR_ARCHITECTURE_IA64 = 6;
constexpr WORD PROCESSOR_ARCHITECTURE_AMD64 = 9;
struct SYSTEM_INFO {
    WORD wProcessorArchitecture;
    WORD wReserved;
    DWORD dwPageSize;
    LPVOID lpMinimumApplicationAddress;
    LPVOID lpMaximumApplicationAddress;
    DWORD_PTR dwActiveProcessorMask;
    DWORD dwNumberOfProcessors;
    DWORD dwProcessorType;
    DWORD dwAllocationGranularity;
    WORD wProcessorLevel;
    WORD wProcessorRevision;
};
using LPSYSTEM_INFO = SYSTEM_INFO*;
// The processor as the running process sees it (x86 for a 32-bit process).
void GetSystemInfo(LPSYSTEM_INFO info);
// The machine's own processor.
void GetNativeSystemInfo(LPSYSTEM_INFO info);
// TRUE in *wow64 for a 32-bit process on a 64-bit system.
BOOL IsWow64Process(HANDLE process, BOOL* wow64);

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
// A random (version 4) GUID from the host's random source.
HRESULT CoCreateGuid(GUID* guid);
