#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "platform/base/HostPaths.h"
#include "util/Log.h"
#include "util/OsVersion.h"
#include "util/SystemIdentity.h"

namespace {

using Adapter = platform::NetworkAdapterEntry;

class SystemIdentityTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ResetMachineMacForTest(); }
    void TearDown() override { ResetMachineMacForTest(); }
};

TEST_F(SystemIdentityTest, MacIdentityPrefersPhysicalAdapters) {
    struct Case {
        const char* name;
        std::vector<Adapter> adapters;
        std::string identity;
    } cases[] = {
        {"physical beside a virtual one",
         {{"{P}", "wired", {0x1c, 1, 2, 3, 4, 5}, true}, {"{V}", "vm", {0x00, 0x50, 0x56, 1, 2, 3}, false}},
         "1c-01-02-03-04-05"},
        {"two physical, sorted",
         {{"{A}", "a", {0xaa, 1, 2, 3, 4, 5}, true}, {"{B}", "b", {0x1c, 9, 9, 9, 9, 9}, true}},
         "1c-09-09-09-09-09:aa-01-02-03-04-05"},
        {"no physical: the fallback drops virtual addresses",
         {{"{V}", "vbox", {0x08, 0x00, 0x27, 1, 2, 3}, false}, {"{Q}", "qemu", {0x52, 0x54, 0x00, 1, 2, 3}, false}},
         "52-54-00-01-02-03"},
        {"only virtual: the first three unfiltered, sorted",
         {{"{1}", "x", {0x00, 0x50, 0x56, 9, 9, 9}, false},
          {"{2}", "y", {0x00, 0x1C, 0x14, 1, 2, 3}, false},
          {"{3}", "z", {0x08, 0x00, 0x27, 5, 5, 5}, false},
          {"{4}", "w", {0x00, 0x0c, 0x29, 0, 0, 1}, false}},
         "00-1c-14-01-02-03:00-50-56-09-09-09:08-00-27-05-05-05"},
        {"no adapters", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::ScopedMachine fresh;  // the adapter keys are seeded when a machine's hive is made
        fresh.profile().networkAdapters = c.adapters;
        ResetMachineMacForTest();
        EXPECT_EQ(c.identity, GetMachineMac());
    }
}

TEST_F(SystemIdentityTest, IdentityIsKeptForTheProcess) {
    machine.profile().networkAdapters = std::vector<Adapter>{{"{A}", "a", {0xaa, 1, 2, 3, 4, 5}, true}};
    EXPECT_EQ("aa-01-02-03-04-05", GetMacAddressString());
    machine.profile().networkAdapters = std::vector<Adapter>{{"{B}", "b", {0xbb, 1, 2, 3, 4, 5}, true}};
    EXPECT_EQ("aa-01-02-03-04-05", GetMacAddressString());
    EXPECT_EQ("bb-01-02-03-04-05", GetMacAddressesPlain());
}

TEST_F(SystemIdentityTest, MacListAndHelpers) {
    machine.profile().networkAdapters = std::vector<Adapter>{
        {"{A}", "a", {0xaa, 1, 2, 3, 4, 5}, true},
        {"{V}", "v", {0x00, 0x1c, 0x42, 1, 1, 1}, true},
        {"{B}", "b", {0x1c, 1, 2, 3, 4, 5}, true},
        {"{C}", "c", {0x11, 1, 2, 3, 4, 5}, true},  // the fourth adapter is not listed
    };
    EXPECT_EQ(std::vector<std::string>({"1c-01-02-03-04-05", "aa-01-02-03-04-05"}), GetMacAddressList());
    struct Case {
        std::string in, out;
    } sorts[] = {{"b:a", "a:b"}, {"only", "only"}, {"b::a", ":a:b"}, {"", ""}};
    for (Case c : sorts) {
        SortMacText(c.in);
        EXPECT_EQ(c.out, c.in);
    }
    EXPECT_EQ("a-b-c", JoinStrings({"a", "b", "c"}, "-"));
    EXPECT_FALSE(IsPciAdapterByConnection("{A}")) << "the \";PCI\" test never matches a PCI id";
    EXPECT_TRUE(IsPhysicalAdapterByClass("{A}"));
    EXPECT_FALSE(IsPhysicalAdapterByClass("{a}")) << "names compare with case";
}

TEST_F(SystemIdentityTest, OsShortNameAndWindows7CheckFromAVersionTable) {
    struct Case {
        DWORD major, minor, build;
        const char* name;
        bool windows7OrLater;
    } cases[] = {
        {10, 0, 22631, "win11", true}, {10, 0, 19045, "win10", true}, {6, 3, 9600, "win8.1", true},
        {6, 2, 9200, "win8", true},    {6, 1, 7601, "win7", true},    {6, 0, 6002, "vista", false},
        {6, 4, 9841, "unknown", true}, {5, 1, 2600, "xp", false},
    };
    for (const Case& c : cases) {
        for (bool netFails : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (netFails ? " without NetWkstaGetInfo" : ""));
            machine.profile().osMajor = c.major;
            machine.profile().osMinor = c.minor;
            machine.profile().osBuild = c.build;
            machine.profile().workstationInfoFails = netFails;
            EXPECT_EQ(c.name, GetOsShortName());
            EXPECT_EQ(c.windows7OrLater, IsWindows7OrLater());
            unsigned major = 0, minor = 0, build = 0;
            GetOsVersion(major, minor, build);
            EXPECT_EQ(c.major, major) << "not the 6.2 that GetVersionExW reports";
            EXPECT_EQ(c.build, build % 65536);
        }
    }
}

