// The OS name and code table shared by the mirror ping and the second
// utility library, which tells Windows 11 apart from Windows 10 by its build.
#include <cstdio>
#include <string>

#include "platform/Win32.h"
#include "util/SystemControls.h"

namespace {

struct OsNameAndCode {
    int code = 0;
    char name[260] = "";
};

OsNameAndCode g_os;  // filled on first use, again only while the code is 0

// Versions past Windows 7: GetVersionExW says 6.2 to a program without a
// compatibility manifest, so the true version comes from ntdll.
int CodeAboveWindows7(bool workstation, bool windows11ByBuild, std::string& base, bool& withBuild, DWORD& build) {
    DWORD major = 0, minor = 0;
    RtlGetNtVersionNumbers(&major, &minor, &build);
    build &= 0xFFFF;
    withBuild = true;
    if (major == 6 && minor == 2) return base = "Windows 8", 18;
    if (major == 6 && minor == 3) return base = "Windows 8.1", 20;
    if (major >= 10) return windows11ByBuild && build >= 22000 ? (base = "Windows 11", 23) : (base = "Windows 10", 22);
    withBuild = false;
    return workstation ? (base = "Windows 8", 18) : (base = "Windows Server 2012", 17);
}

}  // namespace

int ComputeOsNameAndCode(char* name, bool windows11ByBuild) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info))) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info))) return 0;
    }
    const DWORD major = info.dwMajorVersion, minor = info.dwMinorVersion;
    const wchar_t letter = info.szCSDVersion[1];
    const bool workstation = info.wProductType == 0 || info.wProductType == VER_NT_WORKSTATION;
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    const bool wide = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                      system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
    std::string base;
    bool withBuild = false;
    DWORD build = 0;
    int code = 0;
    if (info.dwPlatformId == 0) {
        code = 1, base = "Win32s";
    } else if (info.dwPlatformId == 1) {
        if (major == 4 && minor == 0) {
            bool osr2 = letter == L'B' || letter == L'C';
            code = osr2 ? 3 : 2, base = osr2 ? "Windows 95 OSR2" : "Windows 95";
        } else if (major == 4 && minor == 10) {
            bool second = letter == L'A';
            code = second ? 5 : 4, base = second ? "Windows 98 SE" : "Windows 98";
        } else if (major == 4 && minor == 90) {
            code = 6, base = "Windows ME";
        }
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
        code = CodeAboveWindows7(workstation, windows11ByBuild, base, withBuild, build);
    }
    std::string text = info.dwPlatformId == VER_PLATFORM_WIN32_NT ? (wide ? "64bit System " : "32bit System ") : "";
    text += base;
    if (withBuild) text += " Build " + std::to_string(build);
    if (name != nullptr) std::snprintf(name, 260, "%s", text.c_str());
    return code;
}

int GetOsNameAndCodeB(char* name) {
    if (g_os.code == 0) g_os.code = ComputeOsNameAndCode(g_os.name, true);
    if (name != nullptr) std::snprintf(name, 260, "%s", g_os.name);
    return g_os.code;
}

void ResetOsNameAndCodeBForTest() { g_os = OsNameAndCode{}; }
