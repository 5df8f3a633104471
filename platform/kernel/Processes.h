// Processes, shaped like the KERNEL32, PSAPI, Toolhelp and SHELL32 calls.
//
// Programs start as real child processes (posix_spawn). Their paths are
// Windows paths of the machine (a missing name without extension is tried
// with ".exe"); their command line is split into arguments by the Windows
// rules (CommandLine.h). A ".exe" copied onto a machine drive is run even
// without an execute bit (it is given one). A child shares the machine: it is started with
// WEBINSTALLER_MACHINE_ROOT set to the machine root, and with
// WEBINSTALLER_MACHINE_ELEVATED=1 when it runs elevated (a "runas" start, or
// the parent is elevated).
//
// Children get the parent's environment and standard streams (CreateProcessW
// with handle inheritance and STARTF_USESTDHANDLES gives them the start-up
// record's file handles instead); no other handle is inherited, and window
// placement (show commands) has no effect.
//
// Process handles live in the kernel handle table (KernelObjects.h), so
// WaitForSingleObject and CloseHandle work on them. GetExitCodeProcess gives
// STILL_ACTIVE (259) while the process runs. Enumeration and image paths come
// from /proc, limited to the user's own processes. TerminateProcess ends only
// descendants of this process; for any other process it fails with
// ERROR_ACCESS_DENIED, so nothing outside the user's own children is ended.
//
// The "runas" verb asks the machine profile for the elevation answer: while
// MachineProfile::elevationDeclines is above 0 the prompt is declined
// (ERROR_CANCELLED, 1223) and the count goes down by one; then it is accepted
// and the program runs as the same user, marked elevated. An elevated
// process gets no prompt. Files that are not programs and URLs are "opened"
// by recording the action as a machine event (MachineEvents.h); no viewer or
// browser is started.
#pragma once

#include <string>

#include "platform/files/FileSystem.h"
#include "platform/base/Win32Types.h"

struct STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
using LPSTARTUPINFOW = STARTUPINFOW*;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

constexpr DWORD STARTF_USESHOWWINDOW = 0x1;
constexpr DWORD STARTF_USESTDHANDLES = 0x100;
constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;
constexpr DWORD CREATE_UNICODE_ENVIRONMENT = 0x400;
constexpr DWORD CREATE_NO_WINDOW = 0x08000000;
constexpr DWORD LOGON_WITH_PROFILE = 0x1;

constexpr DWORD PROCESS_TERMINATE = 0x0001;
constexpr DWORD PROCESS_VM_READ = 0x0010;
constexpr DWORD PROCESS_QUERY_INFORMATION = 0x0400;
constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
constexpr DWORD SYNCHRONIZE = 0x00100000;
constexpr DWORD PROCESS_ALL_ACCESS = 0x001FFFFF;

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation);
// Starts a program with the token's user and elevation (Security.h tokens).
BOOL CreateProcessWithTokenW(HANDLE token, DWORD logonFlags, LPCWSTR applicationName, LPWSTR commandLine,
                             DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                             LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
// Null with ERROR_INVALID_PARAMETER for a process that does not exist, with
// ERROR_ACCESS_DENIED for another user's.
HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);
HANDLE GetCurrentProcess();
DWORD GetProcessId(HANDLE process);
// Full Windows-form path of the process's program; 0 when it cannot be read.
DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName, DWORD size);

// Toolhelp process snapshots.
constexpr DWORD TH32CS_SNAPPROCESS = 0x2;
struct PROCESSENTRY32W {
    DWORD dwSize;
    DWORD cntUsage;
    DWORD th32ProcessID;
    ULONG_PTR th32DefaultHeapID;
    DWORD th32ModuleID;
    DWORD cntThreads;
    DWORD th32ParentProcessID;
    LONG pcPriClassBase;
    DWORD dwFlags;
    WCHAR szExeFile[MAX_PATH];
};
using LPPROCESSENTRY32W = PROCESSENTRY32W*;
HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry);
BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry);

// Shell starts.
constexpr ULONG SEE_MASK_DEFAULT = 0x0;
constexpr ULONG SEE_MASK_NOCLOSEPROCESS = 0x40;
constexpr ULONG SEE_MASK_NOASYNC = 0x100;
constexpr ULONG SEE_MASK_FLAG_NO_UI = 0x400;
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;

struct SHELLEXECUTEINFOW {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    LPCWSTR lpClass;
    HKEY hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon;
    HANDLE hProcess;
};
using LPSHELLEXECUTEINFOW = SHELLEXECUTEINFOW*;

// cbSize may be sizeof(SHELLEXECUTEINFOW) or 60, the size of the 32-bit record.
BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW info);
// Above 32 on success; an SE_ERR_ code otherwise (SE_ERR_ACCESSDENIED with
// ERROR_CANCELLED when the elevation prompt was declined).
HINSTANCE ShellExecuteW(HWND window, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show);

namespace platform {
// True when `processId` is this process or one of its descendants.
bool IsOwnDescendant(DWORD processId);
}  // namespace platform
