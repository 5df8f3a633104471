// The launchers start real child processes, wait for them, end them on their
// timeout and capture their output.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/Win32.h"
#include "platform/base/HostPaths.h"
#include "tests/support/MachineFixture.h"
#include "util/ProgramLaunch.h"

namespace {

class ProgramLaunchTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        // The child under a folder with a blank and one with a non-ASCII name.
        ASSERT_TRUE(CreateDirectoryW(L"C:\\Program Files\\Tools", nullptr));
        ASSERT_TRUE(CreateDirectoryW(L"C:\\\u00e9t\u00e9", nullptr));
        for (const wchar_t* target : {L"C:\\Program Files\\Tools\\child.exe", L"C:\\\u00e9t\u00e9\\child.exe"}) {
            ASSERT_TRUE(CopyFileW(platform::FromHostPath(UTIL_TEST_CHILD).c_str(), target, FALSE));
        }
    }
    static constexpr const char* kChild = "C:/Program Files/Tools/child.exe";
    static constexpr const char* kUtf8Child = "C:/\xC3\xA9t\xC3\xA9/child.exe";
};

TEST_F(ProgramLaunchTest, WaitingLaunchersGiveTheExitCodeOrEndTheChild) {
    struct Case {
        const char* name;
        int (*run)(const char*, const char*, int, DWORD, DWORD*);
        const char* file;
        const char* parameters;
        DWORD timeoutMs;
        int result;
        DWORD exitCode;  // 1234: left as it was
    } cases[] = {
        {"ansi", RunProgramAndWait, kChild, "print hello 7", 20000, 1, 7},
        {"utf8", RunProgramAndWaitUtf8, kUtf8Child, "print \xC3\xA9 9", 20000, 1, 9},
        {"elevated", RunProgramElevatedAndWaitUtf8, kUtf8Child, "print x 4", 20000, 1, 4},
        {"timeout", RunProgramAndWait, kChild, "sleep 20000", 300, 0, 1234},
        {"missing", RunProgramAndWait, "C:/none/child.exe", "", 1000, 0, 1234},
        {"bad utf8 file", RunProgramAndWaitUtf8, "C:/\xFF/child.exe", "", 1000, 0, 1234},
        {"bad utf8 parameters", RunProgramAndWaitUtf8, kUtf8Child, "print \xFF 1", 1000, 0, 1234},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD exitCode = 1234;
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(c.run(c.file, c.parameters, SW_HIDE, c.timeoutMs, &exitCode), c.result);
        EXPECT_EQ(exitCode, c.exitCode);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
    EXPECT_TRUE(RunProgram(kChild, "print started 0", SW_SHOWNORMAL));
    EXPECT_TRUE(RunProgramUtf8(kUtf8Child, "print started 0", SW_SHOWNORMAL));
    EXPECT_FALSE(RunProgramUtf8("C:/\xFF.exe", "", SW_SHOWNORMAL));
    EXPECT_FALSE(RunProgram("C:/none.exe", "", SW_SHOWNORMAL));
}

TEST_F(ProgramLaunchTest, ElevatedLauncherFailsWhenThePromptIsDeclined) {
    machine.profile().elevationDeclines = 1;
    DWORD exitCode = 1234;
    EXPECT_EQ(RunProgramElevatedAndWaitUtf8(kChild, "print x 5", SW_HIDE, 20000, &exitCode), 0);
    EXPECT_EQ(exitCode, 1234u);
    EXPECT_EQ(RunProgramElevatedAndWaitUtf8(kChild, "print x 5", SW_HIDE, 20000, &exitCode), 1);
    EXPECT_EQ(exitCode, 5u);
}

TEST_F(ProgramLaunchTest, CommandOutputGoesIntoTheFile) {
    DWORD exitCode = 1234;
    EXPECT_EQ(RunCommandToFile(kChild, "print captured 3", "C:/out.txt", 20000, &exitCode), 1);
    EXPECT_EQ(exitCode, 3u);
    EXPECT_EQ(ReadHostFile(Host(L"C:\\out.txt")), "captured\nerr\n");
    // A second run replaces the file.
    EXPECT_EQ(RunCommandToFile(kChild, "print again 0", "C:/out.txt", 20000, &exitCode), 1);
    EXPECT_EQ(ReadHostFile(Host(L"C:\\out.txt")), "again\nerr\n");
    EXPECT_EQ(RunCommandToFile(kChild, "sleep 20000", "C:/slow.txt", 300, &exitCode), 0);
    EXPECT_EQ(RunCommandToFile("C:/none.exe", nullptr, "C:/none.txt", 1000, &exitCode), 0);
    EXPECT_EQ(RunCommandToFile(kChild, "print x 0", "C:/missing/folder/out.txt", 1000, &exitCode), 0);

    char name[MAX_PATH] = "untouched";
    EXPECT_EQ(RunCommandCaptureUtf8(kUtf8Child, "print \xC3\xA9t\xC3\xA9 2", name, 20000, &exitCode), 1);
    EXPECT_EQ(exitCode, 2u);
    std::string captured = name;
    ASSERT_EQ(captured.rfind("C:\\Users\\User\\AppData\\Local\\Temp\\capture_", 0), 0u) << captured;
    EXPECT_EQ(ReadHostFile(Host(platform::Utf8ToUtf16(captured))), "\xC3\xA9t\xC3\xA9\nerr\n");
    char second[MAX_PATH] = "";
    EXPECT_EQ(RunCommandCaptureUtf8(kUtf8Child, "print b 0", second, 20000, &exitCode), 1);
    EXPECT_STRNE(second, name);  // every capture has a file of its own
    EXPECT_EQ(RunCommandCaptureUtf8("C:/\xFF.exe", "", name, 1000, &exitCode), 0);
    EXPECT_STREQ(name, "");
}

}  // namespace
