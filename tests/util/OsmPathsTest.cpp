#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/OsmPaths.h"

namespace {

using namespace libutilosm;

class OsmPathsTest : public testsupport::MachineTest {};

TEST(OsmPathParts, DirectoryAndFileNamePartsFollowTheTables) {
    struct Case {
        const char* path;
        const char* directory;
        const char* fileName;
    } cases[] = {
        {"a/b/c", "a/b/", "c"}, {"a\\b", "a\\", "a\\b"},        {"abc", "", "abc"},
        {"a/b/", "a/b/", ""},   {"C:/x\\y/z", "C:/x\\y/", "z"}, {"", "", ""},
    };
    for (const Case& c : cases) {
        char buffer[MAX_PATH] = "untouched";
        EXPECT_EQ(GetDirectoryPart(c.path, buffer, MAX_PATH), static_cast<int>(std::strlen(c.directory))) << c.path;
        EXPECT_STREQ(buffer, c.directory) << c.path;
        EXPECT_EQ(GetFileNamePart(c.path, buffer, MAX_PATH), static_cast<int>(std::strlen(c.fileName))) << c.path;
        EXPECT_STREQ(buffer, c.fileName) << c.path;
    }
    // A buffer too small gets nothing, and the length still comes back.
    char small[3] = "xy";
    EXPECT_EQ(GetDirectoryPart("a/b/c", small, 3), 4);
    EXPECT_STREQ(small, "xy");

    std::string text = "a/b\\c/d";
    EXPECT_EQ(ToBackslashes(text), 2);
    EXPECT_EQ(text, "a\\b\\c\\d");
    EXPECT_EQ(ToForwardSlashes("a\\b\\c"), "a/b/c");
    std::string joined;
    EXPECT_EQ(AppendPathPart(joined, "x"), "x");
    EXPECT_EQ(AppendPathPart(joined, "y"), "x/y");
    std::string ending = "x\\";
    EXPECT_EQ(AppendPathPart(ending, "y"), "x\\y");
    for (const char* absolute : {"C:\\x", " C:/x", "\\\\server\\share", "//host"})
        EXPECT_TRUE(IsAbsolutePath(absolute)) << absolute;
    for (const char* relative : {"x\\y", "C:x", "\\/x", "/x"}) EXPECT_FALSE(IsAbsolutePath(relative)) << relative;
    char name[MAX_PATH];
    char extension[MAX_PATH];
    EXPECT_EQ(SplitNameAndExtension("C:/a.b/file.tar.gz", name, extension), 0);
    EXPECT_STREQ(name, "file.tar");
    EXPECT_STREQ(extension, ".gz");
    EXPECT_EQ(GetExtensionUtf8("a/b.txt"), ".txt");
    EXPECT_EQ(GetStemUtf8("a/b.txt"), "b");
    EXPECT_EQ(GetExtensionUtf8(".."), "");
    std::string file;
    std::string folder;
    SplitFileNameUtf8("C:/dir/\xC3\xA9t\xC3\xA9.txt", &file, &folder);
    EXPECT_EQ(file, "\xC3\xA9t\xC3\xA9.txt");
    EXPECT_EQ(folder, "C:/dir");
}

TEST_F(OsmPathsTest, FoldersAreCreatedBeforeEachSeparatorOnly) {
    EXPECT_TRUE(CreateFolderPath("C:/x/y"));
    EXPECT_TRUE(IsFolder("C:/x"));
    EXPECT_TRUE(IsFolder("C:/x/"));
    EXPECT_FALSE(PathExists("C:/x/y"));
    EXPECT_TRUE(CreateFolderPath("C:\\x\\y\\z\\"));
    EXPECT_TRUE(IsFolder("C:/x/y/z"));
    EXPECT_TRUE(CreateFolder("C:/x"));  // existing counts as success
    EXPECT_FALSE(CreateFolderPath(("C:/" + std::string(300, 'a') + "/").c_str()));
    EXPECT_TRUE(IsFolder("C:"));
    EXPECT_FALSE(IsFolder("x"));
    EXPECT_FALSE(IsFolder("xy"));
    EXPECT_TRUE(CreateFolderUtf8("C:/\xC3\xA9t\xC3\xA9"));
    EXPECT_TRUE(PathIsDirectoryW(L"C:\\\u00e9t\u00e9"));
    EXPECT_TRUE(WriteBufferToFile(std::string(100, 'w').data(), 100, "C:/x/data.bin"));
    EXPECT_EQ(GetFileSize32("C:/x/data.bin"), 100u);
    EXPECT_EQ(GetFileSize64("C:/x/none.bin"), ~0ULL);
    EXPECT_TRUE(CanOpenFile("C:/x/data.bin"));
    EXPECT_FALSE(WriteBufferToFile("x", 1, "C:/missing/folder/data.bin"));
    FILE* stream = OpenFileUtf8("C:/\xC3\xA9t\xC3\xA9/f.txt", "wb");
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);
    EXPECT_EQ(OpenFileUtf8(nullptr, "r"), nullptr);
    std::vector<std::string> found;
    WriteBufferToFile("a", 1, "C:/x/b.txt");
    EXPECT_EQ(ListMatchingFiles("C:/x/*.txt", found, true), 1);
    EXPECT_EQ(found.at(0), "C:\\x\\b.txt");
}

