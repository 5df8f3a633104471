#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/HostPaths.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

TEST(CommandLineTest, SplitsByTheRuntimeRules) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> arguments;
    } cases[] = {
        {L"prog a b", {L"prog", L"a", L"b"}},
        {L"\"C:\\Program Files\\p.exe\" x", {L"C:\\Program Files\\p.exe", L"x"}},
        {L"p \"a b\"  c\t d", {L"p", L"a b", L"c", L"d"}},
        {L"p a\\\\b \\\"q\\\"", {L"p", L"a\\\\b", L"\"q\""}},
        {L"p \"a\\\\\" b", {L"p", L"a\\", L"b"}},
        {L"p \"x\"\"y\"", {L"p", L"x\"y"}},
        {L"p \"\"", {L"p", L""}},
        {L"C:\\dir\\p.exe \"C:\\path\\\\\"", {L"C:\\dir\\p.exe", L"C:\\path\\"}},
        {L"p /install_path\"C:\\A B\"", {L"p", L"/install_pathC:\\A B"}},
        {L" --installmode", {L"", L"--installmode"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.arguments, platform::SplitCommandLine(c.line));
    }
}

TEST(CommandLineTest, QuotingRoundTrips) {
    std::vector<std::wstring> arguments = {L"C:\\Program Files\\p.exe",
                                           L"plain",
                                           L"with space",
                                           L"quote\"inside",
                                           L"trailing\\",
                                           L"both \\\"",
                                           L"",
                                           L"tab\there",
                                           L"C:\\dir\\"};
    std::wstring line = platform::JoinCommandLine(arguments);
    EXPECT_EQ(arguments, platform::SplitCommandLine(line));
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(nullptr, argv);
    ASSERT_EQ(static_cast<int>(arguments.size()), count);
    for (int i = 0; i < count; ++i) EXPECT_EQ(arguments[i], argv[i]);
    LocalFree(argv);
}

class ProcessTest : public testsupport::MachineTest {
protected:
    std::wstring child = platform::FromHostPath(PLATFORM_TEST_CHILD);

    HANDLE Start(const std::wstring& arguments, DWORD* pid = nullptr) {
        std::wstring command = L"\"" + child + L"\" " + arguments;
        PROCESS_INFORMATION info{};
        EXPECT_TRUE(
            CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
        CloseHandle(info.hThread);
        if (pid != nullptr) *pid = info.dwProcessId;
        return info.hProcess;
    }
    // Runs `program` with "orphan": it starts a sleeper that outlives it (so is
    // no child of ours) and ends; the sleeper's pid, or 0.
    DWORD StartOrphan(const std::wstring& program, int milliseconds) {
        std::string out = Host(L"C:\\orphan.txt");
        std::wstring command =
            L"\"" + program + L"\" orphan \"" + platform::Utf8ToUtf16(out) + L"\" " + std::to_wstring(milliseconds);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info))
            return 0;
        bool ended = WaitForSingleObject(info.hProcess, 10000) == WAIT_OBJECT_0 && ExitCode(info.hProcess) == 0;
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
        return ended ? static_cast<DWORD>(std::strtoul(ReadHostFile(out).c_str(), nullptr, 10)) : 0;
    }
    static DWORD ExitCode(HANDLE process) {
        DWORD code = 0xDEAD;
        EXPECT_TRUE(GetExitCodeProcess(process, &code));
        return code;
    }
};

