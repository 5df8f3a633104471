#include "setup/ElevatedRun.h"

#include "platform/Win32.h"

DWORD RunElevatedAndWait(const std::wstring& program, const std::wstring& parameters, DWORD limitMs) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = nullptr;
    info.nShow = SW_HIDE;
    DWORD exitCode = 0;
    if (ShellExecuteExW(&info) && reinterpret_cast<INT_PTR>(info.hInstApp) > 32 && info.hProcess != nullptr) {
        if (WaitForSingleObject(info.hProcess, limitMs) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 0);
        GetExitCodeProcess(info.hProcess, &exitCode);
        CloseHandle(info.hProcess);
    }
    return exitCode;
}
