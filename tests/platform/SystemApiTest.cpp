#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

class SystemApiTest : public testsupport::MachineTest {};

TEST_F(SystemApiTest, VersionProbesFollowTheProfileWithTheCompatibilityCap) {
    struct Case {
        DWORD major, minor, build;
        DWORD reportedMajor, reportedMinor;  // by GetVersionExW
    } cases[] = {
        {5, 1, 2600, 5, 1}, {6, 0, 6002, 6, 0}, {6, 1, 7601, 6, 1},
        {6, 2, 9200, 6, 2}, {6, 3, 9600, 6, 2}, {10, 0, 22631, 6, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.major * 100 + c.minor);
        machine.profile().osMajor = c.major;
        machine.profile().osMinor = c.minor;
        machine.profile().osBuild = c.build;
        OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = sizeof info;
        ASSERT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)));
        EXPECT_EQ(c.reportedMajor, info.dwMajorVersion);
        EXPECT_EQ(c.reportedMinor, info.dwMinorVersion);
        DWORD major = 0, minor = 0, build = 0;
        RtlGetNtVersionNumbers(&major, &minor, &build);
        EXPECT_EQ(c.major, major);
        EXPECT_EQ(c.minor, minor);
        EXPECT_EQ(c.build, build & 0xFFFF);
        LPBYTE buffer = nullptr;
        ASSERT_EQ(NERR_Success, NetWkstaGetInfo(nullptr, 100, &buffer));
        EXPECT_EQ(c.major, reinterpret_cast<WKSTA_INFO_100*>(buffer)->wki100_ver_major);
        NetApiBufferFree(buffer);
    }
    OSVERSIONINFOW wrongSize{};
    wrongSize.dwOSVersionInfoSize = 12;
    EXPECT_FALSE(GetVersionExW(&wrongSize));
    machine.profile().workstationInfoFails = true;
    LPBYTE buffer = nullptr;
    EXPECT_NE(NERR_Success, NetWkstaGetInfo(nullptr, 100, &buffer));
    EXPECT_EQ(nullptr, buffer);
}

TEST_F(SystemApiTest, BitnessOfProcessAndMachine) {
    struct Case {
        bool os64, process64;
        BOOL wow64;
        WORD native, seen;
    } cases[] = {
        {true, false, TRUE, PROCESSOR_ARCHITECTURE_AMD64, PROCESSOR_ARCHITECTURE_INTEL},
        {true, true, FALSE, PROCESSOR_ARCHITECTURE_AMD64, PROCESSOR_ARCHITECTURE_AMD64},
        {false, false, FALSE, PROCESSOR_ARCHITECTURE_INTEL, PROCESSOR_ARCHITECTURE_INTEL},
    };
    for (const Case& c : cases) {
        machine.profile().os64Bit = c.os64;
        machine.profile().process64Bit = c.process64;
        BOOL wow64 = 2;
        ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
        EXPECT_EQ(c.wow64, wow64);
        SYSTEM_INFO native{}, seen{};
        GetNativeSystemInfo(&native);
        GetSystemInfo(&seen);
        EXPECT_EQ(c.native, native.wProcessorArchitecture);
        EXPECT_EQ(c.seen, seen.wProcessorArchitecture);
        EXPECT_GE(native.dwNumberOfProcessors, 1u);
    }
}

TEST_F(SystemApiTest, AdaptersComeFromTheProfileTableWithBufferOverflow) {
    machine.profile().networkAdapters = std::vector<platform::NetworkAdapterEntry>{
        {"{A}", "First", {0xaa, 1, 2, 3, 4, 5}, true},
        {"{B}", "Second", {0x1c, 6, 7, 8, 9, 10}, false},
    };
    ULONG size = 648;
    auto small = std::make_unique<IP_ADAPTER_INFO[]>(1);
    ASSERT_EQ(ERROR_BUFFER_OVERFLOW, GetAdaptersInfo(small.get(), &size));
    ASSERT_EQ(2 * sizeof(IP_ADAPTER_INFO), size);
    auto list = std::make_unique<IP_ADAPTER_INFO[]>(2);
    ASSERT_EQ(ERROR_SUCCESS, GetAdaptersInfo(list.get(), &size));
    EXPECT_STREQ("{A}", list[0].AdapterName);
    ASSERT_EQ(&list[1], list[0].Next);
    EXPECT_EQ(nullptr, list[1].Next);
    EXPECT_EQ(6u, list[1].AddressLength);
    EXPECT_EQ(0x1c, list[1].Address[0]);
    machine.profile().networkAdapters = std::vector<platform::NetworkAdapterEntry>{};
    EXPECT_EQ(ERROR_NO_DATA, GetAdaptersInfo(list.get(), &size));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetAdaptersInfo(list.get(), nullptr));
}

