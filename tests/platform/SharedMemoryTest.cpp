#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/base/HostPaths.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

class SharedMemoryTest : public testsupport::MachineTest {};

TEST_F(SharedMemoryTest, ChildWritesThroughTheNameAndTheNameGoesAfterwards) {
    const std::wstring name = L"0123456789ABCDEF0123456789ABCDEF";
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name.c_str());
    ASSERT_NE(nullptr, mapping);
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4096));
    ASSERT_NE(nullptr, view);
    std::memset(view, 0, 4096);

    std::wstring command = L"\"" + platform::FromHostPath(PLATFORM_TEST_CHILD) + L"\" shm " + name + L" pos:250";
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 10000));
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    EXPECT_STREQ("pos:250", view);

    EXPECT_TRUE(platform::SharedMemoryExists(name));
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_FALSE(UnmapViewOfFile(view));
    EXPECT_TRUE(CloseHandle(mapping));
    EXPECT_FALSE(platform::SharedMemoryExists(name));
    EXPECT_EQ(nullptr, OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST_F(SharedMemoryTest, SecondCreateOpensTheSameMemory) {
    HANDLE first = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"Local\\Channel");
    ASSERT_NE(nullptr, first);
    HANDLE second = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8192, L"Channel");
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(ERROR_ALREADY_EXISTS, GetLastError());
    char* a = static_cast<char*>(MapViewOfFile(first, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    char* b = static_cast<char*>(MapViewOfFile(second, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    std::strcpy(a, "shared");
    EXPECT_STREQ("shared", b);
    // Views past the end or off the granularity fail.
    EXPECT_EQ(nullptr, MapViewOfFile(first, FILE_MAP_READ, 0, 0, 8192));
    EXPECT_EQ(nullptr, MapViewOfFile(first, FILE_MAP_READ, 0, 100, 0));
    EXPECT_EQ(ERROR_MAPPED_ALIGNMENT, GetLastError());
    UnmapViewOfFile(a);
    UnmapViewOfFile(b);
    CloseHandle(first);
    EXPECT_TRUE(platform::SharedMemoryExists(L"Channel")) << "a handle is still open";
    CloseHandle(second);
    EXPECT_FALSE(platform::SharedMemoryExists(L"Channel"));
    EXPECT_EQ(nullptr, CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0, L"Empty"));
}

}  // namespace
