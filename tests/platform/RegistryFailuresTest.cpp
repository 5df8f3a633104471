#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include "tests/platform/DescriptorLimit.h"
#include "tests/support/MachineFixture.h"

namespace {

namespace fs = std::filesystem;

// A hive with one value, REG_SZ "kept" under HKCU\Software\Kept.
const char kKeptHive[] =
    "WEBINSTALLER-REGISTRY-HIVE 1\n"
    "K\tSoftware\n"
    "K\tSoftware\\Kept\n"
    "V\t1\tName\t6b0065007000740000000000\n"
    "END\n";

class RegistryFailuresTest : public testsupport::MachineTest {
protected:
    std::string hive = machine.machine().StatePath("registry-HKCU.hive");

    LONG SetText(HKEY root, const char* path, const char* name, const char* text) {
        HKEY key = nullptr;
        LONG result = RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (result != ERROR_SUCCESS) return result;
        result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                static_cast<DWORD>(std::strlen(text) + 1));
        RegCloseKey(key);
        return result;
    }
    std::string GetText(HKEY root, const char* path, const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
        char buffer[64] = {};
        DWORD size = sizeof buffer - 1;
        LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS ? std::string(buffer) : "<no value>";
    }
    static bool HasDamagedFile(const std::string& hivePath) {
        fs::path folder = fs::path(hivePath).parent_path();
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().find(".damaged") != std::string::npos) return true;
        return false;
    }
};

