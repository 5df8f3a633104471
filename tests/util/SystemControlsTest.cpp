// The second library's system functions on the machine model.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Win32.h"
#include "platform/base/MachineEvents.h"
#include "tests/support/MachineFixture.h"
#include "util/StringConvert.h"
#include "util/SystemControls.h"

namespace {

class SystemControlsTest : public testsupport::MachineTest {};

TEST_F(SystemControlsTest, SeparatorConversions) {
    struct Case {
        const char* path;
        const char* backslashed;
        const char* slashed;
    };
    const Case cases[] = {
        {"C:/a/b.txt", "C:\\a\\b.txt", "C:/a/b.txt"},
        {"C:\\a\\b", "C:\\a\\b", "C:/a/b"},
        {"mixed\\and/both", "mixed\\and\\both", "mixed/and/both"},
        {"C:/\xC3\xA9t\xC3\xA9/\xE6\x96\x87", "C:\\\xC3\xA9t\xC3\xA9\\\xE6\x96\x87",
         "C:/\xC3\xA9t\xC3\xA9/\xE6\x96\x87"},
        {"", "", ""},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.path);
        EXPECT_EQ(ToBackslashPathUtf8(tc.path), tc.backslashed);
        std::string inOut = tc.path;
        EXPECT_EQ(ToSlashPathUtf8(inOut), tc.slashed);
        EXPECT_EQ(inOut, tc.slashed);
    }
    std::string out;
    ToForwardSlashesAnsi("C:\\Program Files\\caf\xE9", out);  // é in code page 1252
    EXPECT_EQ(out, "C:/Program Files/caf\xE9");
}

TEST_F(SystemControlsTest, ExistenceTests) {
    ASSERT_TRUE(CreateDirectoryW(L"C:\\Data", nullptr));
    HANDLE file = CreateFileW(L"C:\\Data\\note.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    struct Case {
        const char* path;
        bool directory;
        bool exists;
    };
    const Case cases[] = {
        {"C:", true, true},           {"C:/", true, true},      {"c:", true, true},
        {"C", false, false},          {"", false, false},       {"C:/Data", true, true},
        {"C:/Data/", true, true},     {"C:\\Data", true, true}, {"C:/Data/note.txt", false, true},
        {"C:/Missing", false, false}, {"1:", false, false},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.path);
        EXPECT_EQ(IsDirectoryUtf8(tc.path), tc.directory);
        if (std::strlen(tc.path) > 2) {
            EXPECT_EQ(PathExistsUtf8(tc.path), tc.exists);
        }
    }
    EXPECT_FALSE(IsDirectoryUtf8(nullptr));
    EXPECT_FALSE(IsDirectoryUtf8(("C:/" + std::string(300, 'a')).c_str()));
    EXPECT_TRUE(CanOpenUtf8("C:/Data/note.txt"));
    EXPECT_FALSE(CanOpenUtf8("C:/Data/none.txt"));
    EXPECT_FALSE(PathExistsUtf8("C:/\xFF\xFE"));  // not UTF-8: names no file
}

TEST_F(SystemControlsTest, PlatformTestsFollowTheMachine) {
    EXPECT_TRUE(IsNtPlatform());
    // The program declares no OS compatibility, so the version it is told is
    // 6.2 on every Windows from 8 on.
    EXPECT_TRUE(IsMajorVersion6());
    EXPECT_TRUE(IsWow64());  // a 32-bit process on a 64-bit system
    EXPECT_EQ(AlwaysTrue(), 1);
}

TEST_F(SystemControlsTest, RestartsAreRecordedForcedNeverCarriedOut) {
    EXPECT_TRUE(ShutdownOrReboot(0));
    EXPECT_TRUE(ShutdownOrReboot(1));
    std::string reboot = "ExitWindowsEx " + std::to_string(EWX_REBOOT | EWX_FORCE) + " 0";
    std::string shutdown = "ExitWindowsEx " + std::to_string(EWX_SHUTDOWN | EWX_FORCE) + " 0";
    std::vector<std::string> events = platform::MachineEvents();
    std::vector<std::string> exits;
    for (const std::string& event : events)
        if (event.rfind("ExitWindowsEx", 0) == 0) exits.push_back(event);
    ASSERT_EQ(exits.size(), 2u);
    EXPECT_EQ(exits[0].substr(0, reboot.size()), reboot);
    EXPECT_EQ(exits[1].substr(0, shutdown.size()), shutdown);
}

