#include "util/Restart.h"

#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"
#include "platform/kernel/Processes.h"
#include "platform/kernel/Security.h"
#include "util/Log.h"

bool AcquireShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges{};
    bool ok = LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) != FALSE;
    if (ok) {
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        ok = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE &&
             GetLastError() == ERROR_SUCCESS;
    }
    CloseHandle(token);
    return ok;
}

void RestartComputer() {
    WriteLog("Do Restart ...");
    if (!AcquireShutdownPrivilege()) WriteLog("Get privilege fail !");
    ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}

bool WriteCrashDump(void* exceptionPointers, const wchar_t* path) {
    (void)exceptionPointers;
    (void)path;
    return false;
}
