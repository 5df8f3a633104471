#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/DebugConfig.h"
#include "util/ExeName.h"
#include "util/FolderList.h"

namespace {

using testsupport::MachineTest;

class DebugConfigTest : public MachineTest {
protected:
    std::string IniPath() { return Host(L"C:\\Users\\User\\Documents") + "/QovDebugConfig.ini"; }
};

TEST_F(DebugConfigTest, OnlyAValueOfOneSwitchesOn) {
    struct Case {
        const char* file;  // null: no file at all
        bool on;
    } cases[] = {
        {nullptr, false},
        {"[root]\r\nshow_info_view=1\r\n", false},  // the key is missing
        {"[root]\r\ntest_token_from_cookies=2\r\n", false},
        {"[root]\r\ntest_token_from_cookies=0\r\n", false},
        {"[other]\r\ntest_token_from_cookies=1\r\n", false},
        {"[root]\r\ntest_token_from_cookies=1\r\n", true},
        {"[ROOT]\r\nTest_Token_From_Cookies = 1\r\n", true},
    };
    for (const Case& c : cases) {
        std::remove(IniPath().c_str());
        if (c.file != nullptr) WriteHostFile(IniPath(), c.file);
        EXPECT_EQ(GetDebugConfigFlag(L"root", L"test_token_from_cookies"), c.on) << (c.file ? c.file : "no file");
        EXPECT_EQ(IsTestTokenFromCookies(), c.on) << (c.file ? c.file : "no file");
    }
}

TEST(ParseSetupFileName, SplitsOptionAndSourceAtTheFirstNumber) {
    struct Case {
        const char* name;
        const char* option;  // "(old)" when unchanged
        const char* source;
    } cases[] = {
        {"prog_abc_2024_web", "abc", "web"},
        {"prog_a_b_7_c_d", "a_b", "c_d"},
        {"prog_abc", "(old)", "(old)"},  // no number: nothing changes
        {"prog_a_1_b_2_c", "a", "b_c"},  // a second number is dropped
        {"prog_2024", "", ""},           // a number alone empties both
        {"prog_1.5_x", "", "x"},
        {"prog__abc__-3__web_", "abc", "web"},  // empty pieces are dropped
        {"2024_abc_1_web", "abc", "web"},       // the first piece never counts
        {"prog", "(old)", "(old)"},
        {"", "(old)", "(old)"},
    };
    for (const Case& c : cases) {
        std::string option = "(old)", source = "(old)";
        ParseSetupFileName(c.name, option, source);
        EXPECT_EQ(option, c.option) << c.name;
        EXPECT_EQ(source, c.source) << c.name;
    }
}

class ExeNameTest : public MachineTest {};

TEST_F(ExeNameTest, TakesTheFileNameWithoutFolderAndExtensionInOem) {
    struct Case {
        const wchar_t* module;
        const char* name;
    } cases[] = {
        {L"C:\\Users\\User\\Downloads\\Setup_abc_2024_web.exe", "Setup_abc_2024_web"},
        {L"C:\\Temp\\caf\u00E9_1_x.exe", "caf\x82_1_x"},  // OEM 437, not ANSI 1252
        {L"C:\\Temp\\a.b.exe", "a.b"},
        {L"C:\\Temp\\.exe", "(old)"},  // an empty name leaves the output alone
    };
    for (const Case& c : cases) {
        machine.profile().moduleFileName = c.module;
        std::string name = "(old)";
        GetExeBaseName(name);
        EXPECT_EQ(name, c.name);
    }
}

class FolderListTest : public MachineTest {
protected:
    void SetUp() override {
        for (const wchar_t* folder : {L"C:\\Data", L"C:\\Data\\sub", L"C:\\Data\\sub\\deep", L"C:\\Data\\empty"})
            ASSERT_TRUE(CreateDirectoryW(folder, nullptr));
        for (const wchar_t* file : {L"C:\\Data\\a.txt", L"C:\\Data\\sub\\b.txt", L"C:\\Data\\sub\\deep\\c.txt"})
            WriteHostFile(Host(file), "x");
    }
    static std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(FolderListTest, ListsFilesRelativeToTheFolder) {
    EXPECT_EQ(Sorted(ListFolderFiles(L"C:\\Data", false)), (std::vector<std::wstring>{L"a.txt"}));
    EXPECT_EQ(Sorted(ListFolderFiles(L"C:\\Data\\", true)),
              (std::vector<std::wstring>{L"a.txt", L"sub\\b.txt", L"sub\\deep\\c.txt"}));
    EXPECT_TRUE(ListFolderFiles(L"C:\\Data\\empty", true).empty());
    EXPECT_TRUE(ListFolderFiles(L"C:\\Missing", true).empty());
}

TEST_F(FolderListTest, ListsSubfoldersInnermostFirst) {
    EXPECT_EQ(Sorted(ListFolderSubfolders(L"C:\\Data", false)), (std::vector<std::wstring>{L"empty", L"sub"}));
    std::vector<std::wstring> all = ListFolderSubfolders(L"C:\\Data", true);
    EXPECT_EQ(Sorted(all), (std::vector<std::wstring>{L"empty", L"sub", L"sub\\deep"}));
    auto deep = std::find(all.begin(), all.end(), L"sub\\deep");
    auto sub = std::find(all.begin(), all.end(), L"sub");
    EXPECT_LT(deep, sub) << "a folder comes after the folders it holds";
}

}  // namespace
