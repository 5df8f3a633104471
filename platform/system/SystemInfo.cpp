#include "platform/system/SystemInfo.h"

#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cwchar>

#include "platform/base/LastError.h"
#include "platform/base/Machine.h"

namespace {

struct WorkstationBlock {
    WKSTA_INFO_100 info;
    wchar_t computerName[64];
    wchar_t langroup[16];
};

void FillSystemInfo(LPSYSTEM_INFO info, bool native) {
    const platform::MachineProfile& profile = platform::Machine::Current().Profile();
    bool wide = profile.os64Bit && (native || profile.process64Bit);
    std::memset(info, 0, sizeof *info);
    info->wProcessorArchitecture = wide ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
    info->dwPageSize = 4096;
    info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(0x10000));
    info->lpMaximumApplicationAddress =
        reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(wide ? 0x7FFFFFFEFFFFull : 0x7FFEFFFFull));
    long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
    info->dwNumberOfProcessors = processors > 0 ? static_cast<DWORD>(processors) : 1;
    info->dwActiveProcessorMask =
        info->dwNumberOfProcessors >= 32 ? 0xFFFFFFFFu : ((1u << info->dwNumberOfProcessors) - 1);
    info->dwProcessorType = wide ? 8664 : 586;
    info->dwAllocationGranularity = 65536;
    info->wProcessorLevel = 6;
}

}  // namespace

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
    if (info == nullptr || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW) &&
                            info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXW))) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const platform::MachineProfile& profile = platform::Machine::Current().Profile();
    DWORD major = profile.osMajor, minor = profile.osMinor, build = profile.osBuild;
    if (major > 6 || (major == 6 && minor >= 2)) {
        major = 6;
        minor = 2;
        build = 9200;
    }
    bool extended = info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXW);
    DWORD size = info->dwOSVersionInfoSize;
    std::memset(info, 0, size);
    info->dwOSVersionInfoSize = size;
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwBuildNumber = build;
    info->dwPlatformId = profile.osPlatformId;
    if (extended) reinterpret_cast<OSVERSIONINFOEXW*>(info)->wProductType = VER_NT_WORKSTATION;
    return TRUE;
}

void RtlGetNtVersionNumbers(DWORD* major, DWORD* minor, DWORD* build) {
    const platform::MachineProfile& profile = platform::Machine::Current().Profile();
    if (major != nullptr) *major = profile.osMajor;
    if (minor != nullptr) *minor = profile.osMinor;
    if (build != nullptr) *build = profile.osBuild | 0xF0000000u;
}

NET_API_STATUS NetWkstaGetInfo(LPWSTR serverName, DWORD level, LPBYTE* buffer) {
    if (buffer == nullptr) return ERROR_INVALID_PARAMETER;
    *buffer = nullptr;
    if (level != 100) return ERROR_INVALID_LEVEL_CODE;
    if (serverName != nullptr && *serverName != L'\0') return ERROR_BAD_NETPATH;
    const platform::MachineProfile& profile = platform::Machine::Current().Profile();
    if (profile.workstationInfoFails) return ERROR_ACCESS_DENIED;
    auto* block = new WorkstationBlock{};
    std::wcsncpy(block->computerName, profile.computerName.c_str(), 63);
    std::wcsncpy(block->langroup, L"WORKGROUP", 15);
    block->info.wki100_platform_id = 500;
    block->info.wki100_computername = block->computerName;
    block->info.wki100_langroup = block->langroup;
    block->info.wki100_ver_major = profile.osMajor;
    block->info.wki100_ver_minor = profile.osMinor;
    *buffer = reinterpret_cast<LPBYTE>(block);
    return NERR_Success;
}

NET_API_STATUS NetApiBufferFree(LPVOID buffer) {
    delete static_cast<WorkstationBlock*>(buffer);  // the only buffer this layer hands out
    return NERR_Success;
}

void GetSystemInfo(LPSYSTEM_INFO info) {
    if (info != nullptr) FillSystemInfo(info, false);
}

void GetNativeSystemInfo(LPSYSTEM_INFO info) {
    if (info != nullptr) FillSystemInfo(info, true);
}

BOOL IsWow64Process(HANDLE, BOOL* wow64) {
    if (wow64 == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const platform::MachineProfile& profile = platform::Machine::Current().Profile();
    *wow64 = (profile.os64Bit && !profile.process64Bit) ? TRUE : FALSE;
    return TRUE;
}

HRESULT CoCreateGuid(GUID* guid) {
    if (guid == nullptr) return E_INVALIDARG;
    BYTE bytes[16];
    size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return E_FAIL;
        got += static_cast<size_t>(n);
    }
    std::memcpy(&guid->Data1, bytes, 4);
    std::memcpy(&guid->Data2, bytes + 4, 2);
    std::memcpy(&guid->Data3, bytes + 6, 2);
    std::memcpy(guid->Data4, bytes + 8, 8);
    guid->Data3 = static_cast<WORD>((guid->Data3 & 0x0FFF) | 0x4000);    // version 4
    guid->Data4[0] = static_cast<BYTE>((guid->Data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
    return S_OK;
}
