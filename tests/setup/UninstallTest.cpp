// The uninstall worker after a local install: files, shortcuts, the entry
// and (when asked) the user data go; the main program hears "/uninstall" or
// "/full_uninstall"; a store install clears both data folders; a missing
// program does not stop it; and folders that are no install of the product
// lose nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include "setup/ProductConfig.h"
#include "setup/RunFlags.h"
#include "setup/SetupInfoErrors.h"
#include "setup/SetupInfoPack.h"
#include "setup/SetupInfoUnpack.h"
#include "setup/SetupOptions.h"
#include "setup/UninstallWork.h"
#include "tests/formats/zip/ZipTestTools.h"
#include "tests/setup/support/RecordedDialog.h"
#include "tests/support/MachineFixture.h"
#include "ui/lang/Language.h"
#include "util/Folders.h"
#include "util/ShellPaths.h"
#include "util/Shortcuts.h"
#include "util/UninstallEntry.h"

namespace setuptest {
namespace {

namespace fs = std::filesystem;
using ziptest::Quote;

const std::wstring kFolder = L"C:\\Program Files (x86)\\Tessarovinde";

class UninstallTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        ResetRunFlagsForTests();
        machine.profile().elevated = true;
        InitLanguage(L"Tessarovinde", 0);
        dialog.Fill("Tessarovinde", "2.0.4.9", "27/11/2026");
    }
    void TearDown() override { ResetLanguageForTests(); }

    // A local install of a package whose main program is the stand-in recorder.
    void Install(bool withProgram) {
        fs::create_directories(Host(L"C:\\src\\bin"));
        if (withProgram) fs::copy_file(STAND_IN_PACKAGE, Host(L"C:\\src\\Tessarovinde.exe"));
        WriteHostFile(Host(L"C:\\src\\bin\\data.bin"), "data");
        ziptest::ToolRun run = ziptest::Run("cd " + Quote(Host(L"C:\\src")) + " && " + Quote(SEVENZIP_TOOL) +
                                            " a -bd -mx1 " + Quote(Host(L"C:\\payload.7z")) + " .");
        ASSERT_EQ(run.status, 0) << run.output;
        SetupInfoBlock record;
        std::string image = "uninstaller";
        ASSERT_EQ(S_OK, PackPackage(L"C:\\package.exe", std::vector<unsigned char>(image.begin(), image.end()),
                                    L"C:\\payload.7z", record));
        ASSERT_EQ(S_OK, UnpackPackage(L"C:\\package.exe", nullptr, kFolder.c_str(), true, true));
        dialog.AfterInstall(1, false);
        ASSERT_TRUE(PathFileExistsW(MenuLink().c_str()));
        std::string location;
        ASSERT_TRUE(GetInstallLocation("Tessarovinde", location));
        dialog.SetPackage(kFolder + L"\\uninstall.exe");
    }
    std::wstring Desktop() {
        wchar_t path[MAX_PATH] = {};
        GetDesktopFolder(path);
        return std::wstring(path) + L"\\Tessarovinde.lnk";
    }
    std::wstring MenuLink() {
        wchar_t path[MAX_PATH] = {};
        GetProgramsFolder(path);
        return std::wstring(path) + L"\\Tessarovinde\\Tessarovinde.lnk";
    }
    std::wstring Data(bool roaming) {
        wchar_t base[MAX_PATH] = {};
        if (roaming) GetAppDataFolder(base);
        else GetDocumentsFolder(base);
        return JoinPath(base, GetCompanyDataFolderW());
    }
    std::string Recorded() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        return ReadHostFile(Host(JoinPath(temp, L"started-with.txt")));
    }
    void ExpectRemoved() {
        EXPECT_FALSE(PathFileExistsW(kFolder.c_str()));
        EXPECT_FALSE(PathFileExistsW(MenuLink().c_str()));
        EXPECT_FALSE(PathFileExistsW(Desktop().c_str()));
        std::string location;
        EXPECT_FALSE(GetInstallLocation("Tessarovinde", location));
        EXPECT_TRUE(dialog.IsUninstallDone());
        EXPECT_EQ(dialog.GetUninstallProgress(), 100);
    }

    RecordedDialog dialog;
};

