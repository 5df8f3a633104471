#include "util/OsVersion.h"

#include "util/Log.h"

namespace {

void VersionFromGetVersionEx(unsigned& major, unsigned& minor, unsigned* build) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) return;
    major = info.dwMajorVersion;
    minor = info.dwMinorVersion;
    if (build != nullptr) *build = info.dwBuildNumber;
}

}  // namespace

bool IsWindows7OrLater() {
    unsigned major = 0, minor = 0;
    LPBYTE buffer = nullptr;
    if (NetWkstaGetInfo(nullptr, 100, &buffer) == NERR_Success && buffer != nullptr) {
        const auto* info = reinterpret_cast<const WKSTA_INFO_100*>(buffer);
        major = info->wki100_ver_major;
        minor = info->wki100_ver_minor;
        NetApiBufferFree(buffer);
        WriteLog("Window Version : %d,%d", static_cast<int>(major), static_cast<int>(minor));
    } else {
        DWORD ntMajor = 0, ntMinor = 0, ntBuild = 0;
        RtlGetNtVersionNumbers(&ntMajor, &ntMinor, &ntBuild);
        major = ntMajor;
        minor = ntMinor;
        WriteLog("Window Version : %d,%d", static_cast<int>(major), static_cast<int>(minor));
        if (major == 0) VersionFromGetVersionEx(major, minor, nullptr);
    }
    return major > 6 || (major == 6 && minor >= 1);
}

void GetOsVersion(unsigned& major, unsigned& minor, unsigned& build) {
    DWORD ntMajor = 0, ntMinor = 0, ntBuild = 0;
    RtlGetNtVersionNumbers(&ntMajor, &ntMinor, &ntBuild);
    major = ntMajor;
    minor = ntMinor;
    build = ntBuild;
    if (major == 0) VersionFromGetVersionEx(major, minor, &build);
}

std::string GetOsShortName() {
    unsigned major = 0, minor = 0, build = 0;
    GetOsVersion(major, minor, build);
    build %= 65536;
    if (build >= 22000) return "win11";
    if (major >= 10) return "win10";
    if (major == 6) {
        switch (minor) {
            case 3: return "win8.1";
            case 2: return "win8";
            case 1: return "win7";
            case 0: return "vista";
            default: return "unknown";
        }
    }
    return "xp";
}

void GetSystemInfoNative(SYSTEM_INFO* info) {
    if (info != nullptr) GetNativeSystemInfo(info);
}

bool IsOs64Bit() {
    SYSTEM_INFO info{};
    GetSystemInfoNative(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}
