#include "util/ProcessControl.h"

#include <cwchar>
#include <string>
#include <vector>

#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"
#include "platform/kernel/Processes.h"
#include "platform/kernel/Security.h"
#include "platform/system/SystemInfo.h"
#include "platform/base/Clock.h"
#include "platform/kernel/KernelObjects.h"
#include "util/Log.h"
#include "util/StringConvert.h"

namespace {

constexpr DWORD kKillWaitMilliseconds = 2000;

enum class Walk { Failed, Done };

// Calls `onMatch` for each process matching name and fragment until it returns false.
template <typename OnMatch>
Walk ForEachMatch(const wchar_t* name, const wchar_t* pathFragment, OnMatch onMatch) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return Walk::Failed;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (!Process32FirstW(snapshot, &entry)) {
        CloseHandle(snapshot);
        return Walk::Failed;
    }
    std::wstring wanted = name != nullptr ? name : L"";
    do {
        if (!platform::NamesEqualNoCase(entry.szExeFile, wanted)) continue;
        if (pathFragment != nullptr) {
            wchar_t path[MAX_PATH] = {};
            HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
            if (process != nullptr) {
                GetModuleFileNameExW(process, nullptr, path, MAX_PATH);
                CloseHandle(process);
            }
            // An unreadable path counts as a match.
            if (path[0] != L'\0' && std::wcsstr(path, pathFragment) == nullptr) continue;
        }
        if (!onMatch(entry)) break;
    } while (Process32NextW(snapshot, &entry));
    CloseHandle(snapshot);
    return Walk::Done;
}

}  // namespace

bool FindProcessId(const wchar_t* name, DWORD& processId) {
    bool found = false;
    ForEachMatch(name, nullptr, [&](const PROCESSENTRY32W& entry) {
        processId = entry.th32ProcessID;
        found = true;
        return false;
    });
    return found;
}

bool KillProcessByName(const wchar_t* name) {
    DWORD processId = 0;
    if (!FindProcessId(name, processId)) return false;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processId);
    if (process != nullptr) {
        TerminateProcess(process, 0);
        CloseHandle(process);
    }
    return true;
}

bool IsProcessRunning(const wchar_t* name, const wchar_t* pathFragment) {
    bool found = false;
    ForEachMatch(name, pathFragment, [&](const PROCESSENTRY32W&) {
        found = true;
        return false;
    });
    return found;
}

bool KillProcess(const wchar_t* name, const wchar_t* pathFragment) {
    bool allEnded = true;
    Walk walk = ForEachMatch(name, pathFragment, [&](const PROCESSENTRY32W& entry) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process == nullptr || !TerminateProcess(process, 0)) {
            WriteLog("Kill process error: %d ,process name: %s \n", static_cast<int>(GetLastError()),
                     WideToAnsi(name != nullptr ? name : L"").c_str());
            allEnded = false;
        } else {
            WaitForSingleObject(process, kKillWaitMilliseconds);  // its files stay locked until it is gone
        }
        if (process != nullptr) CloseHandle(process);
        return true;  // every instance, not only the first
    });
    return walk != Walk::Failed && allEnded;
}

bool IsAdministrator() {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

bool IsVistaOrLater() {
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) return extended.dwMajorVersion >= 6;
    OSVERSIONINFOW basic{};
    basic.dwOSVersionInfoSize = sizeof basic;
    if (GetVersionExW(&basic)) return basic.dwMajorVersion >= 6;
    return false;
}

HANDLE GetShellToken() {
    HWND shell = GetShellWindow();
    DWORD processId = 0;
    if (shell == nullptr || GetWindowThreadProcessId(shell, &processId) == 0) return nullptr;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == nullptr) return nullptr;
    HANDLE token = nullptr, primary = nullptr;
    if (OpenProcessToken(process, TOKEN_DUPLICATE, &token)) {
        if (!DuplicateTokenEx(token, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary))
            primary = nullptr;
        CloseHandle(token);
    }
    CloseHandle(process);
    return primary;
}

bool RunProcessUnelevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder, int show) {
    if (!(IsVistaOrLater() && IsAdministrator())) {
        HINSTANCE result = ShellExecuteW(nullptr, L"open", file, parameters, folder, show);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }
    HANDLE token = GetShellToken();
    if (token == nullptr) return false;
    std::wstring commandLine = parameters != nullptr ? parameters : L"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION information{};
    BOOL started = CreateProcessWithTokenW(token, LOGON_WITH_PROFILE, file, commandLine.data(), NORMAL_PRIORITY_CLASS,
                                           nullptr, folder, &startup, &information);
    if (started) {
        CloseHandle(information.hProcess);
        CloseHandle(information.hThread);
    }
    CloseHandle(token);
    return started != FALSE;
}

bool RunProcessElevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* folder, int show) {
    std::wstring arguments = parameters != nullptr ? parameters : L"";
    if (IsVistaOrLater() && !IsAdministrator()) arguments += L" -Admin";
    HINSTANCE result = ShellExecuteW(nullptr, L"runas", file, arguments.c_str(), folder, show);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool RunElevatedAndWait(const wchar_t* file, const wchar_t* parameters, int show) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"runas";
    info.lpFile = file;
    info.lpParameters = parameters;
    info.nShow = show;
    if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return false;
    DWORD exitCode = STILL_ACTIVE;
    bool known = false;
    for (;;) {
        // A failed query ends the wait: the code would never change.
        if (!GetExitCodeProcess(info.hProcess, &exitCode)) break;
        if (exitCode != STILL_ACTIVE) {
            known = true;
            break;
        }
        // Polled every 100 ms; an ended process whose code is 259 ends the wait too.
        DWORD waited = WaitForSingleObject(info.hProcess, 100);
        if (waited == WAIT_OBJECT_0) {
            known = GetExitCodeProcess(info.hProcess, &exitCode) != FALSE;
            break;
        }
        if (waited == WAIT_FAILED) break;
    }
    CloseHandle(info.hProcess);
    return known && exitCode == 0;
}
