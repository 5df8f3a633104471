#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

class FilesTest : public testsupport::MachineTest {};

TEST_F(FilesTest, TextModeTranslatesLineEndsBothWays) {
    FILE* file = nullptr;
    ASSERT_EQ(_wfopen_s(&file, L"C:\\t.txt", L"wt"), 0);
    std::string lines;
    for (int i = 0; i < 3000; ++i) lines += "line " + std::to_string(i) + "\n";
    std::fwrite(lines.data(), 1, lines.size(), file);
    std::fclose(file);
    std::string onDisk = ReadHostFile(Host(L"C:\\t.txt"));
    EXPECT_EQ(std::count(onDisk.begin(), onDisk.end(), '\r'), 3000);
    ASSERT_EQ(_wfopen_s(&file, L"c:\\T.TXT", L"r"), 0);
    std::string back;
    char buffer[1000];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) back.append(buffer, got);
    std::fclose(file);
    EXPECT_EQ(back, lines);
    // A lone carriage return is data, not a line end.
    WriteHostFile(Host(L"C:\\cr.txt"), "a\rb\r\n\r");
    ASSERT_EQ(_wfopen_s(&file, L"C:\\cr.txt", L"rt"), 0);
    got = std::fread(buffer, 1, sizeof(buffer), file);
    std::fclose(file);
    EXPECT_EQ(std::string(buffer, got), "a\rb\n\r");
}

// Positions in a text stream are file offsets, as Windows gives them: each
// CR LF read back as "\n" counts two bytes, and seeking to a told position
// reads on from there.
TEST_F(FilesTest, TextModePositionsAreFileOffsets) {
    WriteHostFile(Host(L"C:\\pos.txt"), "abcd\r\nef\r\n\r\ngh");
    struct Case {
        int reads;              // characters read with fgetc first
        std::int64_t position;  // _ftelli64 then
        const char* rest;       // what a fresh stream reads after seeking there
    } cases[] = {
        {0, 0, "abcd\nef\n\ngh"}, {4, 4, "\nef\n\ngh"}, {5, 6, "ef\n\ngh"},
        {7, 8, "\n\ngh"},         {8, 10, "\ngh"},      {11, 14, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reads);
        FILE* file = nullptr;
        ASSERT_EQ(_wfopen_s(&file, L"C:\\pos.txt", L"rt"), 0);
        for (int i = 0; i < c.reads; ++i) std::fgetc(file);
        EXPECT_EQ(_ftelli64(file), c.position);
        std::fclose(file);
        ASSERT_EQ(_wfopen_s(&file, L"C:\\pos.txt", L"rt"), 0);
        ASSERT_EQ(_fseeki64(file, c.position, SEEK_SET), 0);
        char buffer[32] = {};
        size_t got = std::fread(buffer, 1, sizeof buffer, file);
        EXPECT_EQ(std::string(buffer, got), c.rest);
        EXPECT_EQ(_ftelli64(file), 14);
        // Relative seeks count file bytes too; the end is the file's size.
        ASSERT_EQ(_fseeki64(file, -2, SEEK_CUR), 0);
        EXPECT_EQ(std::fgetc(file), 'g');
        ASSERT_EQ(_fseeki64(file, 0, SEEK_END), 0);
        EXPECT_EQ(_ftelli64(file), 14);
        std::fclose(file);
    }
    // Writing counts the carriage returns it adds.
    FILE* file = nullptr;
    ASSERT_EQ(_wfopen_s(&file, L"C:\\written.txt", L"w"), 0);
    std::fputs("a\nb\n", file);
    EXPECT_EQ(_ftelli64(file), 6);
    std::fclose(file);
    ASSERT_EQ(_wfopen_s(&file, L"C:\\written.txt", L"a"), 0);
    std::fputs("c\n", file);
    EXPECT_EQ(_ftelli64(file), 9);
    std::fclose(file);
    EXPECT_EQ(ReadHostFile(Host(L"C:\\written.txt")), "a\r\nb\r\nc\r\n");
}

