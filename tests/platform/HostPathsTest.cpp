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
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::FullWindowsPath(c.input), c.expected) << c.input;
}

class HostPathsTest : public MachineTest {};

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
