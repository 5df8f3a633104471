// The OS code of the system, as the mirror ping decides on it.
#include <cstdio>
#include <cstring>
#include <string>

#include "download/IcmpPinger.h"
#include "platform/system/SystemInfo.h"

namespace {

// Windows 8 and later: the true version, as GetVersionExW reports 6.2 there.
int CodeAboveWindows7(bool workstation, std::string* base, bool* withBuild, DWORD* build) {
    DWORD major = 0, minor = 0;
    RtlGetNtVersionNumbers(&major, &minor, build);
    *withBuild = true;
    if (major == 6 && minor == 2) return *base = "Windows 8", 18;
    if (major == 6 && minor == 3) return *base = "Windows 8.1", 20;
    if (major >= 10) return *base = "Windows 10", 22;
    *withBuild = false;
    if (workstation) return *base = "Windows 8", 18;
    return *base = "Windows Server 2012", 17;
}

}  // namespace

int GetOsNameAndCode(char* name) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info))) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info))) return 0;
    }
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    const bool wide = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                      system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    const bool workstation = info.wProductType == 0 || info.wProductType == VER_NT_WORKSTATION;
    const DWORD major = info.dwMajorVersion, minor = info.dwMinorVersion;
    std::string base;
    bool withBuild = false;
    DWORD build = 0;
    int code = 0;
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        code = 1, base = "Win32s";
    } else if (major <= 4) {
        code = 7, base = "Windows NT";
    } else if (major == 5) {
        if (minor == 0) code = 8, base = "Windows 2000";
        else if (minor == 1) code = 9, base = "Windows XP";
        else if (minor == 2 && workstation && wide) code = 10, base = "Windows XP 64-Bit Edition";
        else if (minor == 2) code = 11, base = "Windows Server 2003";
        else code = 10, base = "Windows XP 64-Bit";
    } else if (major == 6 && minor == 0) {
        code = workstation ? 13 : 14, base = workstation ? "Windows Vista" : "Windows Server 2008";
    } else if (major == 6 && minor == 1) {
        code = workstation ? 16 : 15, base = workstation ? "Windows 7" : "Windows Server 2008 R2";
    } else {
        code = CodeAboveWindows7(workstation, &base, &withBuild, &build);
    }
    if (name) {
        std::string text = info.dwPlatformId == VER_PLATFORM_WIN32_NT ? (wide ? "64bit System " : "32bit System ") : "";
        text += base;
        if (withBuild) text += " Build " + std::to_string(build & 0xFFFF);
        std::snprintf(name, 260, "%s", text.c_str());
    }
    return code;
}
