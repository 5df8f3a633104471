#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/Log.h"

namespace {

class LogTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ILog::Release(); }
    void TearDown() override { ILog::Release(); }

    const std::wstring path = L"C:\\Users\\User\\Documents\\Company\\Product\\Log\\install.log";
    std::string OnDisk() { return ReadHostFile(Host(path)); }
};

constexpr char kOpener[] = "\r\n\r\n----------------------------------------\r\n00:00:00 : Init Log OK.\r\n";

std::vector<std::string> g_received;
int Collect(const char* text) {
    g_received.emplace_back(text);
    return 0;
}

TEST_F(LogTest, InitCreatesTheFolderChainAndWritesTheOpenerInTextMode) {
    EXPECT_EQ(GetLog()->Init(path.c_str()), 1);
    EXPECT_EQ(OnDisk(), kOpener);
    EXPECT_EQ(std::string(kOpener).size(), 43u + 24u + 4u);  // four line feeds stored as CR LF
}

TEST_F(LogTest, EntriesGetTimeStampsAndLineFeedsByTheRules) {
    GetLog()->Init(path.c_str());
    WriteLog("Setup Init. Version %s", "1.0.7.2");
    WriteLog("ends with a line feed\n");
    WriteLog("%s", "");
    WriteLog("first\nsecond");
    std::string body = OnDisk().substr(std::string(kOpener).size());
    std::string stamp = "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} : ";
    std::regex expected(stamp + "Setup Init\\. Version 1\\.0\\.7\\.2\r\n" + stamp + "ends with a line feed\r\n" +
                        stamp + stamp + "first\r\nsecond\r\n");
    EXPECT_TRUE(std::regex_match(body, expected)) << body;
}

TEST_F(LogTest, TwoStartsLeaveTwoBlocks) {
    GetLog()->Init(path.c_str());
    WriteLog("run one");
    ILog::Release();
    GetLog()->Init(path.c_str());
    std::string text = OnDisk();
    EXPECT_EQ(text.rfind(kOpener, 0), 0u);
    EXPECT_EQ(text.size() - text.rfind(kOpener), std::string(kOpener).size());
    EXPECT_NE(text.find("run one\r\n"), std::string::npos);
}

TEST_F(LogTest, NothingReachesAFileBeforeInitButTheCallbackStillHearsIt) {
    g_received.clear();
    GetLog()->SetCallback(Collect);
    WriteLog("early %d", 1);
    EXPECT_EQ(g_received, std::vector<std::string>{"early 1"});
    // An unwritable path: the entry is dropped, the callback still called.
    GetLog()->Init(L"Q:\\nowhere\\install.log");
    WriteLog("late");
    EXPECT_EQ(g_received.back(), "late");
    GetLog()->SetCallback(nullptr);
}

TEST_F(LogTest, LongTextsAreCutAt12999Characters) {
    GetLog()->Init(path.c_str());
    std::string longText(20000, 'x');
    WriteLog("%s", longText.c_str());
    std::string body = OnDisk().substr(std::string(kOpener).size());
    EXPECT_EQ(body.size(), 22u + 12999u + 2u);
}

TEST_F(LogTest, ManyThreadsWriteWholeLines) {
    GetLog()->Init(path.c_str());
    constexpr int kThreads = 8;
    constexpr int kLines = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) WriteLog("thread %d line %d %s", t, i, std::string(200, 'a' + t).c_str());
        });
    for (std::thread& thread : threads) thread.join();
    std::string body = OnDisk().substr(std::string(kOpener).size());
    std::regex line("\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} : thread (\\d) line (\\d+) ([a-z])+\r\n");
    int count = 0;
    for (std::sregex_iterator it(body.begin(), body.end(), line), end; it != end; ++it) ++count;
    EXPECT_EQ(count, kThreads * kLines);
    size_t expectedSize = 0;
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kLines; ++i)
            expectedSize += 22 + std::string("thread 0 line ").size() + std::to_string(i).size() + 1 + 200 + 2;
    EXPECT_EQ(body.size(), expectedSize);
}

}  // namespace
