#include "platform/kernel/Processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/kernel/CommandLine.h"
#include "platform/base/HostPaths.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"
#include "platform/base/MachineEvents.h"
#include "platform/kernel/Security.h"

extern char** environ;

namespace {

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

// What is known of one process. A child started here is reaped by whoever
// waits first; other processes are watched through /proc.
struct ProcessState {
    pid_t pid = 0;
    bool child = false;
    std::mutex lock;
    bool exited = false;
    DWORD exitCode = 0;
    std::optional<DWORD> terminateCode;  // the code TerminateProcess asked for
    int pidfd = -1;

    ~ProcessState() {
        if (child && !exited) ::waitpid(pid, nullptr, WNOHANG);
        if (pidfd >= 0) ::close(pidfd);
    }

    // Updates `exited` without blocking; true when the process has ended.
    bool Poll() {
        std::lock_guard<std::mutex> guard(lock);
        if (exited) return true;
        if (child) {
            int status = 0;
            pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                exited = true;
                if (WIFEXITED(status)) exitCode = static_cast<DWORD>(WEXITSTATUS(status));
                else exitCode = terminateCode.value_or(128u + static_cast<DWORD>(WTERMSIG(status)));
            } else if (done < 0 && errno == ECHILD) {
                exited = true;  // reaped elsewhere; the code is lost
                exitCode = terminateCode.value_or(0);
            }
        } else if (pidfd >= 0 ? PidfdSignalled() : (::kill(pid, 0) != 0 && errno == ESRCH)) {
            // The pidfd names this very process; the bare pid may already be someone else's.
            exited = true;
            exitCode = terminateCode.value_or(0);
        }
        return exited;
    }

    // True when the process the pidfd names has ended (it then polls readable).
    bool PidfdSignalled() const {
        pollfd entry{pidfd, POLLIN, 0};
        return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLIN | POLLHUP)) != 0;
    }

    bool Wait(DWORD milliseconds) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            if (Poll()) return true;
            auto now = std::chrono::steady_clock::now();
            if (milliseconds != INFINITE && now >= deadline) return false;
            int slice = 20;
            if (milliseconds != INFINITE)
                slice = static_cast<int>(std::min<long long>(
                    slice, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1));
            if (pidfd >= 0) {
                pollfd entry{pidfd, POLLIN, 0};
                ::poll(&entry, 1, slice);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(std::min(slice, 2)));
            }
        }
    }
};

std::mutex g_childrenLock;
std::map<pid_t, std::weak_ptr<ProcessState>>* g_children = nullptr;

class ProcessObject : public platform::KernelObject {
public:
    explicit ProcessObject(std::shared_ptr<ProcessState> state) : state(std::move(state)) {}
    bool IsWaitable() const override { return true; }
    bool Wait(DWORD milliseconds) override { return state->Wait(milliseconds); }
    std::shared_ptr<ProcessState> state;
};

// The main thread of a started process: signalled when the process ends.
class ThreadObject : public ProcessObject {
public:
    using ProcessObject::ProcessObject;
};

std::shared_ptr<ProcessState> StateOf(HANDLE process) {
    std::shared_ptr<ProcessObject> object = platform::LookupHandle<ProcessObject>(process);
    if (!object || std::dynamic_pointer_cast<ThreadObject>(object)) return nullptr;
    return object->state;
}

std::shared_ptr<ProcessState> StateForPid(pid_t pid) {
    std::lock_guard<std::mutex> guard(g_childrenLock);
    if (g_children == nullptr) g_children = new std::map<pid_t, std::weak_ptr<ProcessState>>();
    auto it = g_children->find(pid);
    if (it != g_children->end()) {
        if (std::shared_ptr<ProcessState> known = it->second.lock()) return known;
        g_children->erase(it);
    }
    auto state = std::make_shared<ProcessState>();
    state->pid = pid;
    // From here on the handle names this process, whatever later takes its pid.
    state->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    return state;
}

std::string ProcPath(pid_t pid, const char* leaf) { return "/proc/" + std::to_string(pid) + "/" + leaf; }

// Reads a small /proc file of another process. The process may end at any
// moment, and a read then fails (ESRCH): that is an unreadable file, never
// an exception (a stream's read would throw one).
bool ReadProcFile(pid_t pid, const char* leaf, std::string& text) {
    text.clear();
    int fd = ::open(ProcPath(pid, leaf).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ::close(fd);
            return got == 0;
        }
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > 65536) {  // no file read here is that long
            ::close(fd);
            return false;
        }
    }
}

