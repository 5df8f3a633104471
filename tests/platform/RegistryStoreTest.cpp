#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/HostPaths.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

class RegistryStoreTest : public testsupport::MachineTest {
protected:
    HKEY Create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr)) << path;
        return key;
    }
    bool Exists(HKEY root, const char* path, REGSAM access = KEY_READ) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, access, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    static std::string ReadText(HKEY key, const char* name) {
        char buffer[512] = {};
        DWORD size = sizeof buffer - 1;
        if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
            return "<missing>";
        return buffer;
    }
};

TEST_F(RegistryStoreTest, TypedValuesReadBackWithTypeAndSize) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Typed");
    const DWORD number = 0x12345678;
    const BYTE binary[] = {0, 1, 2, 0xFF};
    struct Case {
        const char* name;
        DWORD type;
        std::vector<BYTE> bytes;
    } cases[] = {
        {"Text", REG_SZ, {'a', 'b', 'c', 0}},
        {"Expand", REG_EXPAND_SZ, {'%', 'T', '%', 0}},
        {"Multi", REG_MULTI_SZ, {'a', 0, 'b', 'c', 0, 0}},
        {"Number", REG_DWORD,
         std::vector<BYTE>(reinterpret_cast<const BYTE*>(&number), reinterpret_cast<const BYTE*>(&number) + 4)},
        {"Blob", REG_BINARY, std::vector<BYTE>(binary, binary + sizeof binary)},
        {"", REG_SZ, {'d', 'e', 'f', 0}},  // the default value
    };
    for (const Case& c : cases)
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, c.name, 0, c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size())));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD type = 0, size = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, c.name, nullptr, &type, nullptr, &size));
        EXPECT_EQ(c.type, type);
        ASSERT_EQ(c.bytes.size(), size);
        std::vector<BYTE> read(size);
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, c.name, nullptr, &type, read.data(), &size));
        EXPECT_EQ(c.bytes, read);
    }
    // Names are case-insensitive; the wide view of a text counts wchar_t bytes.
    EXPECT_EQ("abc", ReadText(key, "TEXT"));
    wchar_t wide[8] = {};
    DWORD wideSize = sizeof wide;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(key, L"text", nullptr, nullptr, reinterpret_cast<BYTE*>(wide), &wideSize));
    EXPECT_EQ(4 * sizeof(wchar_t), wideSize);
    EXPECT_STREQ(L"abc", wide);
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND),
              RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, BufferSizeRulesAndAnsiConversion) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Sizes");
    struct Case {
        size_t characters;  // without the terminator
        DWORD buffer;
        LONG expected;
    } cases[] = {{199, 200, ERROR_SUCCESS},
                 {200, 200, static_cast<LONG>(ERROR_MORE_DATA)},
                 {299, 200, static_cast<LONG>(ERROR_MORE_DATA)},
                 {0, 200, ERROR_SUCCESS}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.characters);
        std::string text(c.characters, 'x');
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "V", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                                static_cast<DWORD>(text.size() + 1)));
        std::vector<BYTE> buffer(c.buffer, 0xEE);
        DWORD size = c.buffer;
        EXPECT_EQ(c.expected, RegQueryValueExA(key, "V", nullptr, nullptr, buffer.data(), &size));
        EXPECT_EQ(c.characters + 1, size);  // the needed size either way
        if (c.expected != ERROR_SUCCESS) {
            EXPECT_EQ(0xEE, buffer[0]) << "no data on ERROR_MORE_DATA";
        }
    }
    // Code page 1252 text is held as Unicode and given back in the code page.
    const char latin[] = "caf\xE9";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Latin", 0, REG_SZ, reinterpret_cast<const BYTE*>(latin), 5));
    wchar_t wide[8] = {};
    DWORD wideSize = sizeof wide;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(key, L"Latin", nullptr, nullptr, reinterpret_cast<BYTE*>(wide), &wideSize));
    EXPECT_EQ(std::wstring(L"caf\u00E9"), wide);
    EXPECT_EQ(latin, ReadText(key, "Latin"));
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, EnumerationDeletionAndDefaultValues) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Tree");
    RegCloseKey(Create(key, "beta\\inner"));
    RegCloseKey(Create(key, "Alpha"));
    char name[64];
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyA(key, 0, name, sizeof name));
    EXPECT_STREQ("Alpha", name);  // sorted without regard to case, case kept
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyA(key, 1, name, sizeof name));
    EXPECT_STREQ("beta", name);
    EXPECT_EQ(static_cast<LONG>(ERROR_NO_MORE_ITEMS), RegEnumKeyA(key, 2, name, sizeof name));
    EXPECT_EQ(static_cast<LONG>(ERROR_MORE_DATA), RegEnumKeyA(key, 0, name, 5));

    DWORD subKeys = 0, values = 0, longest = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &longest, nullptr, &values,
                                              nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(2u, subKeys);
    EXPECT_EQ(5u, longest);
    EXPECT_EQ(0u, values);

    // A key with sub-keys cannot be deleted; a leaf can; a missing one is not found.
    EXPECT_EQ(static_cast<LONG>(ERROR_ACCESS_DENIED), RegDeleteKeyA(key, "beta"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(key, "beta\\inner"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(key, "BETA"));
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND), RegDeleteKeyA(key, "beta"));

    // RegSetValueA stores the text with its terminator whatever size it is given.
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(key, "Shell\\open", REG_SZ, "cmd", 3));
    char text[16] = {};
    LONG size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueA(key, "Shell\\open", text, &size));
    EXPECT_STREQ("cmd", text);
    EXPECT_EQ(4, size);
    size = sizeof text;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueA(key, "Alpha", text, &size));  // no default value: empty text
    EXPECT_STREQ("", text);
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, WowRedirectionBothWays) {
    machine.profile().elevated = true;
    struct Case {
        bool process64;
        REGSAM view;
        const char* written;  // where "Software\Vendor" lands
    } cases[] = {
        {false, 0, "SOFTWARE\\WOW6432Node\\Vendor"},
        {false, KEY_WOW64_64KEY, "SOFTWARE\\Vendor"},
        {true, 0, "SOFTWARE\\Vendor"},
        {true, KEY_WOW64_32KEY, "SOFTWARE\\WOW6432Node\\Vendor"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        machine.profile().process64Bit = c.process64;
        HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Vendor", KEY_ALL_ACCESS | c.view);
        RegCloseKey(key);
        machine.profile().process64Bit = true;  // the 64-bit view sees the real layout
        EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, c.written));
        HKEY parent = nullptr;
        std::string path = c.written;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.substr(0, path.rfind('\\')).c_str(), 0,
                                               KEY_ALL_ACCESS, &parent));
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(parent, "Vendor"));
        RegCloseKey(parent);
    }
    // A 32-bit system has one view; SYSTEM is never redirected.
    machine.profile().os64Bit = false;
    machine.profile().process64Bit = false;
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Software\\Plain"));
    machine.profile().os64Bit = true;
    machine.profile().process64Bit = true;
    EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Plain"));
    machine.profile().process64Bit = false;
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "SYSTEM\\Shared"));
    machine.profile().process64Bit = true;
    EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, "SYSTEM\\Shared"));
}