TEST_F(ProcessTest, RunasArgumentsArriveExactlyAfterDeclinedPrompts) {
    machine.profile().elevationDeclines = 2;
    std::string out = Host(L"C:\\args.txt");
    std::wstring parameters =
        L"args \"" + platform::Utf8ToUtf16(out) +
        L"\" plain \"with space\" \"quote\\\"inside\" \"C:\\dir\\\\\" a\\\\b /install_path\"C:\\A B\"";
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"runas";
    info.lpFile = child.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_FALSE(ShellExecuteExW(&info));
        EXPECT_EQ(ERROR_CANCELLED, GetLastError());
        EXPECT_EQ(nullptr, info.hProcess);
    }
    ASSERT_TRUE(ShellExecuteExW(&info));
    EXPECT_GT(reinterpret_cast<INT_PTR>(info.hInstApp), 32);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 10000));
    EXPECT_EQ(0u, ExitCode(info.hProcess));
    CloseHandle(info.hProcess);
    EXPECT_EQ("elevated=1\nplain\nwith space\nquote\"inside\nC:\\dir\\\na\\\\b\n/install_pathC:\\A B\n",
              ReadHostFile(out));
    std::vector<std::string> events = platform::MachineEvents();
    ASSERT_EQ(3u, events.size());
    EXPECT_EQ(0u, events[0].rfind("Elevation declined", 0));
    EXPECT_EQ(0u, events[2].rfind("Elevation accepted", 0));

    // An elevated process is not asked at all.
    machine.profile().elevated = true;
    machine.profile().elevationDeclines = 5;
    info.lpParameters = L"exit 0";
    ASSERT_TRUE(ShellExecuteExW(&info));
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hProcess);
    EXPECT_EQ(5, machine.profile().elevationDeclines);
}

TEST_F(ProcessTest, ShellExecuteOpenRunsUnelevatedAndRecordsDocuments) {
    std::string out = Host(L"C:\\open.txt");
    std::wstring parameters = L"args \"" + platform::Utf8ToUtf16(out) + L"\" one";
    HINSTANCE result = ShellExecuteW(nullptr, L"open", child.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
    EXPECT_GT(reinterpret_cast<INT_PTR>(result), 32);
    for (int i = 0; i < 500 && ReadHostFile(out).find("one\n") == std::string::npos; ++i) Sleep(10);
    EXPECT_EQ("elevated=0\none\n", ReadHostFile(out));

    EXPECT_GT(reinterpret_cast<INT_PTR>(
                  ShellExecuteW(nullptr, L"open", L"https://example.invalid/finish", nullptr, nullptr, SW_SHOWNORMAL)),
              32);
    EXPECT_EQ(SE_ERR_FNF, static_cast<int>(reinterpret_cast<INT_PTR>(
                              ShellExecuteW(nullptr, L"open", L"C:\\missing.exe", nullptr, nullptr, SW_SHOWNORMAL))));
    std::vector<std::string> events = platform::MachineEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ("ShellExecute open https://example.invalid/finish", events.back());
}

TEST_F(ProcessTest, WebPagesGoToTheDesktopOpenerOnlyWhenAsked) {
    // A stand-in opener first on PATH writes down every address it is given.
    const std::string folder = Host(L"C:\\opener");
    std::filesystem::create_directories(folder);
    const std::string opened = folder + "/opened.txt";
    {
        std::ofstream script(folder + "/xdg-open");
        script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << opened << "'\n";
    }
    std::filesystem::permissions(folder + "/xdg-open", std::filesystem::perms::owner_all);
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (folder + ":" + path).c_str(), 1);
    // Characters a shell would act on stay part of the one address.
    const std::wstring page =
        L"https://example.invalid/finish?a=1&b=$(touch " + platform::Utf8ToUtf16(folder) + L"/x)&c='`id`\"; true";
    const struct {
        const char* asked;  // WEBINSTALLER_OPEN_PAGES, null: unset
        const wchar_t* url;
    } notOpened[] = {
        {nullptr, page.c_str()},
        {"0", page.c_str()},
        {"1", L"file:///etc/passwd"},
    };
    for (const auto& c : notOpened) {
        if (c.asked != nullptr) setenv("WEBINSTALLER_OPEN_PAGES", c.asked, 1);
        else unsetenv("WEBINSTALLER_OPEN_PAGES");
        EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", c.url, nullptr, nullptr, SW_SHOW)), 32);
        EXPECT_EQ(platform::MachineEvents().back(), "ShellExecute open " + platform::Utf16ToUtf8(c.url));
    }
    setenv("WEBINSTALLER_OPEN_PAGES", "1", 1);
    EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", page.c_str(), nullptr, nullptr, SW_SHOW)), 32);
    EXPECT_EQ(platform::MachineEvents().back(), "ShellExecute open " + platform::Utf16ToUtf8(page));
    for (int i = 0; i < 500 && ReadHostFile(opened).empty(); ++i) Sleep(10);
    Sleep(200);  // an opener started by a case before would have written by now
    // Only the asked-for web page was handed over, as it stands.
    EXPECT_EQ(ReadHostFile(opened), platform::Utf16ToUtf8(page) + "\n");
    EXPECT_FALSE(std::filesystem::exists(folder + "/x"));
    unsetenv("WEBINSTALLER_OPEN_PAGES");
    setenv("PATH", path.c_str(), 1);
}