TEST_F(OsmPathsTest, TempFoldersAreFreshEvenWhenManyAreMadeAtOnce) {
    std::vector<std::string> made(16);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < made.size(); ++i) {
        threads.emplace_back([&made, i] {
            char buffer[MAX_PATH];
            if (MakeTempFolder(buffer)) made[i] = buffer;
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::sort(made.begin(), made.end());
    EXPECT_EQ(std::unique(made.begin(), made.end()), made.end());
    for (const std::string& folder : made) {
        ASSERT_FALSE(folder.empty());
        EXPECT_EQ(folder.back(), '/');
        EXPECT_TRUE(IsFolder(folder.c_str())) << folder;
        EXPECT_TRUE(IsTreeWithoutFiles(folder.c_str()));
    }
}

TEST_F(OsmPathsTest, TreeWalksNeverFollowLinks) {
    ASSERT_TRUE(CreateFolderPath("C:/keep/inner/"));
    WriteBufferToFile("precious", 8, "C:/keep/inner/file.txt");
    ASSERT_TRUE(CreateFolderPath("C:/tree/sub/"));
    WriteBufferToFile("a", 1, "C:/tree/sub/a.txt");
    std::filesystem::create_directory_symlink(Host(L"C:\\keep"), Host(L"C:\\tree\\link"));
    EXPECT_FALSE(IsTreeWithoutFiles("C:/tree/"));
    ASSERT_TRUE(CreateFolderPath("C:/copy/"));
    EXPECT_TRUE(CopyFolderTree("C:/tree/", "C:/copy/", false));
    EXPECT_TRUE(PathExists("C:/copy/sub/a.txt"));
    EXPECT_FALSE(PathExists("C:/copy/link"));
    EXPECT_TRUE(RemoveTree("C:/tree/", 0));
    EXPECT_FALSE(PathExists("C:/tree"));
    EXPECT_TRUE(PathExists("C:/keep/inner/file.txt"));
    ASSERT_TRUE(CreateFolderPath("C:/empty/a/b/"));
    EXPECT_TRUE(IsTreeWithoutFiles("C:/empty/"));
    EXPECT_TRUE(RemoveTreeUtf8("C:/empty/", 2));
    EXPECT_FALSE(PathExists("C:/empty"));
}

TEST_F(OsmPathsTest, DeletionsAndMovesAreDoneOrScheduled) {
    EXPECT_EQ(DeleteFileOrSchedule("C:/missing.txt"), kFileOpFailed);
    EXPECT_EQ(DeleteFileOrScheduleW(L"C:\\missing.txt"), kFileOpDone);
    WriteBufferToFile("x", 1, "C:/a.txt");
    EXPECT_EQ(DeleteFileOrSchedule("C:/a.txt"), kFileOpDone);
    EXPECT_FALSE(PathExists("C:/a.txt"));
    WriteBufferToFile("x", 1, "C:/b.txt");
    EXPECT_EQ(MoveFileOrSchedule("C:/b.txt", "C:/c.txt"), kFileOpDone);
    EXPECT_TRUE(PathExists("C:/c.txt"));
    // A read-only file cannot be deleted now: an elevated process schedules it.
    ASSERT_TRUE(SetFileAttributesW(L"C:\\c.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(DeleteFileOrSchedule("C:/c.txt"), kFileOpFailed);
    machine.profile().elevated = true;
    EXPECT_EQ(DeleteFileOrSchedule("C:/c.txt"), kFileOpScheduled);
    EXPECT_TRUE(PathExists("C:/c.txt"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                            &key),
              ERROR_SUCCESS);
    wchar_t list[512] = {};
    DWORD type = 0;
    DWORD size = sizeof(list);
    EXPECT_EQ(RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<LPBYTE>(list),
                               &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_STREQ(list, L"\\??\\C:\\c.txt");
}

TEST_F(OsmPathsTest, DiscFoldersAreDetectedByNameOrBySubFolder) {
    struct Case {
        const char* path;
        bool cut;
        int expected;
        const char* pathAfter;
        const char* name;
    } cases[] = {
        {"C:/Movies/Film/VIDEO_TS/", true, 0, "C:/Movies/Film/", "Film"},
        {"C:/Movies/Film/video_ts", false, 0, "C:/Movies/Film/video_ts", "Film"},
        {"D:/BDMV", true, 2, "D:/", ""},
        {"C:/Movies/Disc", false, 2, "C:/Movies/Disc/BDMV", ""},
        {"C:/Movies/Disc/", false, 2, "C:/Movies/Disc/BDMV/", ""},
        {"C:/Movies/Dvd", false, 0, "C:/Movies/Dvd/VIDEO_TS", ""},
        {"C:/Movies/Plain", false, -1, "C:/Movies/Plain", ""},
        // By name: the cut keeps the separator before the disc folder.
        {"C:/Movies/Film/VIDEO_TS", true, 0, "C:/Movies/Film/", "Film"},
        {"D:/VIDEO_TS/", true, 0, "D:/", ""},
        {"D:/Video_Ts", false, 0, "D:/Video_Ts", ""},
        {"C:/Movies/Film/VIDEO_TSX", false, -1, "C:/Movies/Film/VIDEO_TSX", ""},
        {"C:/Movies/Film/XVIDEO_TS", false, -1, "C:/Movies/Film/XVIDEO_TS", ""},
        // By sub-folder: the cut flag keeps the path; Blu-ray wins over DVD.
        {"C:/Movies/Dvd/", false, 0, "C:/Movies/Dvd/VIDEO_TS/", ""},
        {"C:/Movies/Dvd", true, 0, "C:/Movies/Dvd", ""},
        {"C:/Movies/Both", false, 2, "C:/Movies/Both/BDMV", ""},
        {"C:/Movies/Dvd/VIDEO_TS/VTS_01_1.VOB", false, -1, "C:/Movies/Dvd/VIDEO_TS/VTS_01_1.VOB", ""},
    };
    ASSERT_TRUE(CreateFolderPath("C:/Movies/Both/BDMV/"));
    ASSERT_TRUE(CreateFolderPath("C:/Movies/Both/VIDEO_TS/"));
    ASSERT_TRUE(CreateFolderPath("C:/Movies/Disc/BDMV/"));
    ASSERT_TRUE(CreateFolderPath("C:/Movies/Dvd/VIDEO_TS/"));
    ASSERT_TRUE(CreateFolderPath("C:/Movies/Plain/"));
    for (const Case& c : cases) {
        char path[MAX_PATH];
        std::strcpy(path, c.path);
        char name[MAX_PATH] = "";
        EXPECT_EQ(DetectDiscFolder(path, c.cut, name), c.expected) << c.path;
        EXPECT_STREQ(path, c.pathAfter) << c.path;
        EXPECT_STREQ(name, c.name) << c.path;
    }
    // A probe that would pass 260 characters finds nothing and changes nothing.
    char longPath[MAX_PATH];
    std::string base = "C:/" + std::string(MAX_PATH - 8, 'd');
    std::strcpy(longPath, base.c_str());
    EXPECT_EQ(DetectDiscFolder(longPath, false, nullptr), -1);
    EXPECT_EQ(std::string(longPath), base);
}

// Windows 98: what cannot be done now goes into wininit.ini's [rename] section.
class OsmPathsWin98Test : public OsmPathsTest {
protected:
    void SetUp() override {
        machine.profile().osPlatformId = 1;
        machine.profile().osMajor = 4;
        machine.profile().osMinor = 10;
        machine.profile().osBuild = 2222;
    }
    std::string Wininit() { return ReadHostFile(Host(L"C:\\Windows\\wininit.ini")); }
};

TEST_F(OsmPathsWin98Test, DeletionsAndMovesAreRecordedInWininit) {
    EXPECT_EQ(DeleteFileOrSchedule("C:/missing.txt"), kFileOpFailed);
    WriteBufferToFile("x", 1, "C:/a.txt");
    EXPECT_EQ(DeleteFileOrSchedule("C:/a.txt"), kFileOpDone);
    EXPECT_FALSE(PathExists("C:/a.txt"));
    EXPECT_FALSE(PathExists("C:/Windows/wininit.ini"));

    ASSERT_TRUE(CreateFolderPath("C:/App/"));
    WriteBufferToFile("x", 1, "C:/App/locked.dll");
    ASSERT_TRUE(SetFileAttributesW(L"C:\\App\\locked.dll", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(DeleteFileOrSchedule("C:/App/locked.dll"), kFileOpScheduled);
    EXPECT_TRUE(PathExists("C:/App/locked.dll"));
    EXPECT_EQ(Wininit(), "[rename]\r\nNUL=C:\\App\\locked.dll\r\n");

    // A move onto an existing file is left to the next start.
    WriteBufferToFile("new", 3, "C:/App/new.dll");
    WriteBufferToFile("old", 3, "C:/App/old.dll");
    EXPECT_EQ(MoveFileOrSchedule("C:/App/new.dll", "C:/App/old.dll"), kFileOpScheduled);
    EXPECT_EQ(Wininit(), "[rename]\r\nNUL=C:\\App\\locked.dll\r\nC:\\App\\old.dll=C:\\App\\new.dll\r\n");
    EXPECT_EQ(MoveFileOrSchedule("C:/App/new.dll", "C:/App/moved.dll"), kFileOpDone);
}

TEST_F(OsmPathsWin98Test, EntriesJoinTheRenameSectionWhereverItIs) {
    ASSERT_TRUE(CreateFolderPath("C:/Windows/"));
    WriteHostFile(Host(L"C:\\Windows\\wininit.ini"), "[Rename]\r\nNUL=C:\\first.tmp\r\n\r\n[CombineVAR]\r\nKey=1\r\n");
    WriteBufferToFile("x", 1, "C:/b.txt");
    ASSERT_TRUE(SetFileAttributesW(L"C:\\b.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(DeleteFileOrSchedule("C:/b.txt"), kFileOpScheduled);
    EXPECT_EQ(Wininit(), "[Rename]\r\nNUL=C:\\first.tmp\r\nNUL=C:\\b.txt\r\n\r\n[CombineVAR]\r\nKey=1\r\n");
}

TEST_F(OsmPathsTest, ModulePathsUseSlashes) {
    char path[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameSlashes(nullptr, path, MAX_PATH));
    EXPECT_EQ(std::string(path).find('\\'), std::string::npos);
    char folder[MAX_PATH];
    ASSERT_TRUE(GetModuleDirectory(folder, MAX_PATH));
    EXPECT_EQ(std::string(path).rfind(folder, 0), 0u);
    EXPECT_EQ(folder[std::strlen(folder) - 1], '/');
    char utf8[MAX_PATH];
    ASSERT_TRUE(GetModulePathUtf8(utf8, MAX_PATH));
    EXPECT_EQ(std::string(utf8).find('\\'), std::string::npos);
    char tooSmall[4];
    EXPECT_FALSE(GetModuleFileNameSlashes(nullptr, tooSmall, 4));
    EXPECT_STREQ(tooSmall, "");
    char documents[MAX_PATH];
    GetDocumentsDataFolder("Product", documents);
    EXPECT_STREQ(documents, "C:/Users/User/Documents/Product/");
}

}  // namespace
