#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Another process holds the name: the creator's close must leave it, and once
// that holder is gone without closing, the next create starts afresh.
TEST_F(SharedMemoryTest, NameLastsWhileAnotherProcessHoldsItThenStaleIsRemade) {
    const std::wstring name = L"HeldChannel";
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name.c_str());
    ASSERT_NE(nullptr, mapping);
    char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(nullptr, view);
    std::wstring command = L"\"" + platform::FromHostPath(PLATFORM_TEST_CHILD) + L"\" shmhold " + name + L" held";
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
    for (int i = 0; i < 1000 && std::strcmp(view, "held") != 0; ++i) Sleep(10);
    ASSERT_STREQ("held", view);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    EXPECT_TRUE(platform::SharedMemoryExists(name)) << "the child still holds it";
    HANDLE reopened = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
    EXPECT_NE(nullptr, reopened);
    CloseHandle(reopened);

    ASSERT_TRUE(TerminateProcess(info.hProcess, 9));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 10000));
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    EXPECT_EQ(nullptr, OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str())) << "nobody holds it any more";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

// Segments this process did not make under the name: left by a creator that
// crashed (no holder), or made by someone else or open to others.
TEST_F(SharedMemoryTest, StaleAndForeignSegmentsAreNotAdopted) {
    struct Case {
        const char* what;
        mode_t mode;
        uid_t owner;
        DWORD expected;  // GetLastError after CreateFileMappingW
    } cases[] = {
        {"stale", 0600, ::geteuid(), ERROR_SUCCESS},
        {"open to everyone", 0666, ::geteuid(), ERROR_ACCESS_DENIED},
        {"another user's", 0600, ::geteuid() + 1000, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring name = L"Planted";
        std::string shmName = platform::SharedMemoryName(name);
        int fd = ::shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(0, ::ftruncate(fd, 100));
        ASSERT_EQ(4, ::write(fd, "old!", 4));
        ::fchmod(fd, c.mode);
        if (c.owner != ::geteuid() && ::fchown(fd, c.owner, static_cast<gid_t>(-1)) != 0) {
            ::close(fd);
            ::shm_unlink(shmName.c_str());
            continue;  // not root: no other owner can be set
        }
        ::close(fd);

        HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name.c_str());
        EXPECT_EQ(c.expected, GetLastError());
        if (c.expected == ERROR_SUCCESS) {
            ASSERT_NE(nullptr, mapping);
            char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4096));
            ASSERT_NE(nullptr, view) << "the fresh segment has the asked size";
            EXPECT_EQ(0, view[0]) << "no stale contents";
            UnmapViewOfFile(view);
            CloseHandle(mapping);
            EXPECT_FALSE(platform::SharedMemoryExists(name));
        } else {
            EXPECT_EQ(nullptr, mapping);
            EXPECT_EQ(nullptr, OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str()));
            EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
            ::shm_unlink(shmName.c_str());
        }
    }
}

}  // namespace
