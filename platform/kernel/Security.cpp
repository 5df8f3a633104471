#include "platform/kernel/Security.h"
#include "platform/windowing/Windowing.h"

#include <unistd.h>

#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"
#include "platform/base/MachineEvents.h"
#include "platform/kernel/Processes.h"

namespace {

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
const HWND kShellWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x5E110));

class TokenObject : public platform::KernelObject {
public:
    TokenObject(bool elevated, bool ownProcess) : elevated(elevated), ownProcess(ownProcess) {}
    bool elevated;
    bool ownProcess;  // privileges changed through it apply to this process
};

// Privileges known by name; the LUID is the index + 1.
const wchar_t* const kPrivileges[] = {
    L"SeShutdownPrivilege", L"SeDebugPrivilege",         L"SeBackupPrivilege",
    L"SeRestorePrivilege",  L"SeIncreaseQuotaPrivilege", L"SeAssignPrimaryTokenPrivilege",
    L"SeTcbPrivilege",      L"SeSecurityPrivilege",
};
constexpr DWORD kPrivilegeCount = sizeof kPrivileges / sizeof kPrivileges[0];

std::mutex g_privilegeLock;
std::map<std::string, std::set<std::wstring>>* g_enabled = nullptr;  // by machine root

struct AdminSid {
    BYTE authority[6];
    DWORD subAuthorities[8];
    BYTE count;
};

bool HeldByProfile(const std::wstring& name) {
    const platform::MachineProfile& profile = platform::Machine::Current().Profile();
    if (name == L"SeShutdownPrivilege") return profile.shutdownPrivilegeHeld;
    return profile.elevated;  // the others belong to administrators
}

pid_t ShellProcessId() {
    pid_t parent = ::getppid();
    struct stat info {};
    if (parent > 1 && ::stat(("/proc/" + std::to_string(parent)).c_str(), &info) == 0 && info.st_uid == ::getuid())
        return parent;
    return ::getpid();
}

}  // namespace

namespace platform {

bool TokenElevation(HANDLE token, bool& elevated) {
    std::shared_ptr<TokenObject> object = LookupHandle<TokenObject>(token);
    if (!object) return false;
    elevated = object->elevated;
    return true;
}

bool IsPrivilegeEnabled(const std::wstring& name) {
    std::lock_guard<std::mutex> guard(g_privilegeLock);
    if (g_enabled == nullptr) return false;
    auto it = g_enabled->find(Machine::Current().Root());
    return it != g_enabled->end() && it->second.count(name) > 0;
}

}  // namespace platform

BOOL OpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
    if (token == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (process == kCurrentProcess) {
        *token = platform::RegisterHandle(
            std::make_shared<TokenObject>(platform::Machine::Current().Profile().elevated, true));
        return TRUE;
    }
    if (GetProcessId(process) == 0) return FALSE;  // not a process handle (error already set)
    *token = platform::RegisterHandle(std::make_shared<TokenObject>(false, false));
    return TRUE;
}

