#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <thread>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/TraceLogger.h"

namespace {

std::vector<std::string> g_hooked;
void Hook(const char* line) { g_hooked.push_back(line); }

// Leaves the process-wide trace state as the program starts with it.
class TraceTest : public testsupport::MachineTest {
protected:
    void SetUp() override { g_hooked.clear(); }
    void TearDown() override {
        SetTraceEnabled(0);
        SetTraceOutputHook(nullptr);
        SetTraceCapture(false, nullptr);
        GetTraceLogger()->SetStampFlag(false);
        GetTraceLogger()->SetThreadFlag(false);
        platform::SetDebugOutputCapture(nullptr);
    }
};

TEST_F(TraceTest, StaysSilentUntilSwitchedOn) {
    std::string debugger;
    platform::SetDebugOutputCapture(&debugger);
    TraceLog("failed to call %s\n", "GetAdaptersInfo");
    TraceStamp("text\n");
    EXPECT_EQ(debugger, "");

    SetTraceEnabled(1);
    TraceLog("failed to call %s\n", "GetAdaptersInfo");
    EXPECT_EQ(debugger, "failed to call GetAdaptersInfo\n");  // mode 0: the debugger
}

TEST_F(TraceTest, StampsLinesAsTheFlagsSay) {
    SetTraceEnabled(1);
    SetTraceOutputHook(Hook);
    TraceLogger* logger = GetTraceLogger();
    TraceStamp("plain\n");
    logger->SetStampFlag(true);
    TraceStamp("stamped\n");
    logger->SetThreadFlag(true);
    TraceLog("%d threads\n", 2);
    ASSERT_EQ(g_hooked.size(), 3u);
    EXPECT_EQ(g_hooked[0], "plain\n");
    EXPECT_TRUE(std::regex_match(g_hooked[1], std::regex(R"(\d{4}\.\d\d\.\d\d-\d\d:\d\d:\d\d: stamped\n)")))
        << g_hooked[1];
    EXPECT_TRUE(std::regex_match(g_hooked[2], std::regex(R"(\d{4}\.\d\d\.\d\d-\d\d:\d\d:\d\d \()" +
                                                         std::to_string(GetCurrentThreadId()) + R"(\): 2 threads\n)")))
        << g_hooked[2];
}

TEST_F(TraceTest, CutsOverlongLinesToTheirBuffers) {
    SetTraceEnabled(1);
    SetTraceOutputHook(Hook);
    const std::string huge(3 * kTraceLineLimit, 'x');
    TraceLog("%s", huge.c_str());
    TraceStamp(huge.c_str());
    GetTraceLogger()->SetStampFlag(true);
    TraceStamp(huge.c_str());
    ASSERT_EQ(g_hooked.size(), 3u);
    for (const std::string& line : g_hooked) EXPECT_EQ(line.size(), kTraceLineLimit - 1);

    char capture[kTraceCaptureLimit] = {};
    SetTraceCapture(true, capture);
    TraceLogger logger;
    logger.SetStampFlag(true);
    logger.SetThreadFlag(true);
    std::string debugger;
    platform::SetDebugOutputCapture(&debugger);
    logger.Printf("%s", huge.c_str());
    EXPECT_TRUE(std::regex_match(debugger.substr(0, 40), std::regex(R"( \dm \d\d\.\d\ds \(\d+\): x+)")))
        << debugger.substr(0, 40);
    EXPECT_LT(debugger.size(), kTracePrintfLimit + 64);
}

TEST_F(TraceTest, WritesFilesOnlyWithAName) {
    TraceLogger logger;
    logger.SetOutputMode(TraceLogger::OutputFile);
    char capture[kTraceCaptureLimit] = {};
    SetTraceCapture(true, capture);
    logger.Output("lost\n");  // no file name: nothing written, the mutex is released
    EXPECT_STREQ(capture, "");

    const std::string name = std::string(300, 'n');
    logger.SetFileName(name.c_str());
    EXPECT_EQ(std::string(logger.FileName()), std::string(259, 'n'));

    logger.SetFileName("C:\\Users\\User\\Documents\\trace.txt");
    logger.Output("one\n");
    logger.Output("two\n");
    EXPECT_EQ(ReadHostFile(Host(L"C:\\Users\\User\\Documents\\trace.txt")), "one\r\ntwo\r\n");
    EXPECT_STREQ(capture, "one\ntwo\n");
}

TEST_F(TraceTest, CaptureStopsBelowItsLimit) {
    std::vector<char> capture(kTraceCaptureLimit + 16, '#');
    SetTraceCapture(true, capture.data());
    TraceLogger logger;
    std::string debugger;
    platform::SetDebugOutputCapture(&debugger);
    const std::string line(999, 'y');  // with its NUL, 1,000 bytes
    for (int i = 0; i < 120; ++i) logger.Output(line.c_str());
    size_t used = std::strlen(capture.data());
    EXPECT_EQ(used, 102 * line.size());  // the 103rd line would reach 102,400
    for (size_t i = kTraceCaptureLimit; i < capture.size(); ++i) ASSERT_EQ(capture[i], '#');
    EXPECT_EQ(debugger.size(), 120 * line.size()) << "the target still gets every line";

    SetTraceCapture(false, capture.data());
    logger.Output("after\n");
    EXPECT_EQ(std::strlen(capture.data()), used);
}

TEST_F(TraceTest, ConsoleModeWritesToTheDiagnosticConsole) {
    testing::internal::CaptureStderr();
    {
        TraceLogger logger;
        logger.SetOutputMode(TraceLogger::OutputConsole);
        char title[64] = {};
        EXPECT_GT(GetConsoleTitleA(title, sizeof(title)), 0u);
        EXPECT_STREQ(title, "Debug - Diagnostic Console");
        logger.Output("to the console\n");
        OpenDiagnosticConsole();  // a second open changes nothing
        logger.Output("again\n");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to the console\nagain\n");
    EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), nullptr) << "the logger closed the console";
    EXPECT_EQ(WriteDiagnosticConsole("nowhere"), 0);
}

TEST_F(TraceTest, SerialisesOutputAcrossThreads) {
    char capture[kTraceCaptureLimit] = {};
    SetTraceCapture(true, capture);
    TraceLogger logger;
    std::string debugger;
    platform::SetDebugOutputCapture(&debugger);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&logger] {
            for (int i = 0; i < 200; ++i) logger.Output("0123456789\n");
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(std::strlen(capture), 800u * 11);
    EXPECT_EQ(std::string(capture).find("0123456789\n0123456789\n"), 0u);
}

}  // namespace