TEST_F(UninstallTest, KeepDataAndFullUninstall) {
    for (bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "keep data" : "full");
        Install(true);
        CreateDirectoryPath(Data(true).c_str());
        WriteHostFile(Host(Data(true) + L"\\settings.ini"), "x");
        SetFileAttributesW((Data(true) + L"\\settings.ini").c_str(), FILE_ATTRIBUTE_READONLY);
        dialog.SetKeepData(keep);
        dialog.UninstallWork();
        ExpectRemoved();
        EXPECT_EQ(Recorded(), keep ? "/uninstall\n" : "/full_uninstall\n");
        EXPECT_EQ(PathFileExistsW(Data(true).c_str()) != FALSE, keep);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        fs::remove(Host(JoinPath(temp, L"started-with.txt")));
        fs::remove_all(Host(L"C:\\src"));
    }
}

TEST_F(UninstallTest, AStoreInstallClearsBothDataFoldersAndAMissingProgramDoesNotStopIt) {
    Install(false);
    CreateDirectoryPath(Data(true).c_str());
    WritePrivateProfileStringW(L"General", L"app_from", L"winstore", (Data(true) + L"\\AppInfoConfig.ini").c_str());
    CreateDirectoryPath(Data(false).c_str());
    WriteHostFile(Host(Data(false) + L"\\notes.txt"), "x");
    dialog.UninstallWork();  // keep-data as constructed
    ExpectRemoved();
    EXPECT_EQ(Recorded(), "");
    const std::wstring company = GetCompanyNameW();
    wchar_t roaming[MAX_PATH] = {}, documents[MAX_PATH] = {};
    GetAppDataFolder(roaming);
    GetDocumentsFolder(documents);
    EXPECT_FALSE(PathFileExistsW(JoinPath(roaming, company).c_str()));
    EXPECT_FALSE(PathFileExistsW(JoinPath(documents, company).c_str()));
}

TEST_F(UninstallTest, FoldersThatAreNoInstallLoseNothing) {
    wchar_t documents[MAX_PATH] = {};
    GetDocumentsFolder(documents);
    const std::wstring downloads = GetDownloadsSubPath(L"", nullptr, true);
    struct Case {
        const char* name;
        std::wstring folder;  // holds uninstall.exe and a marker
        std::wstring packagePath;
    } cases[] = {
        {"the Downloads folder", downloads, JoinPath(downloads, L"uninstall.exe")},
        {"a drive root", L"C:", L"C:\\uninstall.exe"},
        {"the Documents folder", documents, JoinPath(documents, L"uninstall.exe")},
        {"Program Files itself", L"C:\\Program Files (x86)", L"C:\\Program Files (x86)\\uninstall.exe"},
        {"a folder without the uninstaller", L"C:\\Games\\Other", L"C:\\Games\\Other\\setup.exe"},
        {"an empty package path", L"C:\\Games\\Empty", L""},
        {"a folder inside Downloads", JoinPath(downloads, L"Tessarovinde"),
         JoinPath(downloads, L"Tessarovinde\\uninstall.exe")},
        {"a dot-dot step into Downloads", JoinPath(downloads, L"Tessarovinde"),
         std::wstring(documents) + L"\\..\\Downloads\\Tessarovinde\\uninstall.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CreateDirectoryPath(c.folder.c_str());
        const std::wstring marker = JoinPath(c.folder, L"keep-me.txt");
        WriteHostFile(Host(marker), "mine");
        if (c.packagePath.find(L"uninstall.exe") != std::wstring::npos) WriteHostFile(Host(c.packagePath), "u");
        dialog.SetPackage(c.packagePath);
        dialog.UninstallWork();
        EXPECT_TRUE(PathFileExistsW(marker.c_str()));
        EXPECT_TRUE(dialog.IsUninstallDone());  // the worker still reports its end
    }
}

TEST_F(UninstallTest, ReadOnlyClearingStaysInsideTheTree) {
    CreateDirectoryPath(L"C:\\tree\\sub");
    CreateDirectoryPath(L"C:\\outside");
    for (const wchar_t* file : {L"C:\\tree\\a.txt", L"C:\\tree\\sub\\b.txt", L"C:\\outside\\c.txt"}) {
        WriteHostFile(Host(file), "x");
        SetFileAttributesW(file, FILE_ATTRIBUTE_READONLY);
    }
    fs::create_directory_symlink(Host(L"C:\\outside"), Host(L"C:\\tree\\link"));
    ClearReadOnlyTree(L"C:\\tree");
    EXPECT_EQ(GetFileAttributesW(L"C:\\tree\\a.txt") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(GetFileAttributesW(L"C:\\tree\\sub\\b.txt") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(GetFileAttributesW(L"C:\\outside\\c.txt") & FILE_ATTRIBUTE_READONLY, 0u);
}

}  // namespace
}  // namespace setuptest