bool ReadParent(pid_t pid, pid_t& parent) {
    std::string text;
    if (!ReadProcFile(pid, "stat", text)) return false;
    size_t close = text.rfind(')');  // the name may hold blanks and parentheses
    if (close == std::string::npos || close + 4 >= text.size()) return false;
    char state = 0;
    long value = 0;
    if (std::sscanf(text.c_str() + close + 1, " %c %ld", &state, &value) != 2) return false;
    parent = static_cast<pid_t>(value);
    return true;
}

bool OwnedByUser(pid_t pid) {
    struct stat info {};
    return ::stat(("/proc/" + std::to_string(pid)).c_str(), &info) == 0 && info.st_uid == ::getuid();
}

std::string ImageHostPath(pid_t pid) {
    std::vector<char> buffer(4096);
    ssize_t length = ::readlink(ProcPath(pid, "exe").c_str(), buffer.data(), buffer.size() - 1);
    if (length <= 0) return {};
    std::string path(buffer.data(), static_cast<size_t>(length));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return path;
}

// True when the process's executable lies in one of the machine's drive
// folders (not the host's root, which is Z:).
bool RunsFromMachineDrive(pid_t pid) {
    std::string image = ImageHostPath(pid);
    if (image.empty()) return false;
    std::wstring windows = platform::FromHostPath(image);
    return windows.size() > 2 && windows[1] == L':' && platform::FoldCase(windows[0]) != L'Z';
}

