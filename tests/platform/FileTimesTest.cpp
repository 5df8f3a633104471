#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

class FileTimesTest : public testsupport::MachineTest {};

ULONGLONG Units(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

TEST_F(FileTimesTest, SetTimesReadBackAndLocalConversionFollowsTheZone) {
    WriteHostFile(Host(L"C:\\a.txt"), "a");
    HANDLE file = CreateFileW(L"C:\\a.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME written{0x12345600u, 0x01D9A000u};
    FILETIME accessed{0x00000000u, 0x01D9B000u};
    ASSERT_TRUE(SetFileTime(file, nullptr, &accessed, &written));
    FILETIME readWritten{};
    FILETIME readAccessed{};
    ASSERT_TRUE(GetFileTime(file, nullptr, &readAccessed, &readWritten));
    EXPECT_EQ(Units(readWritten), Units(written));
    EXPECT_EQ(Units(readAccessed), Units(accessed));
    CloseHandle(file);
    EXPECT_FALSE(GetFileTime(nullptr, nullptr, nullptr, &readWritten));

    const char* previous = std::getenv("TZ");
    std::string saved = previous != nullptr ? previous : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&written, &local));
    EXPECT_EQ(Units(local) - Units(written), 9ULL * 3600 * 10000000);
    FILETIME back{};
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(Units(back), Units(written));
    if (previous != nullptr) ::setenv("TZ", saved.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
}

TEST(PlatformRandom, FillsBuffersAndRefusesOtherGenerators) {
    BYTE first[32] = {};
    BYTE second[32] = {};
    ASSERT_EQ(BCryptGenRandom(nullptr, first, sizeof(first), BCRYPT_USE_SYSTEM_PREFERRED_RNG), STATUS_SUCCESS);
    ASSERT_EQ(BCryptGenRandom(nullptr, second, sizeof(second), BCRYPT_USE_SYSTEM_PREFERRED_RNG), STATUS_SUCCESS);
    EXPECT_NE(std::string(first, first + 32), std::string(second, second + 32));
    EXPECT_EQ(BCryptGenRandom(nullptr, first, 4, 0), STATUS_INVALID_PARAMETER);
}

TEST(PlatformPipes, CarryBytesAndCannotSeek) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(writeEnd, "pipe", 4, &count, nullptr));
    CloseHandle(writeEnd);
    char buffer[8] = {};
    ASSERT_TRUE(ReadFile(readEnd, buffer, sizeof(buffer), &count, nullptr));
    EXPECT_EQ(std::string(buffer, count), "pipe");
    LARGE_INTEGER zero{};
    EXPECT_FALSE(SetFilePointerEx(readEnd, zero, nullptr, FILE_CURRENT));
    CloseHandle(readEnd);
}

}  // namespace