TEST_F(SystemApiTest, HostAdaptersAreWellFormed) {
    ULONG size = 0;
    DWORD result = GetAdaptersInfo(nullptr, &size);
    if (result == ERROR_NO_DATA) GTEST_SKIP() << "the host has no adapter with a hardware address";
    ASSERT_EQ(ERROR_BUFFER_OVERFLOW, result);
    auto list = std::make_unique<IP_ADAPTER_INFO[]>(size / sizeof(IP_ADAPTER_INFO));
    ASSERT_EQ(ERROR_SUCCESS, GetAdaptersInfo(list.get(), &size));
    for (const IP_ADAPTER_INFO* adapter = list.get(); adapter != nullptr; adapter = adapter->Next) {
        EXPECT_EQ(6u, adapter->AddressLength);
        EXPECT_EQ('{', adapter->AdapterName[0]);
        EXPECT_NE('\0', adapter->Description[0]);
    }
}

TEST_F(SystemApiTest, RestartNeedsTheShutdownPrivilegeAndIsOnlyRecorded) {
    EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));
    EXPECT_EQ(ERROR_PRIVILEGE_NOT_HELD, GetLastError());
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;

    machine.profile().shutdownPrivilegeHeld = false;
    ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
    EXPECT_EQ(ERROR_NOT_ALL_ASSIGNED, GetLastError());
    machine.profile().shutdownPrivilegeHeld = true;
    ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, GetLastError());
    CloseHandle(token);
    EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0));
    std::vector<std::string> events = platform::MachineEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ("ExitWindowsEx 6 0", events.back());
}

TEST_F(SystemApiTest, AdministratorsMembershipFollowsElevation) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                         &admins));
    for (bool elevated : {false, true}) {
        machine.profile().elevated = elevated;
        BOOL member = 2;
        ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &member));
        EXPECT_EQ(elevated ? TRUE : FALSE, member);
    }
    // The shell's token is the user's unelevated one even for an elevated process.
    DWORD shellPid = 0;
    GetWindowThreadProcessId(GetShellWindow(), &shellPid);
    HANDLE shell = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, shellPid);
    ASSERT_NE(nullptr, shell);
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(shell, TOKEN_DUPLICATE, &token));
    BOOL member = 2;
    ASSERT_TRUE(CheckTokenMembership(token, admins, &member));
    EXPECT_FALSE(member);
    CloseHandle(token);
    CloseHandle(shell);
    FreeSid(admins);
}

TEST_F(SystemApiTest, ShellLinkSavesAndLoadsItsFields) {
    IShellLinkW* link = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link)));
    link->SetPath(L"C:\\Program Files\\App\\app.exe");
    link->SetArguments(L"--mode \"x%y\"\nsecond");
    link->SetWorkingDirectory(L"C:\\Program Files\\App");
    link->SetIconLocation(L"C:\\icon.ico", 2);
    link->SetDescription(L"App shortcut");
    IPersistFile* file = nullptr;
    ASSERT_EQ(S_OK, link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    EXPECT_EQ(S_OK, file->Save(L"C:\\Users\\User\\Desktop\\App.lnk", TRUE));
    EXPECT_NE(S_OK, file->Save(L"C:\\No\\Such\\Folder\\App.lnk", TRUE));
    file->Release();
    link->Release();

    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistFile,
                                     reinterpret_cast<void**>(&file)));
    ASSERT_EQ(S_OK, file->Load(L"C:\\Users\\User\\Desktop\\App.lnk", 0));
    ASSERT_EQ(S_OK, file->QueryInterface(IID_IShellLinkW, reinterpret_cast<void**>(&link)));
    wchar_t text[MAX_PATH];
    int index = 0;
    link->GetArguments(text, MAX_PATH);
    EXPECT_STREQ(L"--mode \"x%y\"\nsecond", text);
    link->GetIconLocation(text, MAX_PATH, &index);
    EXPECT_STREQ(L"C:\\icon.ico", text);
    EXPECT_EQ(2, index);
    link->GetPath(text, MAX_PATH, nullptr, 0);
    EXPECT_STREQ(L"C:\\Program Files\\App\\app.exe", text);
    link->Release();
    file->Release();
}

TEST(GuidTest, GuidsAreRandomVersionFour) {
    GUID a{}, b{};
    ASSERT_EQ(S_OK, CoCreateGuid(&a));
    ASSERT_EQ(S_OK, CoCreateGuid(&b));
    EXPECT_FALSE(IsEqualGUID(a, b));
    EXPECT_EQ(0x4000, a.Data3 & 0xF000);
}

}  // namespace