TEST_F(ProcessTest, ExitCodesWaitsAndTermination) {
    HANDLE exits = Start(L"exit 7");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(exits, 10000));
    EXPECT_EQ(7u, ExitCode(exits));
    EXPECT_FALSE(TerminateProcess(exits, 1)) << "an ended process cannot be ended again";
    CloseHandle(exits);

    DWORD pid = 0;
    HANDLE sleeper = Start(L"sleep 20000", &pid);
    EXPECT_EQ(STILL_ACTIVE, ExitCode(sleeper));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(sleeper, 30));

    // Enumeration finds it with its image path; a second handle can end it.
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, snapshot);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == pid) found = std::wstring(entry.szExeFile) == L"platform_test_child";
    CloseHandle(snapshot);
    EXPECT_TRUE(found);
    HANDLE opened = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    ASSERT_NE(nullptr, opened);
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameExW(opened, nullptr, path, MAX_PATH), 0u);
    EXPECT_EQ(child, path);
    ASSERT_TRUE(TerminateProcess(opened, 3));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sleeper, 10000));
    EXPECT_EQ(3u, ExitCode(sleeper));
    EXPECT_EQ(3u, ExitCode(opened));
    CloseHandle(opened);
    CloseHandle(sleeper);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(sleeper, 0));
}

// Processes end and are reaped while a snapshot reads their /proc entries:
// the snapshot leaves out what vanished, still lists this process, and
// never throws.
TEST_F(ProcessTest, SnapshotWhileProcessesComeAndGo) {
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        while (!stop.load()) {
            HANDLE process = Start(L"exit 0");
            if (process == nullptr) break;
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    });
    const DWORD self = GetCurrentProcessId();
    int snapshots = 0, thrown = 0, withoutSelf = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < until) {
        try {
            HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            if (snapshot == INVALID_HANDLE_VALUE) continue;
            PROCESSENTRY32W entry{};
            entry.dwSize = sizeof entry;
            bool sawSelf = false;
            for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
                sawSelf = sawSelf || entry.th32ProcessID == self;
            CloseHandle(snapshot);
            ++snapshots;
            if (!sawSelf) ++withoutSelf;
        } catch (...) {
            ++thrown;
        }
    }
    stop = true;
    churn.join();
    EXPECT_EQ(0, thrown);
    EXPECT_GT(snapshots, 0);
    EXPECT_EQ(0, withoutSelf);
}