TEST_F(SystemControlsTest, PrivilegeNotHeldIsAFailure) {
    machine.profile().shutdownPrivilegeHeld = false;
    EXPECT_FALSE(EnableShutdownPrivilege());
    machine.profile().shutdownPrivilegeHeld = true;
    EXPECT_TRUE(EnableShutdownPrivilege());
}

TEST_F(SystemControlsTest, DriveSpace) {
    machine.profile().freeBytes[L'C'] = 5ull << 30;
    std::uint64_t freeBytes = 1, total = 1;
    EXPECT_EQ(GetDriveSpace('C', &freeBytes, &total), 1);
    EXPECT_EQ(freeBytes, 5ull << 30);
    EXPECT_GE(total, freeBytes);
    EXPECT_EQ(GetDriveSpace('C', nullptr, nullptr), 1);
    EXPECT_EQ(GetSystemDriveFreeBytes(), 5ull << 30);
    freeBytes = total = 1;
    EXPECT_EQ(GetDriveSpace('Q', &freeBytes, &total), 0);  // no such drive
    EXPECT_EQ(freeBytes, 0u);
    EXPECT_EQ(total, 0u);
}

TEST_F(SystemControlsTest, LineBreaksAreDropped) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {{"a\r\nb", "ab"}, {"\r\n\r\n", ""}, {"no breaks", "no breaks"}, {"a\nb\rc\r\n", "abc"}};
    for (const Case& tc : cases) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%s", tc.text);
        RemoveLineBreaks(buffer);
        EXPECT_STREQ(buffer, tc.expected);
    }
}

// Without a CUDA driver on the machine the probe answers 0 and says why on
// the standard error; with one it reports a plausible capability.
TEST_F(SystemControlsTest, CudaProbeWithoutADriverAnswersZero) {
    HMODULE driver = LoadLibraryW(L"nvcuda.dll");
    testing::internal::CaptureStderr();
    int capability = GetMaxCudaCapability();
    std::string said = testing::internal::GetCapturedStderr();
    if (driver == nullptr) {
        EXPECT_EQ(capability, 0);
        EXPECT_NE(said.find("Cannot load "), std::string::npos) << said;
    } else {
        EXPECT_GE(capability, 0);
        EXPECT_TRUE(FreeLibrary(driver));
    }
    EXPECT_EQ(GetProcAddress(LoadLibraryW(L"kernel32"), "NoSuchExport"), nullptr);
}

// One module under every spelling of its name, with or without the suffix.
TEST_F(SystemControlsTest, ModuleNamesWithAndWithoutSuffix) {
    HMODULE expected = LoadLibraryW(L"kernel32.dll");
    ASSERT_NE(expected, nullptr);
    for (const wchar_t* name : {L"kernel32", L"KERNEL32", L"Kernel32.DLL", L"C:\\Windows\\System32\\kernel32.dll"})
        EXPECT_EQ(LoadLibraryW(name), expected) << name;
    EXPECT_NE(LoadLibraryW(L"user32"), nullptr);
    EXPECT_EQ(LoadLibraryW(L"kernel33"), nullptr);
}

}  // namespace