TEST_F(FilesTest, TextModeReadsTheFileInBlocks) {
    std::string lines;
    for (int i = 0; i < 20000; ++i) lines += "line " + std::to_string(i) + "\r\n";
    WriteHostFile(Host(L"C:\\big.txt"), lines);
    auto readCalls = [] {
        std::string io = ReadHostFile("/proc/self/io");
        size_t at = io.find("syscr: ");
        return at == std::string::npos ? 0ull : std::stoull(io.substr(at + 7));
    };
    FILE* file = nullptr;
    ASSERT_EQ(_wfopen_s(&file, L"C:\\big.txt", L"rt"), 0);
    unsigned long long before = readCalls();
    char line[64];
    size_t count = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) ++count;
    unsigned long long calls = readCalls() - before;
    std::fclose(file);
    EXPECT_EQ(count, 20000u);
    EXPECT_LT(calls, 200u) << "about one read per 64 KiB of the file";
}

TEST_F(FilesTest, OversizedOrEndlessIniReadsAsMissing) {
    std::filesystem::create_symlink("/dev/zero", Host(L"C:\\endless.ini"));
    WriteHostFile(Host(L"C:\\large.ini"), "[root]\nname=value\n" + std::string(2 << 20, ';'));
    for (const wchar_t* ini : {L"C:\\endless.ini", L"C:\\large.ini"}) {
        wchar_t text[16];
        EXPECT_EQ(GetPrivateProfileStringW(L"root", L"name", L"fallback", text, 16, ini), 8u);
        EXPECT_STREQ(text, L"fallback");
    }
}

TEST_F(FilesTest, ModesAndLimits) {
    FILE* file = nullptr;
    EXPECT_EQ(_wfopen_s(&file, L"C:\\x.txt", L"wr"), EINVAL);
    EXPECT_EQ(_wfopen_s(&file, L"C:\\missing\\x.txt", L"r"), ENOENT);
    std::wstring longName = L"C:\\" + std::wstring(260, L'a');
    EXPECT_NE(_wfopen_s(&file, longName.c_str(), L"wb"), 0);
    EXPECT_EQ(file, nullptr);
}