// A hive that could not be read just now is no damaged hive: the call fails
// and the next write must not set the sound hive aside.
TEST_F(RegistryFailuresTest, ReadWhileDescriptorsRanOutFailsAndKeepsTheHive) {
    WriteHostFile(hive, kKeptHive);
    {
        testsupport::DescriptorsRunOut exhausted;
        HKEY key = nullptr;
        EXPECT_EQ(static_cast<LONG>(ERROR_TOO_MANY_OPEN_FILES),
                  RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kept", 0, KEY_READ, &key));
    }
    EXPECT_EQ(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\New", "Other", "new"));
    EXPECT_FALSE(HasDamagedFile(hive));
    EXPECT_EQ("kept", GetText(HKEY_CURRENT_USER, "Software\\Kept", "Name"));
    EXPECT_EQ("new", GetText(HKEY_CURRENT_USER, "Software\\New", "Other"));
}

TEST_F(RegistryFailuresTest, UnreadableHiveFailsReadsAndWritesAndStays) {
    struct Case {
        const char* what;
        void (*make)(const std::string& hive);
        LONG expected;
    } cases[] = {
        {"over the size limit",
         [](const std::string& path) {
             WriteHostFile(path, kKeptHive);
             ASSERT_EQ(0, ::truncate(path.c_str(), 65LL * 1024 * 1024));
         },
         static_cast<LONG>(ERROR_REGISTRY_IO_FAILED)},
        {"a folder", [](const std::string& path) { fs::create_directories(path + "/inner"); },
         static_cast<LONG>(ERROR_ACCESS_DENIED)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::ScopedMachine fresh;
        std::string path = fresh.machine().StatePath("registry-HKCU.hive");
        c.make(path);
        auto before = fs::status(path).type();
        std::uintmax_t size = fs::is_regular_file(path) ? fs::file_size(path) : 0;
        EXPECT_EQ("<no key>", GetText(HKEY_CURRENT_USER, "Software\\Kept", "Name"));
        EXPECT_EQ(c.expected, SetText(HKEY_CURRENT_USER, "Software\\New", "Other", "new"));
        EXPECT_EQ(before, fs::status(path).type());
        if (size != 0) {
            EXPECT_EQ(size, fs::file_size(path));
        }
        EXPECT_FALSE(HasDamagedFile(path));
    }
}

TEST_F(RegistryFailuresTest, EveryDamagedHiveIsKeptUnderItsOwnName) {
    WriteHostFile(hive, "first damage\n");
    ASSERT_EQ(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\One", "V", "1"));
    WriteHostFile(hive, "second damage\n");
    ASSERT_EQ(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\Two", "V", "2"));
    EXPECT_EQ("first damage\n", ReadHostFile(hive + ".damaged"));
    EXPECT_EQ("second damage\n", ReadHostFile(hive + ".damaged.1"));
    EXPECT_EQ("2", GetText(HKEY_CURRENT_USER, "Software\\Two", "V"));
}

TEST_F(RegistryFailuresTest, FailedSaveIsNotKeptForALaterWrite) {
    ASSERT_EQ(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\Demo", "First", "1"));
    // A folder in the temporary file's place makes the next save fail.
    fs::create_directories(hive + ".tmp/blocker");
    EXPECT_NE(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\Demo", "Lost", "x"));
    EXPECT_EQ("<no value>", GetText(HKEY_CURRENT_USER, "Software\\Demo", "Lost"));
    fs::remove_all(hive + ".tmp");
    ASSERT_EQ(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\Demo", "Later", "2"));
    EXPECT_EQ(std::string::npos, ReadHostFile(hive).find("Lost"));
    EXPECT_EQ("1", GetText(HKEY_CURRENT_USER, "Software\\Demo", "First"));
    EXPECT_EQ("2", GetText(HKEY_CURRENT_USER, "Software\\Demo", "Later"));
}

TEST_F(RegistryFailuresTest, LinksAtTheLockAndTemporaryNamesAreNotFollowed) {
    std::string target = Host(L"C:\\planted.txt");
    fs::create_symlink(target, hive + ".lock");
    EXPECT_NE(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\Demo", "V", "1"));
    EXPECT_FALSE(fs::exists(target));
    fs::remove(hive + ".lock");

    WriteHostFile(target, "untouched");
    fs::create_symlink(target, hive + ".tmp");
    EXPECT_EQ(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\Demo", "V", "1"));
    EXPECT_EQ("untouched", ReadHostFile(target));
    EXPECT_EQ("1", GetText(HKEY_CURRENT_USER, "Software\\Demo", "V"));
}

// A name the ANSI code page cannot convert must not turn into "" (the key
// itself, or its default value).
TEST_F(RegistryFailuresTest, NameThatCannotBeConvertedFailsTheCall) {
    ASSERT_EQ(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\Demo", "V", "1"));
    machine.profile().ansiCodePage = 12345;  // no converter for it
    HKEY key = nullptr;
    const LONG untranslatable = static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
    EXPECT_EQ(untranslatable, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Demo", 0, KEY_ALL_ACCESS, &key));
    EXPECT_EQ(untranslatable, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Demo", 0, nullptr, 0, KEY_ALL_ACCESS,
                                              nullptr, &key, nullptr));
    const BYTE text[] = "x";
    EXPECT_EQ(untranslatable, RegSetValueExA(HKEY_CURRENT_USER, "Name", 0, REG_SZ, text, sizeof text));
    EXPECT_EQ(untranslatable, RegSetValueExA(HKEY_CURRENT_USER, "", 0, REG_SZ, text, sizeof text));
    EXPECT_EQ(untranslatable, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Demo"));
    machine.profile().ansiCodePage = 1252;
    DWORD values = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, values);
    EXPECT_EQ("1", GetText(HKEY_CURRENT_USER, "Software\\Demo", "V"));
}

// What the folder-sync hook saw at each call.
struct FolderSync {
    bool directory = false;
    dev_t device = 0;
    ino_t inode = 0;
    int result = -1;
    std::string hiveThen;   // the hive file's text at the moment of the flush
    bool tempThen = false;  // whether the temporary file still existed
};
std::vector<FolderSync> g_syncs;
std::string g_syncedHive;

void RecordFolderSync(int folder, int result) {
    FolderSync seen;
    struct stat info {};
    if (::fstat(folder, &info) == 0) {
        seen.directory = S_ISDIR(info.st_mode);
        seen.device = info.st_dev;
        seen.inode = info.st_ino;
    }
    seen.result = result;
    std::ifstream in(g_syncedHive, std::ios::binary);
    seen.hiveThen.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    seen.tempThen = fs::exists(g_syncedHive + ".tmp");
    g_syncs.push_back(seen);
}

// A save renames the new hive into the state folder and then flushes that
// folder, so the rename itself survives a crash.
TEST_F(RegistryFailuresTest, StateFolderIsFlushedAfterTheRename) {
    struct Case {
        const char* what;
        const char* before;  // the hive file's text before the write, null: none
    } cases[] = {
        {"a new hive", nullptr},
        {"a sound hive", kKeptHive},
        {"a damaged hive set aside", "damaged\n"},
    };
    g_syncedHive = hive;
    struct stat folder {};
    ASSERT_EQ(0, ::stat(fs::path(hive).parent_path().c_str(), &folder));
    platform::SetRegistryFolderSyncHook(RecordFolderSync);
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.before != nullptr) WriteHostFile(hive, c.before);
        g_syncs.clear();
        std::string name = "Synced" + std::to_string(++round);
        ASSERT_EQ(ERROR_SUCCESS, SetText(HKEY_CURRENT_USER, "Software\\Demo", name.c_str(), "1"));
        ASSERT_FALSE(g_syncs.empty()) << "the folder was not flushed";
        const FolderSync& last = g_syncs.back();
        EXPECT_TRUE(last.directory);
        EXPECT_EQ(folder.st_dev, last.device);
        EXPECT_EQ(folder.st_ino, last.inode);
        EXPECT_EQ(0, last.result);
        EXPECT_NE(std::string::npos, last.hiveThen.find(name)) << "flushed before the rename";
        EXPECT_FALSE(last.tempThen);
    }
    platform::SetRegistryFolderSyncHook(nullptr);
    EXPECT_EQ("damaged\n", ReadHostFile(hive + ".damaged"));
}

}  // namespace
