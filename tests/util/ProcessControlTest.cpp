#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/HostPaths.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/Log.h"
#include "util/ProcessControl.h"
#include "util/Restart.h"

namespace {

std::vector<std::string> g_lines;
int Collect(const char* text) {
    g_lines.emplace_back(text);
    return 0;
}

class ProcessControlTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        g_lines.clear();
        GetLog()->SetCallback(Collect);
        // A copy of the child with a name of this machine alone, so parallel tests never match it.
        std::string root = machine.machine().Root();
        exeName = L"Player-" + platform::Utf8ToUtf16(root.substr(root.rfind('/') + 1)) + L".exe";
        installed = L"C:\\Program Files\\Product\\" + exeName;
        CreateDirectoryW(L"C:\\Program Files\\Product", nullptr);
        ASSERT_TRUE(CopyFileW(platform::FromHostPath(PLATFORM_TEST_CHILD).c_str(), installed.c_str(), FALSE));
    }
    void TearDown() override { GetLog()->SetCallback(nullptr); }

    HANDLE Start(const std::wstring& program, const std::wstring& arguments) {
        std::wstring command = L"\"" + program + L"\" " + arguments;
        PROCESS_INFORMATION info{};
        EXPECT_TRUE(
            CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
        CloseHandle(info.hThread);
        return info.hProcess;
    }

    std::wstring exeName, installed;
};

TEST_F(ProcessControlTest, ElevatedRunPassesQuotedArgumentsAndReportsTheExitCode) {
    std::string out = Host(L"C:\\args.txt");
    std::wstring parameters = L"args \"" + platform::Utf8ToUtf16(out) +
                              L"\" \"C:\\Program Files\\App\" \"say \\\"hi\\\"\" back\\slash \"end\\\\\"";
    machine.profile().elevationDeclines = 1;
    EXPECT_FALSE(RunElevatedAndWait(installed.c_str(), parameters.c_str(), SW_HIDE));
    EXPECT_EQ(ERROR_CANCELLED, GetLastError());
    ASSERT_TRUE(RunElevatedAndWait(installed.c_str(), parameters.c_str(), SW_HIDE));
    EXPECT_EQ("elevated=1\nC:\\Program Files\\App\nsay \"hi\"\nback\\slash\nend\\\n", ReadHostFile(out));
    EXPECT_FALSE(RunElevatedAndWait(installed.c_str(), L"exit 3", SW_HIDE)) << "a non-zero exit code";
    EXPECT_FALSE(RunElevatedAndWait(L"C:\\missing.exe", L"", SW_HIDE));
}

TEST_F(ProcessControlTest, UnelevatedRunsFromBothKindsOfProcess) {
    for (bool elevated : {false, true}) {
        SCOPED_TRACE(elevated);
        machine.profile().elevated = elevated;
        EXPECT_EQ(elevated, IsAdministrator());
        std::string out = Host(elevated ? L"C:\\from-admin.txt" : L"C:\\from-user.txt");
        std::wstring parameters = L" args \"" + platform::Utf8ToUtf16(out) + L"\" --installmode";
        ASSERT_TRUE(RunProcessUnelevated(installed.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL));
        for (int i = 0; i < 500 && ReadHostFile(out).find("--installmode") == std::string::npos; ++i) Sleep(10);
        EXPECT_EQ("elevated=0\n--installmode\n", ReadHostFile(out));
    }
    machine.profile().elevated = false;
    machine.profile().osMajor = 5;
    EXPECT_FALSE(IsVistaOrLater());
    machine.profile().osMajor = 6;
    EXPECT_TRUE(IsVistaOrLater());
}