namespace {

TEST_F(SystemControlsTest, OsNameAndCodeTellWindows11ByItsBuild) {
    struct Case {
        DWORD platformId, major, minor, build;
        bool os64;
        int code;
        const char* name;
    } cases[] = {
        {2, 10, 0, 22000, true, 23, "64bit System Windows 11 Build 22000"},
        {2, 10, 0, 26100, false, 23, "32bit System Windows 11 Build 26100"},
        {2, 10, 0, 21999, true, 22, "64bit System Windows 10 Build 21999"},
        {2, 6, 3, 9600, true, 20, "64bit System Windows 8.1 Build 9600"},
        {2, 6, 2, 9200, true, 18, "64bit System Windows 8 Build 9200"},
        {2, 6, 1, 7601, true, 16, "64bit System Windows 7"},
        {2, 6, 0, 6002, false, 13, "32bit System Windows Vista"},
        {2, 5, 1, 2600, false, 9, "32bit System Windows XP"},
        {2, 5, 2, 3790, true, 10, "64bit System Windows XP 64-Bit Edition"},
        {2, 4, 0, 1381, false, 7, "32bit System Windows NT"},
        {1, 4, 10, 2222, false, 4, "Windows 98"},
        {1, 4, 90, 3000, false, 6, "Windows ME"},
        {1, 4, 0, 950, false, 2, "Windows 95"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::MachineProfile& profile = machine.profile();
        profile.osPlatformId = c.platformId;
        profile.osMajor = c.major;
        profile.osMinor = c.minor;
        profile.osBuild = c.build;
        profile.os64Bit = c.os64;
        ResetOsNameAndCodeBForTest();
        char name[260] = "";
        EXPECT_EQ(GetOsNameAndCodeB(name), c.code);
        EXPECT_STREQ(name, c.name);
        // The mirror ping's form of the table calls every 10.0 build Windows 10.
        char pingName[260] = "";
        int pingCode = ComputeOsNameAndCode(pingName, false);
        EXPECT_EQ(pingCode, c.code == 23 ? 22 : c.code);
        if (c.code == 23) {
            EXPECT_NE(std::string(pingName).find("Windows 10 Build"), std::string::npos);
        }
        // Kept for the process: a changed machine is not asked again.
        profile.osMajor = 5;
        EXPECT_EQ(GetOsNameAndCodeB(nullptr), c.code);
    }
}

TEST_F(SystemControlsTest, SuspendAndHibernateAreRecordedNeverCarriedOut) {
    auto suspends = [] {
        std::vector<std::string> found;
        for (const std::string& event : platform::MachineEvents())
            if (event.rfind("SetSuspendState", 0) == 0) found.push_back(event);
        return found;
    };
    ResetOsNameAndCodeBForTest();
    // Without the privilege in the token the request is refused.
    machine.profile().shutdownPrivilegeHeld = false;
    EXPECT_EQ(Hibernate(), 0);
    machine.profile().shutdownPrivilegeHeld = true;
    EXPECT_EQ(Hibernate(), 1);
    EXPECT_EQ(SuspendSystem(0, 0, 1), 1);
    EXPECT_EQ(suspends(), (std::vector<std::string>{"SetSuspendState 1 1 0 refused", "SetSuspendState 1 1 0",
                                                    "SetSuspendState 0 0 1"}));

    // Before Windows XP 64-bit (code 10) nothing is asked and the code comes back.
    machine.profile().osMajor = 5;
    machine.profile().osMinor = 1;
    ResetOsNameAndCodeBForTest();
    EXPECT_EQ(Hibernate(), 9);
    EXPECT_EQ(suspends().size(), 3u);
}

}  // namespace

namespace {

TEST_F(SystemControlsTest, ProxyComesFromInternetSettingsOrTheEnvironment) {
    struct Case {
        const wchar_t* http;
        const wchar_t* https;
        const wchar_t* all;
        int result;
        const char* proxy;
    } cases[] = {
        {L"", L"", L"", 0, ""},
        {L"http://proxy.example:3128/", L"", L"", 1, "proxy.example:3128"},
        {L"http://a:1", L"http://a:1", L"", 1, "a:1"},
        {L"http://a:1", L"https://user:secret@b:2/path", L"", 1, "http=a:1;https=b:2"},
        {L"", L"", L"socks5://c:1080", 1, "c:1080"},
        {L"", L"d:8080", L"c:1080", 1, "http=c:1080;https=d:8080"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proxy);
        SetEnvironmentVariableW(L"http_proxy", c.http);
        SetEnvironmentVariableW(L"HTTPS_PROXY", c.https);
        SetEnvironmentVariableW(L"all_proxy", c.all);
        std::string proxy = "untouched";
        EXPECT_EQ(GetIeProxySetting(&proxy), c.result);
        EXPECT_EQ(proxy, c.proxy);
        EXPECT_EQ(GetIeProxySetting(), c.result);
    }
    // The user's own Internet Settings win when they exist, whatever they hold.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::string proxy = "untouched";
    EXPECT_EQ(GetIeProxySetting(&proxy), 1);
    EXPECT_EQ(proxy, "");
    const wchar_t server[] = L"corp:8080";
    ASSERT_EQ(RegSetValueExW(key, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server), sizeof server),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(GetIeProxySetting(&proxy), 1);
    EXPECT_EQ(proxy, "corp:8080");
}

}  // namespace