std::wstring ImageName(pid_t pid) {
    std::wstring path = platform::FromHostPath(ImageHostPath(pid));
    if (ImageHostPath(pid).empty()) {
        std::string comm;
        if (!ReadProcFile(pid, "comm", comm)) return {};
        comm = comm.substr(0, comm.find('\n'));
        return platform::Utf8ToUtf16(comm);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

DWORD ErrorOfSpawn(int error) {
    switch (error) {
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM: return ERROR_ACCESS_DENIED;
        case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        default: return platform::ErrorFromErrno(error);
    }
}

// Host path of a program named by a Windows path (".exe" tried when the name has no extension).
std::optional<std::string> ProgramHostPath(const std::wstring& program) {
    std::optional<std::string> host = platform::ToHostPath(program);
    if (!host) return std::nullopt;
    struct stat info {};
    if (::stat(host->c_str(), &info) == 0) return host;
    size_t slash = program.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? program : program.substr(slash + 1);
    if (name.find(L'.') == std::wstring::npos) {
        std::optional<std::string> withExe = platform::ToHostPath(program + L".exe");
        if (withExe && ::stat(withExe->c_str(), &info) == 0) return withExe;
    }
    return host;
}

// A ".exe" of the machine's own drives, as a copied program is (file copies
// carry no execute bit).
bool IsMachineExe(const std::string& host) {
    const std::string& root = platform::Machine::Current().Root();
    if (host.rfind(root + "/", 0) != 0 || host.size() < 4) return false;
    std::string extension = host.substr(host.size() - 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".exe";
}

bool IsProgram(const std::string& host) {
    struct stat info {};
    if (::stat(host.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if ((info.st_mode & S_IXUSR) != 0) return true;
    if (!IsMachineExe(host)) return false;
    return ::chmod(host.c_str(), info.st_mode | S_IXUSR) == 0;
}

// Starts `program` with the arguments after the program name of `commandLine`.
// `standardStreams` (may be null) gives host descriptors for the child's
// standard input, output and error; -1 keeps the parent's.
BOOL Spawn(const std::wstring& applicationName, const std::wstring& commandLine, LPCWSTR directory, bool elevated,
           LPPROCESS_INFORMATION information, const int* standardStreams = nullptr) {
    std::vector<std::wstring> arguments = platform::SplitCommandLine(commandLine);
    std::wstring program = !applicationName.empty() ? applicationName : arguments[0];
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::optional<std::string> host = ProgramHostPath(program);
    if (!host) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (!IsProgram(*host)) {
        struct stat info {};
        SetLastError(::stat(host->c_str(), &info) != 0 ? ERROR_FILE_NOT_FOUND : ERROR_BAD_EXE_FORMAT);
        return FALSE;
    }
    std::vector<std::string> argv{*host};
    for (size_t i = 1; i < arguments.size(); ++i) argv.push_back(platform::Utf16ToUtf8(arguments[i]));

    std::vector<std::string> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        std::string item = *entry;
        if (item.rfind("WEBINSTALLER_MACHINE_ROOT=", 0) == 0 || item.rfind("WEBINSTALLER_MACHINE_ELEVATED=", 0) == 0)
            continue;
        environment.push_back(item);
    }
    environment.push_back("WEBINSTALLER_MACHINE_ROOT=" + platform::Machine::Current().Root());
    if (elevated) environment.push_back("WEBINSTALLER_MACHINE_ELEVATED=1");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (directory != nullptr && *directory != L'\0') {
        std::optional<std::string> folder = platform::ToHostPath(directory);
        struct stat info {};
        if (!folder || ::stat(folder->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            posix_spawn_file_actions_destroy(&actions);
            SetLastError(ERROR_DIRECTORY_NAME_INVALID);
            return FALSE;
        }
        posix_spawn_file_actions_addchdir_np(&actions, folder->c_str());
    }
    for (int stream = 0; standardStreams != nullptr && stream < 3; ++stream) {
        if (standardStreams[stream] >= 0) posix_spawn_file_actions_adddup2(&actions, standardStreams[stream], stream);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argPointers, envPointers;
    for (std::string& item : argv) argPointers.push_back(item.data());
    argPointers.push_back(nullptr);
    for (std::string& item : environment) envPointers.push_back(item.data());
    envPointers.push_back(nullptr);

    pid_t pid = 0;
    int error = ::posix_spawn(&pid, host->c_str(), &actions, &attributes, argPointers.data(), envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        SetLastError(ErrorOfSpawn(error));
        return FALSE;
    }
    auto state = std::make_shared<ProcessState>();
    state->pid = pid;
    state->child = true;
    state->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    {
        std::lock_guard<std::mutex> guard(g_childrenLock);
        if (g_children == nullptr) g_children = new std::map<pid_t, std::weak_ptr<ProcessState>>();
        (*g_children)[pid] = state;
    }
    PROCESS_INFORMATION result{};
    result.hProcess = platform::RegisterHandle(std::make_shared<ProcessObject>(state));
    result.hThread = platform::RegisterHandle(std::make_shared<ThreadObject>(state));
    result.dwProcessId = static_cast<DWORD>(pid);
    result.dwThreadId = static_cast<DWORD>(pid);
    if (information != nullptr) {
        *information = result;
    } else {
        CloseHandle(result.hProcess);
        CloseHandle(result.hThread);
    }
    return TRUE;
}

class SnapshotObject : public platform::KernelObject {
public:
    std::vector<PROCESSENTRY32W> entries;
    size_t next = 0;
};

BOOL NextEntry(HANDLE snapshot, LPPROCESSENTRY32W entry, bool first) {
    std::shared_ptr<SnapshotObject> object = platform::LookupHandle<SnapshotObject>(snapshot);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (entry == nullptr || entry->dwSize < sizeof(PROCESSENTRY32W)) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    if (first) object->next = 0;
    if (object->next >= object->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *entry = object->entries[object->next++];
    return TRUE;
}

std::mutex g_elevationLock;

// The elevation prompt of "runas": true when the user accepts.
bool AskElevation(const std::wstring& file) {
    std::lock_guard<std::mutex> guard(g_elevationLock);
    platform::MachineProfile& profile = platform::Machine::Current().Profile();
    bool accept = profile.elevationDeclines <= 0;
    if (!accept) --profile.elevationDeclines;
    platform::RecordMachineEvent(std::string("Elevation ") + (accept ? "accepted: " : "declined: ") +
                                 platform::Utf16ToUtf8(file));
    return accept;
}

// Web pages are recorded only, unless WEBINSTALLER_OPEN_PAGES=1 asks for
// them to be opened on the desktop as well.
bool OpenPagesAsked() {
    const char* asked = std::getenv("WEBINSTALLER_OPEN_PAGES");
    return asked != nullptr && std::strcmp(asked, "1") == 0;
}

// Hands an http or https address to xdg-open. The address is an argument of
// its own, never part of a command text, and a shell in between starts the
// opener in the background and ends at once: a browser that stays open is
// never a child the program has to wait for.
void OpenOnDesktop(const std::string& url) {
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) return;
    std::vector<std::string> argv{"sh", "-c", "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &", "sh", url};
    std::vector<char*> pointers;
    for (std::string& item : argv) pointers.push_back(item.data());
    pointers.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "sh", nullptr, nullptr, pointers.data(), environ) != 0) return;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// The shell start shared by ShellExecuteW and ShellExecuteExW. Returns the
// instance value (above 32 on success); `process` receives the process handle.
int ShellStart(LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, HANDLE* process) {
    if (process != nullptr) *process = nullptr;
    if (file == nullptr || *file == L'\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return SE_ERR_FNF;
    }
    std::wstring verbText = verb != nullptr ? verb : L"";
    bool runas = platform::NamesEqualNoCase(verbText, L"runas");
    std::wstring target = file;
    if (target.find(L"://") != std::wstring::npos) {
        platform::RecordMachineEvent("ShellExecute " + platform::Utf16ToUtf8(verbText.empty() ? L"open" : verbText) +
                                     " " + platform::Utf16ToUtf8(target));
        if (OpenPagesAsked()) OpenOnDesktop(platform::Utf16ToUtf8(target));
        return 42;
    }
    std::optional<std::string> host = ProgramHostPath(target);
    struct stat info {};
    if (!host || ::stat(host->c_str(), &info) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return SE_ERR_FNF;
    }
    // An elevated process is not asked again.
    if (runas && !platform::Machine::Current().Profile().elevated && !AskElevation(target)) {
        SetLastError(ERROR_CANCELLED);
        return SE_ERR_ACCESSDENIED;
    }
    if (!IsProgram(*host)) {
        platform::RecordMachineEvent("ShellExecute " + platform::Utf16ToUtf8(verbText.empty() ? L"open" : verbText) +
                                     " " + platform::Utf16ToUtf8(target));
        return 42;
    }
    std::wstring commandLine = L"\"" + target + L"\"";
    if (parameters != nullptr && *parameters != L'\0') commandLine += L" " + std::wstring(parameters);
    bool elevated = runas || platform::Machine::Current().Profile().elevated;
    PROCESS_INFORMATION information{};
    if (!Spawn(target, commandLine, directory, elevated, &information)) {
        DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED    ? SE_ERR_ACCESSDENIED
               : error == ERROR_FILE_NOT_FOUND ? SE_ERR_FNF
                                               : SE_ERR_NOASSOC;
    }
    CloseHandle(information.hThread);
    if (process != nullptr) *process = information.hProcess;
    else CloseHandle(information.hProcess);
    return 42;
}

}  // namespace

namespace platform {

bool IsOwnDescendant(DWORD processId) {
    pid_t self = ::getpid();
    pid_t current = static_cast<pid_t>(processId);
    for (int depth = 0; depth < 128 && current > 1; ++depth) {
        if (current == self) return true;
        pid_t parent = 0;
        if (!ReadParent(current, parent)) return false;
        current = parent;
    }
    return false;
}

}  // namespace platform

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL inheritHandles, DWORD, LPVOID, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
    if (applicationName == nullptr && commandLine == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int streams[3] = {-1, -1, -1};
    if (inheritHandles && startupInfo != nullptr && (startupInfo->dwFlags & STARTF_USESTDHANDLES) != 0) {
        const HANDLE handles[3] = {startupInfo->hStdInput, startupInfo->hStdOutput, startupInfo->hStdError};
        for (int stream = 0; stream < 3; ++stream) {
            if (handles[stream] == nullptr || handles[stream] == INVALID_HANDLE_VALUE) continue;
            streams[stream] = platform::HostDescriptorOfHandle(handles[stream]);
            if (streams[stream] < 0) {
                SetLastError(ERROR_INVALID_HANDLE);
                return FALSE;
            }
        }
    }
    return Spawn(applicationName != nullptr ? applicationName : L"", commandLine != nullptr ? commandLine : L"",
                 currentDirectory, platform::Machine::Current().Profile().elevated, processInformation, streams);
}

BOOL CreateProcessWithTokenW(HANDLE token, DWORD, LPCWSTR applicationName, LPWSTR commandLine, DWORD, LPVOID,
                             LPCWSTR currentDirectory, LPSTARTUPINFOW, LPPROCESS_INFORMATION processInformation) {
    bool elevated = false;
    if (!platform::TokenElevation(token, elevated)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (applicationName == nullptr && commandLine == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return Spawn(applicationName != nullptr ? applicationName : L"", commandLine != nullptr ? commandLine : L"",
                 currentDirectory, elevated, processInformation);
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    if (exitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (process == kCurrentProcess) {
        *exitCode = STILL_ACTIVE;
        return TRUE;
    }
    std::shared_ptr<ProcessState> state = StateOf(process);
    if (!state) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    bool exited = state->Poll();
    std::lock_guard<std::mutex> guard(state->lock);
    *exitCode = exited ? state->exitCode : STILL_ACTIVE;
    return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
    std::shared_ptr<ProcessState> state = StateOf(process);
    if (!state) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Only our own descendants, or programs installed on the machine's drives
    // (a product the user started); never anything else of the host. The
    // checks read /proc by pid: the pidfd must still be alive afterwards, so
    // that the pid was not handed to another process in between.
    if (state->pidfd < 0 || state->Poll() || state->pid == ::getpid() ||
        !(platform::IsOwnDescendant(static_cast<DWORD>(state->pid)) || RunsFromMachineDrive(state->pid)) ||
        state->Poll()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> guard(state->lock);
        state->terminateCode = exitCode;
    }
    if (::syscall(SYS_pidfd_send_signal, state->pidfd, SIGKILL, nullptr, 0) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

HANDLE OpenProcess(DWORD, BOOL, DWORD processId) {
    pid_t pid = static_cast<pid_t>(processId);
    struct stat info {};
    if (pid <= 0 || ::stat(("/proc/" + std::to_string(pid)).c_str(), &info) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!OwnedByUser(pid)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return platform::RegisterHandle(std::make_shared<ProcessObject>(StateForPid(pid)));
}

HANDLE GetCurrentProcess() { return kCurrentProcess; }

DWORD GetProcessId(HANDLE process) {
    if (process == kCurrentProcess) return static_cast<DWORD>(::getpid());
    std::shared_ptr<ProcessState> state = StateOf(process);
    if (!state) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(state->pid);
}

DWORD GetModuleFileNameExW(HANDLE process, HMODULE, LPWSTR fileName, DWORD size) {
    pid_t pid = process == kCurrentProcess ? ::getpid() : 0;
    if (pid == 0) {
        std::shared_ptr<ProcessState> state = StateOf(process);
        if (!state) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        pid = state->pid;
    }
    if (fileName == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::string host = ImageHostPath(pid);
    if (host.empty()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    std::wstring path = platform::FromHostPath(host);
    size_t length = std::min<size_t>(path.size(), size - 1);
    std::wmemcpy(fileName, path.c_str(), length);
    fileName[length] = L'\0';
    return static_cast<DWORD>(length);
}

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
    if ((flags & TH32CS_SNAPPROCESS) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto snapshot = std::make_shared<SnapshotObject>();
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    while (dirent* item = ::readdir(proc)) {
        char* end = nullptr;
        long pid = std::strtol(item->d_name, &end, 10);
        if (end == item->d_name || *end != '\0' || pid <= 0) continue;
        if (!OwnedByUser(static_cast<pid_t>(pid))) continue;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        entry.th32ProcessID = static_cast<DWORD>(pid);
        pid_t parent = 0;
        if (ReadParent(static_cast<pid_t>(pid), parent)) entry.th32ParentProcessID = static_cast<DWORD>(parent);
        entry.cntThreads = 1;
        std::wstring name = ImageName(static_cast<pid_t>(pid));
        size_t length = std::min<size_t>(name.size(), MAX_PATH - 1);
        std::wmemcpy(entry.szExeFile, name.c_str(), length);
        entry.szExeFile[length] = L'\0';
        snapshot->entries.push_back(entry);
    }
    ::closedir(proc);
    return platform::RegisterHandle(snapshot);
}

BOOL Process32FirstW(HANDLE snapshot, LPPROCESSENTRY32W entry) { return NextEntry(snapshot, entry, true); }
BOOL Process32NextW(HANDLE snapshot, LPPROCESSENTRY32W entry) { return NextEntry(snapshot, entry, false); }

BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW info) {
    if (info == nullptr || (info->cbSize != sizeof(SHELLEXECUTEINFOW) && info->cbSize != 60)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool keepProcess = (info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0;
    HANDLE process = nullptr;
    int instance =
        ShellStart(info->lpVerb, info->lpFile, info->lpParameters, info->lpDirectory, keepProcess ? &process : nullptr);
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(instance));
    info->hProcess = process;
    return instance > 32 ? TRUE : FALSE;
}

HINSTANCE ShellExecuteW(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT) {
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(ShellStart(verb, file, parameters, directory, nullptr)));
}
