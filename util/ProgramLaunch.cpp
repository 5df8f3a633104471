#include "util/ProgramLaunch.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Win32.h"
#include "util/StringConvert.h"
#include "util/StringUtil.h"

namespace {

// The folder part of a program path ("\" or "/"), empty when it has none.
std::wstring FolderOf(const std::wstring& file) {
    std::size_t slash = file.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : file.substr(0, slash);
}

bool ShellOpen(const std::wstring& file, const std::wstring& parameters, int show) {
    std::wstring folder = FolderOf(file);
    HINSTANCE result = ShellExecuteW(nullptr, L"open", file.c_str(), parameters.c_str(),
                                     folder.empty() ? nullptr : folder.c_str(), show);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// Waits for a started child up to the timeout; a child that outlives it is ended.
int WaitForChild(HANDLE process, DWORD timeoutMs, DWORD* exitCode) {
    if (process == nullptr) return 1;  // opened by the shell: nothing to wait for
    int result = 1;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_TIMEOUT) {
        TerminateProcess(process, 0);
        result = 0;
    } else if (exitCode != nullptr && !GetExitCodeProcess(process, exitCode)) {
        result = 0;
    }
    CloseHandle(process);
    return result;
}

int ShellRunAndWait(const std::wstring& file, const std::wstring& parameters, int show, DWORD timeoutMs,
                    DWORD* exitCode, bool elevated) {
    std::wstring folder = FolderOf(file);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | (elevated ? SEE_MASK_FLAG_NO_UI : 0);
    info.hwnd = GetDesktopWindow();
    info.lpVerb = elevated ? L"runas" : L"open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = show;
    if (!ShellExecuteExW(&info)) return 0;
    return WaitForChild(info.hProcess, timeoutMs, exitCode);
}

std::wstring Ansi(const char* text) { return AnsiToWideString(text != nullptr ? text : ""); }
bool Utf8(const char* text) { return text == nullptr || IsValidUtf8(text); }
std::wstring Wide(const char* utf8) { return Utf8ToWide(utf8 != nullptr ? utf8 : ""); }

int RunToFile(const std::wstring& program, const std::wstring& arguments, const std::wstring& output, DWORD creation,
              DWORD timeoutMs, DWORD* exitCode) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, creation, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    // A program path with blanks is quoted, so that the command line names it whole.
    bool quote = program.find(L' ') != std::wstring::npos && program.front() != L'"';
    std::wstring commandLine = (quote ? L"\"" + program + L"\"" : program) + L" " + arguments;
    if (commandLine.size() >= 1040) {
        CloseHandle(file);
        return 0;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION process{};
    std::wstring mutableLine = commandLine;
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        CloseHandle(file);
        return 0;
    }
    CloseHandle(process.hThread);
    int result = WaitForChild(process.hProcess, timeoutMs, exitCode);
    CloseHandle(file);
    return result;
}

}  // namespace

bool RunProgram(const char* file, const char* parameters, int show) {
    return file != nullptr && ShellOpen(Ansi(file), Ansi(parameters), show);
}

int RunProgramAndWait(const char* file, const char* parameters, int show, DWORD timeoutMs, DWORD* exitCode) {
    return file != nullptr ? ShellRunAndWait(Ansi(file), Ansi(parameters), show, timeoutMs, exitCode, false) : 0;
}

bool RunProgramUtf8(const char* file, const char* parameters, int show) {
    return file != nullptr && IsValidUtf8(file) && ShellOpen(Wide(file), Wide(parameters), show);
}

int RunProgramAndWaitUtf8(const char* file, const char* parameters, int show, DWORD timeoutMs, DWORD* exitCode) {
    if (file == nullptr || !Utf8(file) || !Utf8(parameters)) return 0;
    return ShellRunAndWait(Wide(file), Wide(parameters), show, timeoutMs, exitCode, false);
}

int RunProgramElevatedAndWaitUtf8(const char* file, const char* parameters, int show, DWORD timeoutMs,
                                  DWORD* exitCode) {
    if (file == nullptr) return 0;
    return ShellRunAndWait(Wide(file), Wide(parameters), show, timeoutMs, exitCode, true);
}

int RunCommandToFile(const char* program, const char* arguments, const char* outputFile, DWORD timeoutMs,
                     DWORD* exitCode) {
    if (program == nullptr || outputFile == nullptr) return 0;
    return RunToFile(Ansi(program), Ansi(arguments), Ansi(outputFile), CREATE_ALWAYS, timeoutMs, exitCode);
}

int RunCommandCaptureUtf8(const char* program, const char* arguments, char* outputName, DWORD timeoutMs,
                          DWORD* exitCode) {
    if (outputName != nullptr) outputName[0] = '\0';
    if (program == nullptr || outputName == nullptr || !Utf8(program) || !Utf8(arguments)) return 0;
    wchar_t temp[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return 0;
    // A name of its own: CREATE_NEW refuses one that is already taken.
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[32];
        std::swprintf(name, 32, L"capture_%08lx.txt", static_cast<unsigned long>(GetTickCount() + attempt));
        std::wstring path = std::wstring(temp, length) + name;
        HANDLE probe = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return 0;
        }
        CloseHandle(probe);
        std::string utf8 = WideToUtf8(path);
        if (utf8.size() >= MAX_PATH) return 0;
        std::memcpy(outputName, utf8.c_str(), utf8.size() + 1);
        return RunToFile(Wide(program), Wide(arguments), path, TRUNCATE_EXISTING, timeoutMs, exitCode);
    }
    return 0;
}