TEST_F(FilesTest, FindListsDotsMatchesWildcardsAndReportsMisses) {
    CreateDirectoryW(L"C:\\find", nullptr);
    CreateDirectoryW(L"C:\\find\\Sub", nullptr);
    WriteHostFile(Host(L"C:\\find\\one.TXT"), "1");
    WriteHostFile(Host(L"C:\\find\\two.log"), "22");
    struct Case {
        const wchar_t* pattern;
        std::set<std::wstring> names;
    } cases[] = {
        {L"C:\\find\\*.*", {L".", L"..", L"Sub", L"one.TXT", L"two.log"}},
        {L"C:\\find\\*.txt", {L"one.TXT"}},
        {L"C:\\find\\t?o.*", {L"two.log"}},
    };
    for (const Case& c : cases) {
        WIN32_FIND_DATAW data{};
        HANDLE find = FindFirstFileW(c.pattern, &data);
        ASSERT_NE(find, INVALID_HANDLE_VALUE);
        std::set<std::wstring> names;
        do names.insert(data.cFileName);
        while (FindNextFileW(find, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(find));
        EXPECT_EQ(names, c.names);
    }
    WIN32_FIND_DATAW data{};
    EXPECT_EQ(FindFirstFileW(L"C:\\find\\*.exe", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileW(L"C:\\nofolder\\*.*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(FindClose(reinterpret_cast<HANDLE>(0x12345678)));  // a stale handle fails safely
}

TEST_F(FilesTest, KernelFileHandles) {
    HANDLE file = CreateFileW(L"C:\\h.bin", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "12345", 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(GetFileSize(file, nullptr), 5u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(CreateFileW(L"C:\\h.bin", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    file = CreateFileW(L"C:\\h.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[8] = {0};
    DWORD read = 0;
    LARGE_INTEGER offset{};
    offset.QuadPart = 2;
    EXPECT_TRUE(SetFilePointerEx(file, offset, nullptr, FILE_BEGIN));
    EXPECT_TRUE(ReadFile(file, buffer, 8, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "345");
    CloseHandle(file);
}

TEST_F(FilesTest, IniFilesReadLikeTheRealCalls) {
    const wchar_t* ini = L"C:\\Users\\User\\Documents\\QovDebugConfig.ini";
    WriteHostFile(Host(ini),
                  "[root]\r\nsetup_test_mode = 1\r\nvalue=12abc\r\nneg=-3\r\nhex=0x1F\r\nname = \"quoted\" \r\n");
    struct Case {
        const wchar_t* key;
        UINT expected;
    } cases[] = {{L"setup_test_mode", 1},
                 {L"SETUP_TEST_MODE", 1},
                 {L"value", 12},
                 {L"neg", static_cast<UINT>(-3)},
                 {L"hex", 31},
                 {L"missing", 7},
                 {L"name", 0}};
    for (const Case& c : cases) EXPECT_EQ(GetPrivateProfileIntW(L"ROOT", c.key, 7, ini), c.expected) << c.key;
    EXPECT_EQ(GetPrivateProfileIntW(L"root", L"setup_test_mode", 5, L"C:\\none.ini"), 5u);
    wchar_t text[64];
    GetPrivateProfileStringW(L"root", L"name", L"", text, 64, ini);
    EXPECT_STREQ(text, L"quoted");
    EXPECT_TRUE(WritePrivateProfileStringW(L"General", L"app_from", L"store", L"C:\\app.ini"));
    EXPECT_TRUE(WritePrivateProfileStringW(L"General", L"app_from", L"web", L"C:\\app.ini"));
    GetPrivateProfileStringW(L"General", L"app_from", L"", text, 64, L"C:\\app.ini");
    EXPECT_STREQ(text, L"web");
    // UTF-16 files with a byte-order mark.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[root]\r\nshow_info_view=1\r\n")) utf16 += std::string{c, '\0'};
    WriteHostFile(Host(L"C:\\wide.ini"), utf16);
    EXPECT_EQ(GetPrivateProfileIntW(L"root", L"show_info_view", 0, L"C:\\wide.ini"), 1u);
}

TEST_F(FilesTest, ModuleNameEnvironmentAndFolders) {
    wchar_t name[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, name, MAX_PATH), 0u);
    EXPECT_EQ(std::wstring(name).substr(0, 3), L"Z:\\");
    machine.profile().moduleFileName = L"C:\\Users\\User\\Downloads\\setup_abc_2024_web.exe";
    GetModuleFileNameW(nullptr, name, MAX_PATH);
    EXPECT_STREQ(name, L"C:\\Users\\User\\Downloads\\setup_abc_2024_web.exe");
    wchar_t value[MAX_PATH];
    EXPECT_GT(GetEnvironmentVariableW(L"ProgramW6432", value, MAX_PATH), 0u);
    EXPECT_STREQ(value, L"C:\\Program Files");
    machine.profile().os64Bit = false;
    EXPECT_EQ(GetEnvironmentVariableW(L"ProgramW6432", value, MAX_PATH), 0u);
    wchar_t folder[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder), S_OK);
    EXPECT_STREQ(folder, L"C:\\Program Files");
    machine.profile().userLanguage = 0x0411;
    EXPECT_EQ(GetUserDefaultUILanguage(), 0x0411);
}

TEST(LocaleNames, MapToLanguageIds) {
    struct Case {
        const char* locale;
        LANGID id;
    } cases[] = {{"ja_JP.UTF-8", 0x0411},    {"zh_CN.UTF-8", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK.UTF-8", 0x0C04},
                 {"zh_SG", 0x1004},          {"pt_BR.UTF-8", 0x0416}, {"pt_PT", 0x0816}, {"nb_NO.UTF-8", 0x0414},
                 {"ca_ES@valencia", 0x0403}, {"de_AT", 0x0407},       {"xx_YY", 0x0409}, {"C.UTF-8", 0x0409}};
    for (const Case& c : cases) EXPECT_EQ(platform::LangIdFromLocaleName(c.locale), c.id) << c.locale;
}

}  // namespace