TEST_F(RegistryStoreTest, UnelevatedMachineWritesAreRefused) {
    machine.profile().elevated = true;
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Software\\Existing"));
    machine.profile().elevated = false;
    HKEY key = nullptr;
    EXPECT_EQ(static_cast<LONG>(ERROR_ACCESS_DENIED), RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\New", 0, nullptr,
                                                                      0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(static_cast<LONG>(ERROR_ACCESS_DENIED),
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Existing", 0, KEY_ALL_ACCESS, &key));
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND),
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Missing", 0, KEY_ALL_ACCESS, &key));
    // The most allowed is read access: reads work, writes and deletes do not.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Existing", &key));
    const BYTE text[] = "x";
    EXPECT_EQ(static_cast<LONG>(ERROR_ACCESS_DENIED), RegSetValueExA(key, "V", 0, REG_SZ, text, 2));
    EXPECT_EQ(static_cast<LONG>(ERROR_FILE_NOT_FOUND), RegQueryValueExA(key, "V", nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
    EXPECT_EQ(static_cast<LONG>(ERROR_ACCESS_DENIED), RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Existing"));
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, "Software\\New"));
    // The user's own hive stays writable.
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Mine"));
}

TEST_F(RegistryStoreTest, StaleHandlesFailCleanly) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Gone");
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Gone"));
    const BYTE text[] = "x";
    EXPECT_EQ(static_cast<LONG>(ERROR_KEY_DELETED), RegSetValueExA(key, "V", 0, REG_SZ, text, 2));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(static_cast<LONG>(ERROR_INVALID_HANDLE), RegCloseKey(key));
    EXPECT_EQ(static_cast<LONG>(ERROR_INVALID_HANDLE), RegSetValueExA(key, "V", 0, REG_SZ, text, 2));
}

TEST_F(RegistryStoreTest, AnotherProcessReadsWhatWasWritten) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Persist");
    const char text[] = "kept across processes";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text));
    RegCloseKey(key);

    std::wstring child = platform::FromHostPath(PLATFORM_TEST_CHILD);
    std::string outHost = Host(L"C:\\regget.txt");
    std::wstring command =
        L"\"" + child + L"\" regget Software\\Persist Value \"" + platform::Utf8ToUtf16(outHost) + L"\"";
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 10000));
    DWORD code = 1;
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(text, ReadHostFile(outHost));
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
}

