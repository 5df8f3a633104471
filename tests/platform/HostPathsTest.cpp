#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/HostPaths.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

using testsupport::MachineTest;

TEST(FullWindowsPath, ResolvesAsWindowsDoes) {
    struct Case {
        const wchar_t* input;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\a\\b", L"C:\\a\\b"},
        {L"c:/a/b", L"C:\\a\\b"},
        {L"C:\\a\\.\\b\\..\\c", L"C:\\a\\c"},
        {L"C:\\..\\..\\a", L"C:\\a"},
        {L"C:\\a\\b.\\c ", L"C:\\a\\b\\c"},
        {L"C:\\a\\", L"C:\\a\\"},
        {L"C:", L"C:\\"},
        {L"\\\\?\\C:\\x", L"C:\\x"},
        {L"\\\\server\\share", L""},
        {L"\\\\?\\UNC\\server\\share\\f", L""},
        {L"\\\\?\\unc", L""},
        {L"\\\\?\\C:\\UNC\\x", L"C:\\UNC\\x"},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::FullWindowsPath(c.input), c.expected) << c.input;
}

TEST(IsWindowsName, RefusesWhatWindowsRefuses) {
    for (const wchar_t* name : {L"a.txt", L"a b", L".hidden", L"con1", L"COM0", L"nulx.txt", L"LPT10", L"\u0416"})
        EXPECT_TRUE(platform::IsWindowsName(name)) << name;
    for (const wchar_t* name :
         {L"",    L".",    L"..", L"a\\b", L"a/b", L"a:b", L"a*",      L"a?",       L"a\"b", L"a<b",      L"a>b",
          L"a|b", L"a\tb", L"a.", L"a ",   L"CON", L"nul", L"Nul.txt", L"aux .log", L"COM1", L"lpt9.dat", L"CONOUT$"})
        EXPECT_FALSE(platform::IsWindowsName(name)) << name;
}

class HostPathsTest : public MachineTest {};

TEST_F(HostPathsTest, ForbiddenNamesAreRefusedByTheFileCalls) {
    for (const wchar_t* path : {L"C:\\a<b", L"C:\\x\\nul", L"C:\\con.txt", L"C:\\a|b\\c", L"C:\\q?"}) {
        EXPECT_FALSE(platform::ToHostPath(path).has_value());
        SetLastError(0);
        EXPECT_EQ(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
        EXPECT_FALSE(CreateDirectoryW(path, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
        FILE* stream = nullptr;
        EXPECT_EQ(_wfopen_s(&stream, path, L"wb"), EINVAL);
    }
    std::string drive = machine.machine().DriveRoot(L'C');
    for (const char* name : {"a<b", "x", "con.txt", "q?"}) EXPECT_FALSE(std::filesystem::exists(drive + "/" + name));
}

TEST_F(HostPathsTest, MapsDrivesAndMatchesNamesWithoutCase) {
    std::string documents = Host(L"C:\\Users\\User\\Documents");
    EXPECT_TRUE(std::filesystem::is_directory(documents));
    EXPECT_EQ(Host(L"c:\\USERS\\user\\documents"), documents);
    EXPECT_EQ(Host(L"C:\\Users\\User\\Documents\\New\\File.txt"), documents + "/New/File.txt");
    EXPECT_EQ(Host(L"Z:\\tmp"), "/tmp");
    EXPECT_FALSE(platform::ToHostPath(L"Q:\\nothing").has_value());
    EXPECT_EQ(platform::FromHostPath(documents), L"C:\\Users\\User\\Documents");
    EXPECT_EQ(platform::FromHostPath("/usr/bin"), L"Z:\\usr\\bin");
}

TEST_F(HostPathsTest, ExtraDrivesExistOnlyWhenConfigured) {
    EXPECT_FALSE(PathFileExistsW(L"D:\\"));
    machine.profile().extraDrives.push_back(L'D');
    EXPECT_TRUE(PathFileExistsW(L"D:\\"));
}

}  // namespace
