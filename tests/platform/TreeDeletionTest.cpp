#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/Win32.h"
#include "platform/files/TreeDeletion.h"
#include "tests/support/MachineFixture.h"

namespace {

namespace fs = std::filesystem;
using platform::TreeDeletion;

class TreeDeletionTest : public testsupport::MachineTest {
protected:
    std::vector<std::wstring> protectedFolders = {L"C:\\Users\\User\\Documents", L"C:\\Users\\User\\AppData\\Roaming",
                                                  L"C:\\Users\\Public\\Desktop"};

    void MakeFile(const std::wstring& folder, const std::string& hostName, const std::string& bytes = "x") {
        fs::create_directories(Host(folder));
        WriteHostFile(Host(folder) + "/" + hostName, bytes);
    }
};

// Host names that read back as Windows paths would name files outside the
// tree, or other files inside it; none of those files may go.
TEST_F(TreeDeletionTest, HostileHostNamesNeverReachOtherFiles) {
    MakeFile(L"C:\\victim", "keep.txt");
    MakeFile(L"C:\\Temp\\job", "other.txt");
    MakeFile(L"C:\\Temp\\job", "a");
    MakeFile(L"C:\\Temp\\job", "a.");
    MakeFile(L"C:\\Temp\\job", "b ");
    MakeFile(L"C:\\Temp\\job", "nul");
    MakeFile(L"C:\\Temp\\job", "what?");
    fs::create_directories(Host(L"C:\\Temp\\job") + "/..\\..\\..\\..\\..\\..\\victim");
    WriteHostFile(Host(L"C:\\Temp\\job") + "/..\\..\\..\\..\\..\\..\\victim/keep.txt", "inner");
    MakeFile(L"C:\\Temp\\job\\inner", "..\\other.txt");
    MakeFile(L"C:\\Temp\\job\\inner", "plain.txt");

    EXPECT_EQ(platform::DeleteFolderTree(L"C:\\Temp\\job", protectedFolders), TreeDeletion::Done);
    EXPECT_TRUE(fs::exists(Host(L"C:\\victim\\keep.txt")));
    // Ordinary entries went; the hostile names stay, so their folders do too.
    std::string job = Host(L"C:\\Temp\\job");
    EXPECT_FALSE(fs::exists(job + "/other.txt"));
    EXPECT_FALSE(fs::exists(job + "/a"));
    EXPECT_FALSE(fs::exists(job + "/inner/plain.txt"));
    for (const char* name :
         {"a.", "b ", "nul", "what?", "..\\..\\..\\..\\..\\..\\victim/keep.txt", "inner/..\\other.txt"})
        EXPECT_TRUE(fs::exists(job + "/" + name)) << name;
}

TEST_F(TreeDeletionTest, MatchingEntriesOnlyAndLinksRemovedNotFollowed) {
    MakeFile(L"C:\\outside", "precious.txt");
    MakeFile(L"C:\\base\\sub\\old_cache", "x.bin");
    MakeFile(L"C:\\base\\sub", "old_file.txt");
    MakeFile(L"C:\\base\\sub", "keep.txt");
    fs::create_directory_symlink(Host(L"C:\\outside"), Host(L"C:\\base\\sub") + "/old_link");
    EXPECT_EQ(platform::DeleteFolderTree(L"C:\\base\\sub", protectedFolders, L"old"), TreeDeletion::Done);
    EXPECT_FALSE(fs::exists(Host(L"C:\\base\\sub\\old_cache")));
    EXPECT_FALSE(fs::exists(Host(L"C:\\base\\sub\\old_file.txt")));
    EXPECT_FALSE(fs::is_symlink(Host(L"C:\\base\\sub") + "/old_link"));
    EXPECT_TRUE(fs::exists(Host(L"C:\\base\\sub\\keep.txt")));
    EXPECT_TRUE(fs::exists(Host(L"C:\\outside\\precious.txt")));
}

TEST_F(TreeDeletionTest, ReadOnlyFilesAndTheirFoldersStay) {
    MakeFile(L"C:\\tree\\locked", "ro.txt");
    MakeFile(L"C:\\tree\\free", "rw.txt");
    ::chmod((Host(L"C:\\tree\\locked") + "/ro.txt").c_str(), 0444);
    EXPECT_EQ(platform::DeleteFolderTree(L"C:\\tree", protectedFolders), TreeDeletion::Done);
    EXPECT_TRUE(fs::exists(Host(L"C:\\tree\\locked\\ro.txt")));
    EXPECT_FALSE(fs::exists(Host(L"C:\\tree\\free")));
    EXPECT_EQ(platform::DeleteFolderTree(L"C:\\missing", protectedFolders), TreeDeletion::Missing);
}

// Every spelling of a folder that is, holds or lies outside what may be deleted.
TEST_F(TreeDeletionTest, RefusalsCompareResolvedFolders) {
    MakeFile(L"C:\\Users\\User\\Documents", "mine.txt");
    MakeFile(L"C:\\Users\\Public\\Desktop", "shared.lnk");
    std::string outside = Host(L"C:\\") + "/../outside-tree";
    fs::create_directories(outside);
    WriteHostFile(outside + "/host.txt", "host");
    fs::create_directory_symlink(outside, Host(L"C:\\") + "/toplink");
    fs::create_directory_symlink(Host(L"C:\\Users\\User"), Host(L"C:\\") + "/profile");
    auto onZ = [](const std::string& host) {
        std::wstring path = L"Z:" + std::wstring(host.begin(), host.end());
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        return path;
    };
    std::wstring documentsOnZ = onZ(Host(L"C:\\Users\\User\\Documents"));

    const std::wstring refused[] = {
        L"C:\\",
        L"c:",
        L"C:\\Users\\User\\Documents",
        L"c:\\USERS\\user\\documents\\",
        documentsOnZ,
        L"C:\\Users\\User\\AppData",
        L"C:\\Users\\User",
        L"C:\\Users",
        L"C:\\Users\\Public",
        L"C:\\profile\\Documents",
        L"C:\\toplink",
        L"C:\\toplink\\",
        L"C:\\Temp\\..\\Users\\User",
        L"Z:\\",
        L"Z:\\tmp",
        onZ(outside),
        L"Documents",
        L"Users\\User",
        L"\\Users\\User\\Documents",
        L"C:Users",
        L"\\\\?\\UNC\\server\\share\\f",
        L"\\\\server\\share",
        L"C:\\Users\\User\\Documents\\..\\Documents",
    };
    for (const std::wstring& path : refused) {
        EXPECT_NE(platform::FolderDeletionRefusal(path, protectedFolders), nullptr)
            << std::string(path.begin(), path.end());
        EXPECT_EQ(platform::DeleteFolderTree(path, protectedFolders), TreeDeletion::Refused)
            << std::string(path.begin(), path.end());
    }
    EXPECT_TRUE(fs::exists(Host(L"C:\\Users\\User\\Documents\\mine.txt")));
    EXPECT_TRUE(fs::exists(Host(L"C:\\Users\\Public\\Desktop\\shared.lnk")));
    EXPECT_TRUE(fs::exists(outside + "/host.txt"));

    // A folder beside the protected ones is fine, also through \\?\.
    MakeFile(L"C:\\Users\\User\\AppData\\Local\\Product", "cache.bin");
    EXPECT_EQ(platform::FolderDeletionRefusal(L"\\\\?\\C:\\Users\\User\\AppData\\Local\\Product", protectedFolders),
              nullptr);
    EXPECT_EQ(platform::DeleteFolderTree(L"C:\\Users\\User\\AppData\\Local\\Product", protectedFolders),
              TreeDeletion::Done);
    EXPECT_FALSE(fs::exists(Host(L"C:\\Users\\User\\AppData\\Local\\Product")));
}

// A protected folder inside the tree is never entered, also when only matching entries go.
TEST_F(TreeDeletionTest, ProtectedFolderInsideTheTreeIsNotEntered) {
    MakeFile(L"C:\\Product\\Data", "data.bin");
    MakeFile(L"C:\\Product", "app.exe");
    std::vector<std::wstring> guarded = protectedFolders;
    guarded.push_back(L"C:\\Product\\Data");
    EXPECT_EQ(platform::DeleteFolderTree(L"C:\\Product", guarded), TreeDeletion::Refused);
    EXPECT_EQ(platform::DeleteFolderTree(L"C:\\Product", guarded, L"a"), TreeDeletion::Done);
    EXPECT_TRUE(fs::exists(Host(L"C:\\Product\\Data\\data.bin")));
    EXPECT_FALSE(fs::exists(Host(L"C:\\Product\\app.exe")));
}

}  // namespace