TEST_F(ProcessTest, ProcessesOutsideOurTreeAreNeverEnded) {
    DWORD orphan = StartOrphan(child, 600);
    ASSERT_NE(0u, orphan);
    EXPECT_FALSE(platform::IsOwnDescendant(orphan));
    HANDLE handle = OpenProcess(PROCESS_TERMINATE, FALSE, orphan);
    ASSERT_NE(nullptr, handle);
    EXPECT_FALSE(TerminateProcess(handle, 1));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_EQ(STILL_ACTIVE, ExitCode(handle));
    CloseHandle(handle);

    EXPECT_EQ(nullptr, OpenProcess(PROCESS_TERMINATE, FALSE, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

// A product the user started from its install folder is no child of ours,
// yet the setup application must be able to end it.
TEST_F(ProcessTest, ProgramsInstalledOnTheMachineCanBeEnded) {
    std::string installed = Host(L"C:\\Program Files\\Product\\app.exe");
    std::filesystem::create_directories(std::filesystem::path(installed).parent_path());
    std::filesystem::copy_file(PLATFORM_TEST_CHILD, installed);
    DWORD product = StartOrphan(L"C:\\Program Files\\Product\\app.exe", 20000);
    ASSERT_NE(0u, product);
    EXPECT_FALSE(platform::IsOwnDescendant(product));
    HANDLE handle = OpenProcess(PROCESS_TERMINATE, FALSE, product);
    ASSERT_NE(nullptr, handle);
    EXPECT_TRUE(TerminateProcess(handle, 5));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handle, 10000));
    CloseHandle(handle);
}

// A handle names one process: once that process is gone, a newcomer that got
// the same pid must not be ended through it.
TEST_F(ProcessTest, HandleNeverReachesAProcessThatReusedThePid) {
    pid_t old = static_cast<pid_t>(StartOrphan(child, 20000));
    ASSERT_GT(old, 1);
    // The newcomer below is our own child, which TerminateProcess allows: only
    // the handle's hold on the ended process keeps it out of reach.
    HANDLE handle = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(old));
    ASSERT_NE(nullptr, handle);
    ::kill(old, SIGKILL);
    struct stat info {};
    for (int i = 0; i < 500 && ::stat(("/proc/" + std::to_string(old)).c_str(), &info) == 0; ++i) Sleep(10);
    if (::stat(("/proc/" + std::to_string(old)).c_str(), &info) == 0) GTEST_SKIP() << "the ended orphan is not reaped";
    std::ofstream last("/proc/sys/kernel/ns_last_pid");
    last << (old - 1) << std::flush;
    if (!last) GTEST_SKIP() << "the next pid cannot be chosen here";
    last.close();
    DWORD reused = 0;
    HANDLE newcomer = Start(L"sleep 20000", &reused);
    if (reused != static_cast<DWORD>(old)) {
        TerminateProcess(newcomer, 1);
        CloseHandle(newcomer);
        CloseHandle(handle);
        GTEST_SKIP() << "another process took the pid first";
    }
    EXPECT_FALSE(TerminateProcess(handle, 1));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handle, 0)) << "the handle's process has ended";
    EXPECT_EQ(STILL_ACTIVE, ExitCode(newcomer));
    EXPECT_TRUE(TerminateProcess(newcomer, 1));
    CloseHandle(newcomer);
    CloseHandle(handle);
}

TEST_F(ProcessTest, ChildSeesTheCommandLineItWasGiven) {
    std::string out = Host(L"C:\\cmdline.txt");
    std::vector<std::wstring> arguments = {child, L"cmdline", platform::Utf8ToUtf16(out), L"a b", L"c\"d", L"e\\"};
    std::wstring rest;
    for (size_t i = 1; i < arguments.size(); ++i) rest += (i > 1 ? L" " : L"") + platform::QuoteArgument(arguments[i]);
    HANDLE process = Start(rest);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
    CloseHandle(process);
    EXPECT_EQ(arguments, platform::SplitCommandLine(platform::Utf8ToUtf16(ReadHostFile(out))));
}

TEST_F(ProcessTest, MissingProgramsAndFoldersFail) {
    std::wstring command = L"C:\\nowhere\\missing.exe";
    PROCESS_INFORMATION info{};
    EXPECT_FALSE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    std::wstring valid = L"\"" + child + L"\" exit 0";
    EXPECT_FALSE(CreateProcessW(nullptr, valid.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\no-such-folder",
                                nullptr, &info));
    EXPECT_EQ(ERROR_DIRECTORY_NAME_INVALID, GetLastError());
}

}  // namespace