TEST_F(SystemIdentityTest, Wow64CountsAsA64BitSystem) {
    struct Case {
        bool os64, process64, expected;
    } cases[] = {{true, false, true}, {true, true, true}, {false, false, false}};
    for (const Case& c : cases) {
        machine.profile().os64Bit = c.os64;
        machine.profile().process64Bit = c.process64;
        EXPECT_EQ(c.expected, IsOs64Bit());
    }
}

std::vector<std::string> g_logged;
int Collect(const char* text) {
    g_logged.emplace_back(text);
    return 0;
}

TEST_F(SystemIdentityTest, VersionAndRandomLogLines) {
    g_logged.clear();
    GetLog()->SetCallback(Collect);
    machine.profile().osMajor = 6;
    machine.profile().osMinor = 1;
    IsWindows7OrLater();
    machine.profile().workstationInfoFails = true;
    machine.profile().osMinor = 3;
    IsWindows7OrLater();
    bool always = Random(100), never = Random(0);
    GetLog()->SetCallback(nullptr);
    EXPECT_TRUE(always);
    EXPECT_FALSE(never);
    ASSERT_EQ(4u, g_logged.size());
    EXPECT_EQ("Window Version : 6,1", g_logged[0]);
    EXPECT_EQ("Window Version : 6,3", g_logged[1]);
    EXPECT_TRUE(std::regex_match(g_logged[2], std::regex("Random : max\\(100\\), index\\([0-9]{1,2}\\)\\.\n")))
        << g_logged[2];
}

TEST_F(SystemIdentityTest, RandomIdsDifferBetweenRuns) {
    std::vector<std::string> ids;
    for (int run = 0; run < 2; ++run) {
        std::wstring out = L"C:\\id" + std::to_wstring(run) + L".txt";
        std::wstring command = L"\"" + platform::FromHostPath(UTIL_TEST_CHILD) + L"\" randomid \"" +
                               platform::Utf8ToUtf16(Host(out)) + L"\"";
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(
            CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 10000));
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
        ids.push_back(ReadHostFile(Host(out)));
        EXPECT_EQ(32u, ids.back().size());
    }
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_NE(ids[0], MakeRandomId());
}

TEST(IdentifierTest, GuidAndRandomIdFormats) {
    std::regex guid("^[0-9A-F]{32}$"), id("^[0-9a-f]{32}$");
    std::string a = MakeGuidString(), b = MakeGuidString();
    EXPECT_TRUE(std::regex_match(a, guid)) << a;
    EXPECT_NE(a, b);
    std::set<std::string> ids;
    std::vector<std::string> perThread(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < perThread.size(); ++i)
        threads.emplace_back([&perThread, i] { perThread[i] = MakeRandomId(); });
    for (std::thread& t : threads) t.join();
    for (const std::string& text : perThread) {
        EXPECT_TRUE(std::regex_match(text, id)) << text;
        ids.insert(text);
    }
    ids.insert(MakeRandomId());
    ids.insert(MakeRandomId());
    EXPECT_EQ(perThread.size() + 2, ids.size()) << "every call, thread and run draws anew";
}

}  // namespace
