// Tokens, privileges, group membership and restarts, shaped like ADVAPI32
// and USER32's ExitWindowsEx.
//
// The current process's token is elevated (a member of Administrators) when
// the machine profile says so; tokens of other processes, such as the desktop
// shell's, are the user's unelevated ones. Enabled privileges are held per
// machine; a privilege the profile does not grant (SeShutdownPrivilege when
// shutdownPrivilegeHeld is false) is not assigned (ERROR_NOT_ALL_ASSIGNED).
// ExitWindowsEx and privilege changes are recorded as machine events
// (MachineEvents.h), never carried out on the host.
#pragma once

#include <string>

#include "platform/files/FileSystem.h"
#include "platform/base/Win32Types.h"

constexpr DWORD TOKEN_ASSIGN_PRIMARY = 0x0001;
constexpr DWORD TOKEN_DUPLICATE = 0x0002;
constexpr DWORD TOKEN_IMPERSONATE = 0x0004;
constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
constexpr DWORD TOKEN_ALL_ACCESS = 0x000F01FF;

enum SECURITY_IMPERSONATION_LEVEL {
    SecurityAnonymous,
    SecurityIdentification,
    SecurityImpersonation,
    SecurityDelegation
};
enum TOKEN_TYPE { TokenPrimary = 1, TokenImpersonation = 2 };

struct LUID {
    DWORD LowPart;
    LONG HighPart;
};
struct LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes;
};
struct TOKEN_PRIVILEGES {
    DWORD PrivilegeCount;
    LUID_AND_ATTRIBUTES Privileges[1];
};
using PTOKEN_PRIVILEGES = TOKEN_PRIVILEGES*;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x2;
inline constexpr const wchar_t* SE_SHUTDOWN_NAME = L"SeShutdownPrivilege";

struct SID_IDENTIFIER_AUTHORITY {
    BYTE Value[6];
};
using PSID = void*;
#define SECURITY_NT_AUTHORITY \
    {                         \
        { 0, 0, 0, 0, 0, 5 }  \
    }
constexpr DWORD SECURITY_BUILTIN_DOMAIN_RID = 0x20;
constexpr DWORD DOMAIN_ALIAS_RID_ADMINS = 0x220;

BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
BOOL DuplicateTokenEx(HANDLE token, DWORD access, LPSECURITY_ATTRIBUTES attributes, SECURITY_IMPERSONATION_LEVEL level,
                      TOKEN_TYPE type, HANDLE* newToken);
BOOL LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, LUID* luid);
BOOL LookupPrivilegeValueA(LPCSTR systemName, LPCSTR name, LUID* luid);
// TRUE when the call went through; GetLastError is then 0, or
// ERROR_NOT_ALL_ASSIGNED when a privilege is not held.
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES newState, DWORD bufferLength,
                           PTOKEN_PRIVILEGES previousState, LPDWORD returnLength);
BOOL AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD sub0, DWORD sub1, DWORD sub2,
                              DWORD sub3, DWORD sub4, DWORD sub5, DWORD sub6, DWORD sub7, PSID* sid);
PVOID FreeSid(PSID sid);
// A null token is the calling thread's (the process's) token.
BOOL CheckTokenMembership(HANDLE token, PSID sid, BOOL* isMember);

constexpr UINT EWX_LOGOFF = 0x0;
constexpr UINT EWX_SHUTDOWN = 0x1;
constexpr UINT EWX_REBOOT = 0x2;
constexpr UINT EWX_FORCE = 0x4;
constexpr UINT EWX_POWEROFF = 0x8;
// Needs SeShutdownPrivilege enabled for a shutdown or restart (else FALSE,
// ERROR_PRIVILEGE_NOT_HELD); records "ExitWindowsEx <flags> <reason>".
BOOL ExitWindowsEx(UINT flags, DWORD reason);

// The desktop shell's window. Its process stands for the shell: the parent
// of this process when it is the user's, else this process; its token is the
// user's unelevated token.
HWND GetShellWindow();
// The process of the shell window (0 for windows this layer does not know).
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);

namespace platform {
// Elevation of a token handle; false when the handle is no token.
bool TokenElevation(HANDLE token, bool& elevated);
// Whether a privilege is enabled for the current machine's process token.
bool IsPrivilegeEnabled(const std::wstring& name);
}  // namespace platform