TEST_F(ProcessControlTest, KillProcessEndsEveryMatchingChild) {
    HANDLE first = Start(installed, L"sleep 20000");
    HANDLE second = Start(installed, L"sleep 20000");
    EXPECT_TRUE(IsProcessRunning(exeName.c_str(), nullptr));
    EXPECT_TRUE(IsProcessRunning(exeName.c_str(), L"\\Program Files\\Product"));
    EXPECT_FALSE(IsProcessRunning(exeName.c_str(), L"\\Other Folder"));
    DWORD pid = 0;
    EXPECT_TRUE(FindProcessId(exeName.c_str(), pid));
    // A fragment that matches none leaves them running.
    EXPECT_TRUE(KillProcess(exeName.c_str(), L"\\Other Folder"));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(first, 0));
    EXPECT_TRUE(KillProcess(exeName.c_str(), L"Program Files\\Product"));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first, 5000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second, 5000)) << "every instance, not only the first";
    CloseHandle(first);
    CloseHandle(second);
    EXPECT_FALSE(IsProcessRunning(exeName.c_str(), nullptr));
    EXPECT_TRUE(KillProcess(exeName.c_str(), nullptr)) << "nothing to end";
    EXPECT_FALSE(KillProcessByName(exeName.c_str()));
    EXPECT_TRUE(g_lines.empty());
}

// A product the user started is no child of ours but runs from the machine's
// drives: it is ended. The same program run from outside the machine (Z:) is
// not, and the refusal is logged.
TEST_F(ProcessControlTest, ProductsOutsideOurTreeAreEndedButNotHostPrograms) {
    std::string out = Host(L"C:\\orphan.txt");
    HANDLE parent = Start(installed, L"orphan \"" + platform::Utf8ToUtf16(out) + L"\" 20000");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(parent, 10000));
    CloseHandle(parent);
    EXPECT_TRUE(IsProcessRunning(exeName.c_str(), nullptr));
    EXPECT_TRUE(KillProcess(exeName.c_str(), nullptr));
    for (int i = 0; i < 500 && IsProcessRunning(exeName.c_str(), nullptr); ++i) Sleep(10);
    EXPECT_FALSE(IsProcessRunning(exeName.c_str(), nullptr));
    EXPECT_TRUE(g_lines.empty());

    std::string outside = machine.machine().Root() + "/outside";
    CreateDirectoryW(platform::FromHostPath(outside).c_str(), nullptr);
    std::wstring hostCopy = platform::FromHostPath(outside) + L"\\" + exeName;
    ASSERT_TRUE(CopyFileW(installed.c_str(), hostCopy.c_str(), FALSE));
    parent = Start(hostCopy, L"orphan \"" + platform::Utf8ToUtf16(out) + L"\" 600");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(parent, 10000));
    CloseHandle(parent);
    EXPECT_FALSE(KillProcess(exeName.c_str(), nullptr));
    ASSERT_EQ(1u, g_lines.size());
    EXPECT_EQ("Kill process error: 5 ,process name: " + platform::Utf16ToUtf8(exeName) + " \n", g_lines[0]);
    EXPECT_TRUE(IsProcessRunning(exeName.c_str(), nullptr));
}

TEST_F(ProcessControlTest, RestartIsRecordedWithItsLogLines) {
    machine.profile().shutdownPrivilegeHeld = false;
    RestartComputer();
    EXPECT_EQ(std::vector<std::string>({"Do Restart ...", "Get privilege fail !"}), g_lines);
    g_lines.clear();
    machine.profile().shutdownPrivilegeHeld = true;
    EXPECT_TRUE(AcquireShutdownPrivilege());
    RestartComputer();
    EXPECT_EQ(std::vector<std::string>({"Do Restart ..."}), g_lines);
    std::vector<std::string> events = platform::MachineEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ("ExitWindowsEx 6 0", events.back());
    EXPECT_FALSE(WriteCrashDump(nullptr, L"C:\\crash.dmp"));
    EXPECT_FALSE(PathFileExistsW(L"C:\\crash.dmp"));
}

TEST_F(ProcessControlTest, ElevatedStartAddsAdminForAnUnelevatedUser) {
    std::string out = Host(L"C:\\admin.txt");
    std::wstring parameters = L"args \"" + platform::Utf8ToUtf16(out) + L"\"";
    ASSERT_TRUE(RunProcessElevated(installed.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL));
    for (int i = 0; i < 500 && ReadHostFile(out).find("-Admin") == std::string::npos; ++i) Sleep(10);
    EXPECT_EQ("elevated=1\n-Admin\n", ReadHostFile(out));
    machine.profile().elevationDeclines = 1;
    EXPECT_FALSE(RunProcessElevated(installed.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL));
}

}  // namespace