BOOL DuplicateTokenEx(HANDLE token, DWORD, LPSECURITY_ATTRIBUTES, SECURITY_IMPERSONATION_LEVEL, TOKEN_TYPE,
                      HANDLE* newToken) {
    std::shared_ptr<TokenObject> object = platform::LookupHandle<TokenObject>(token);
    if (!object || newToken == nullptr) {
        SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *newToken = platform::RegisterHandle(std::make_shared<TokenObject>(object->elevated, false));
    return TRUE;
}

BOOL LookupPrivilegeValueW(LPCWSTR, LPCWSTR name, LUID* luid) {
    if (name == nullptr || luid == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (DWORD i = 0; i < kPrivilegeCount; ++i) {
        if (platform::NamesEqualNoCase(name, kPrivileges[i])) {
            luid->LowPart = i + 1;
            luid->HighPart = 0;
            return TRUE;
        }
    }
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
}

BOOL LookupPrivilegeValueA(LPCSTR systemName, LPCSTR name, LUID* luid) {
    (void)systemName;
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return LookupPrivilegeValueW(nullptr, platform::Utf8ToUtf16(name).c_str(), luid);
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD, PTOKEN_PRIVILEGES,
                           LPDWORD returnLength) {
    std::shared_ptr<TokenObject> object = platform::LookupHandle<TokenObject>(token);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (returnLength != nullptr) *returnLength = 0;
    std::string root = platform::Machine::Current().Root();
    bool allAssigned = true;
    std::lock_guard<std::mutex> guard(g_privilegeLock);
    if (g_enabled == nullptr) g_enabled = new std::map<std::string, std::set<std::wstring>>();
    std::set<std::wstring>& enabled = (*g_enabled)[root];
    if (disableAll) {
        if (object->ownProcess) enabled.clear();
        platform::RecordMachineEvent("AdjustTokenPrivileges disable all");
    } else if (newState != nullptr) {
        for (DWORD i = 0; i < newState->PrivilegeCount && i < 1; ++i) {
            DWORD index = newState->Privileges[i].Luid.LowPart;
            if (index == 0 || index > kPrivilegeCount) {
                allAssigned = false;
                continue;
            }
            std::wstring name = kPrivileges[index - 1];
            bool enable = (newState->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
            if (enable && !HeldByProfile(name)) {
                allAssigned = false;
                platform::RecordMachineEvent("AdjustTokenPrivileges " + platform::Utf16ToUtf8(name) + " not held");
                continue;
            }
            if (object->ownProcess) {
                if (enable) enabled.insert(name);
                else enabled.erase(name);
            }
            platform::RecordMachineEvent("AdjustTokenPrivileges " + platform::Utf16ToUtf8(name) +
                                         (enable ? " enabled" : " disabled"));
        }
    }
    SetLastError(allAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
    return TRUE;
}

BOOL AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD sub0, DWORD sub1, DWORD sub2,
                              DWORD sub3, DWORD sub4, DWORD sub5, DWORD sub6, DWORD sub7, PSID* sid) {
    if (authority == nullptr || sid == nullptr || count == 0 || count > 8) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* made = new AdminSid{};
    for (int i = 0; i < 6; ++i) made->authority[i] = authority->Value[i];
    DWORD subs[8] = {sub0, sub1, sub2, sub3, sub4, sub5, sub6, sub7};
    for (int i = 0; i < 8; ++i) made->subAuthorities[i] = subs[i];
    made->count = count;
    *sid = made;
    return TRUE;
}

PVOID FreeSid(PSID sid) {
    delete static_cast<AdminSid*>(sid);
    return nullptr;
}

BOOL CheckTokenMembership(HANDLE token, PSID sid, BOOL* isMember) {
    if (sid == nullptr || isMember == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool elevated = platform::Machine::Current().Profile().elevated;
    if (token != nullptr && !platform::TokenElevation(token, elevated)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const AdminSid* group = static_cast<const AdminSid*>(sid);
    static const BYTE nt[6] = {0, 0, 0, 0, 0, 5};
    bool administrators = group->count == 2 && std::equal(nt, nt + 6, group->authority) &&
                          group->subAuthorities[0] == SECURITY_BUILTIN_DOMAIN_RID &&
                          group->subAuthorities[1] == DOMAIN_ALIAS_RID_ADMINS;
    // Every token belongs to the user's own groups; only Administrators depends on elevation.
    *isMember = administrators ? (elevated ? TRUE : FALSE) : TRUE;
    return TRUE;
}

BOOL ExitWindowsEx(UINT flags, DWORD reason) {
    bool powerAction = (flags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF)) != 0;
    if (powerAction && !platform::IsPrivilegeEnabled(L"SeShutdownPrivilege")) {
        platform::RecordMachineEvent("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason) +
                                     " refused");
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    platform::RecordMachineEvent("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
    return TRUE;
}

HWND GetShellWindow() { return kShellWindow; }

DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId) {
    if (window != kShellWindow) return platform::WindowThreadProcessId(window, processId);
    DWORD pid = static_cast<DWORD>(ShellProcessId());
    if (processId != nullptr) *processId = pid;
    return pid;
}