TEST_F(RegistryStoreTest, HiveSurvivesAWriterKilledMidWrite) {
    std::wstring child = platform::FromHostPath(PLATFORM_TEST_CHILD);
    std::wstring command = L"\"" + child + L"\" regloop";
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
    std::string hive = machine.machine().StatePath("registry-HKCU.hive");
    // Let it rewrite the hive many times, then end it wherever it is.
    for (int i = 0; i < 200 && ReadHostFile(hive).size() < 65536; ++i) Sleep(10);
    Sleep(150);
    ASSERT_TRUE(TerminateProcess(info.hProcess, 9));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 10000));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(9u, code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);

    std::string text = ReadHostFile(hive);
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ("END\n", text.substr(text.size() - 4));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\LoopTest", 0, KEY_READ, &key));
    std::vector<BYTE> block(65536);
    DWORD size = static_cast<DWORD>(block.size());
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Block", nullptr, nullptr, block.data(), &size));
    ASSERT_EQ(65536u, size);
    for (BYTE b : block) ASSERT_EQ(block[0], b) << "a block from two different writes";
    RegCloseKey(key);
    // The next write goes through over whatever temporary file the writer left.
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\After"));
    EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Software\\After"));
}

TEST_F(RegistryStoreTest, DamagedHiveIsSetAsideNotOverwritten) {
    const char* samples[] = {"garbage\n", "WEBINSTALLER-REGISTRY-HIVE 1\nK\tSoftware\n",
                             "WEBINSTALLER-REGISTRY-HIVE 1\nV\t1\tname\tzz\nEND\n"};
    for (const char* sample : samples) {
        SCOPED_TRACE(sample);
        platform::ScopedMachine fresh;
        std::string hive = fresh.machine().StatePath("registry-HKCU.hive");
        WriteHostFile(hive, sample);
        EXPECT_FALSE(Exists(HKEY_CURRENT_USER, "Software"));
        RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Fresh"));
        EXPECT_EQ(sample, ReadHostFile(hive + ".damaged"));
        EXPECT_TRUE(Exists(HKEY_CURRENT_USER, "Software\\Fresh"));
    }
}

TEST_F(RegistryStoreTest, MachineHiveIsSeededWithTheAdapterKeys) {
    machine.profile().networkAdapters = std::vector<platform::NetworkAdapterEntry>{
        {"{AAAA}", "Wired", {0x1c, 1, 2, 3, 4, 5}, true},
        {"{BBBB}", "Virtual", {0x00, 0x50, 0x56, 1, 2, 3}, false},
    };
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                           "SYSTEM\\CurrentControlSet\\Control\\Class\\"
                                           "{4D36E972-E325-11CE-BFC1-08002bE10318}\\0001",
                                           0, KEY_READ, &key));
    EXPECT_EQ("{BBBB}", ReadText(key, "NetCfgInstanceId"));
    DWORD flags = 0, size = 4;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "Characteristics", nullptr, nullptr, reinterpret_cast<BYTE*>(&flags), &size));
    EXPECT_EQ(0u, flags & 0x4);
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                           "SYSTEM\\CurrentControlSet\\Control\\Network\\"
                                           "{4D36E972-E325-11CE-BFC1-08002BE10318}\\{AAAA}\\Connection",
                                           0, KEY_READ, &key));
    EXPECT_EQ(0u, ReadText(key, "PnpInstanceID").rfind("PCI\\", 0));
    RegCloseKey(key);
}

}  // namespace
