#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/Folders.h"
#include "util/ShellPaths.h"

namespace {

namespace fs = std::filesystem;

class FoldersTest : public testsupport::MachineTest {};

TEST_F(FoldersTest, CreateDirectoryPathCreatesEveryPrefixAndRefusesLongPaths) {
    EXPECT_EQ(CreateDirectoryPath(L"C:\\a\\b"), 1);
    EXPECT_TRUE(fs::is_directory(Host(L"C:\\a\\b")));
    EXPECT_EQ(CreateDirectoryPath(L"C:\\x\\y\\"), 1);
    EXPECT_TRUE(fs::is_directory(Host(L"C:\\x\\y")));
    std::wstring longPath = L"C:\\" + std::wstring(258, L'n');
    EXPECT_EQ(longPath.size(), 261u);
    EXPECT_EQ(CreateDirectoryPath(longPath.c_str()), 0);
    EXPECT_EQ(CreateParentDirectories(L"C:\\p\\q\\file.txt"), 1);
    EXPECT_TRUE(fs::is_directory(Host(L"C:\\p\\q")));
    EXPECT_FALSE(fs::exists(Host(L"C:\\p\\q\\file.txt")));
    EXPECT_EQ(CreateParentDirectories(L"file.txt"), 1);
}

TEST_F(FoldersTest, DeleteDirectoryTreeRemovesContentsWithOrWithoutTrailingSlash) {
    for (const wchar_t* path : {L"C:\\tree", L"C:\\tree\\"}) {
        CreateDirectoryPath(L"C:\\tree\\sub\\deeper");
        WriteHostFile(Host(L"C:\\tree\\a.txt"), "a");
        WriteHostFile(Host(L"C:\\tree\\sub\\deeper\\b.txt"), "b");
        EXPECT_TRUE(DeleteDirectoryTree(path));
        EXPECT_FALSE(fs::exists(Host(L"C:\\tree")));
    }
    EXPECT_FALSE(DeleteDirectoryTree(L"C:\\missing"));
}

TEST_F(FoldersTest, DeleteDirectoryTreeRemovesLinksWithoutFollowingThem) {
    CreateDirectoryPath(L"C:\\outside\\keep");
    WriteHostFile(Host(L"C:\\outside\\keep\\precious.txt"), "x");
    CreateDirectoryPath(L"C:\\product");
    fs::create_directory_symlink(Host(L"C:\\outside\\keep"), Host(L"C:\\product") + "/link");
    EXPECT_TRUE(DeleteDirectoryTree(L"C:\\product"));
    EXPECT_FALSE(fs::exists(Host(L"C:\\product")));
    EXPECT_TRUE(fs::exists(Host(L"C:\\outside\\keep\\precious.txt")));
}

TEST_F(FoldersTest, DeleteDirectoryTreeRefusesRootsAndShellFolders) {
    WriteHostFile(Host(L"C:\\Users\\User\\Documents\\mine.txt"), "mine");
    for (const wchar_t* path :
         {L"", L"C:\\", L"C:", L"C:\\Users\\User\\Documents", L"c:\\users\\user\\documents\\",
          L"C:\\Program Files (x86)", L"C:\\Windows", L"C:\\Users\\User", L"C:\\Users\\User\\Downloads",
          L"C:\\Users\\User\\AppData\\Roaming", L"C:\\Users\\User\\AppData", L"C:\\Users\\Public", L"Z:\\",
          L"Documents", L"C:\\Temp\\..\\Users\\User\\Documents"})
        EXPECT_FALSE(DeleteDirectoryTree(path)) << std::string(path, path + wcslen(path));
    EXPECT_TRUE(fs::exists(Host(L"C:\\Users\\User\\Documents\\mine.txt")));
}

TEST_F(FoldersTest, DeleteMatchingEntriesAndCollectFiles) {
    CreateDirectoryPath(L"C:\\base\\sub\\old_cache");
    WriteHostFile(Host(L"C:\\base\\sub\\old_cache\\x.bin"), "x");
    WriteHostFile(Host(L"C:\\base\\sub\\old_file.txt"), "y");
    WriteHostFile(Host(L"C:\\base\\sub\\keep.txt"), "z");
    std::vector<std::wstring> files;
    CollectFilesRecursive(L"C:\\base\\", files);
    EXPECT_EQ(files.size(), 3u);
    DeleteMatchingEntries(L"C:\\base", L"sub", L"old");
    EXPECT_FALSE(fs::exists(Host(L"C:\\base\\sub\\old_cache")));
    EXPECT_FALSE(fs::exists(Host(L"C:\\base\\sub\\old_file.txt")));
    EXPECT_TRUE(fs::exists(Host(L"C:\\base\\sub\\keep.txt")));
}

class ShellPathsTest : public testsupport::MachineTest {};

TEST_F(ShellPathsTest, DocumentsAndDownloadsPaths) {
    EXPECT_EQ(GetDocumentsSubPath(L"Company\\Product\\Log\\", L"install.log", true),
              L"C:\\Users\\User\\Documents\\Company\\Product\\Log\\install.log");
    EXPECT_TRUE(fs::is_directory(Host(L"C:\\Users\\User\\Documents\\Company\\Product\\Log")));
    EXPECT_EQ(GetDownloadsSubPath(L"Product", L"setup.exe", false), L"C:\\Users\\User\\Downloads\\Product\\setup.exe");
    // A moved Documents folder takes Downloads along to its new parent.
    machine.profile().documentsFolder = L"D:\\Moved\\Docs";
    machine.profile().extraDrives.push_back(L'D');
    EXPECT_EQ(GetDownloadsSubPath(nullptr, nullptr, false), L"D:\\Moved\\Downloads");
    wchar_t appData[MAX_PATH] = {0};
    EXPECT_EQ(GetAppDataFolder(appData), 1);
    EXPECT_STREQ(appData, L"C:\\Users\\User\\AppData\\Roaming");
}

TEST_F(ShellPathsTest, ProgramFilesFollowsTheProductBitness) {
    wchar_t path[MAX_PATH] = {0};
    MakeProgramFilesPath(path, L"Product", false, true);
    EXPECT_STREQ(path, L"C:\\Program Files\\Product");
    MakeProgramFilesPath(path, L"Product", false, false);
    EXPECT_STREQ(path, L"C:\\Program Files (x86)\\Product");
    machine.profile().os64Bit = false;
    MakeProgramFilesPath(path, L"Product", true, true);
    EXPECT_STREQ(path, L"C:\\Program Files\\Product");
    EXPECT_TRUE(fs::is_directory(Host(L"C:\\Program Files\\Product")));
    EXPECT_EQ(GetSystemFolder(true), L"C:\\Windows\\System32");
}

TEST_F(ShellPathsTest, JoinResourcesAndFreeSpace) {
    EXPECT_EQ(JoinPath(L"C:\\a", L"b\\c.txt"), L"C:\\a\\b\\c.txt");
    EXPECT_EQ(JoinPathA("C:\\a\\", "b"), "C:\\a\\b");
    std::string text = "unchanged";
    EXPECT_FALSE(LoadResourceData(999, L"xml", text));
    EXPECT_EQ(text, "unchanged");
    platform::OverrideResource(L"xml", MAKEINTRESOURCEW(501), std::string("<a/>\0tail", 9));
    EXPECT_TRUE(LoadResourceData(501, L"XML", text));
    EXPECT_EQ(text, "<a/>");
    machine.profile().freeBytes[L'C'] = 5ULL * 1024 * 1024 + 1000;
    EXPECT_EQ(GetDiskFreeMB('C'), 5u);
    EXPECT_EQ(GetDiskFreeMB('R'), 0u);
}

}  // namespace
