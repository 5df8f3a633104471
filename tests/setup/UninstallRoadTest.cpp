// The uninstall page end to end on the machine model: a local install made
// by the program itself, then the program again in the uninstall mode (the
// copy the install wrote as uninstall.exe), through the options record: the
// uninstall layout, its keep-data box and buttons, the finished page, and
// the silent run that closes the dialog by itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include "setup/SetupInfoBlock.h"
#include "setup/SetupInfoPack.h"
#include "setup/SetupOptions.h"
#include "tests/formats/zip/ZipTestTools.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "ui/lang/Language.h"
#include "util/Folders.h"
#include "util/RegKey.h"
#include "util/ShellPaths.h"
#include "util/Shortcuts.h"
#include "util/StringConvert.h"

namespace setuptest {
namespace {

namespace fs = std::filesystem;
using ziptest::Quote;

constexpr const wchar_t* kPackage = L"C:\\Users\\User\\Downloads\\package.exe";

bool EntryExists(const std::string& key) {
    CMyRegKey entry;
    const std::string path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key;
    return entry.Open(HKEY_LOCAL_MACHINE, path.c_str(), false) == ERROR_SUCCESS;
}

std::wstring Folder(bool (*get)(wchar_t*)) {
    wchar_t path[MAX_PATH] = {};
    get(path);
    return path;
}

std::wstring AppData() {
    wchar_t path[MAX_PATH] = {};
    GetAppDataFolder(path);
    return path;
}

class UninstallRoadTest : public SetupProgramTest {
protected:
    void SetUp() override {
        SetupProgramTest::SetUp();
        machine.profile().elevated = true;
        fs::create_directories(Host(L"C:\\src"));
        // The recorder under both main program names (the product's bitness picks one).
        fs::copy_file(STAND_IN_PACKAGE, Host(L"C:\\src\\Tessarovinde.exe"));
        fs::copy_file(STAND_IN_PACKAGE, Host(L"C:\\src\\Tessarovinde64.exe"));
        WriteHostFile(Host(L"C:\\src\\data.bin"), "payload");
        ziptest::ToolRun run = ziptest::Run("cd " + Quote(Host(L"C:\\src")) + " && " + Quote(SEVENZIP_TOOL) +
                                            " a -bd -mx1 " + Quote(Host(L"C:\\payload.7z")) + " .");
        ASSERT_EQ(run.status, 0) << run.output;
        SetupInfoBlock record;
        WriteText(record.m_installFolderName, "Tessarovinde");
        WriteText(record.m_productName, "Tessarovinde");
        std::string uninstaller = "uninstaller image";
        ASSERT_EQ(S_OK, PackPackage(kPackage, std::vector<unsigned char>(uninstaller.begin(), uninstaller.end()),
                                    L"C:\\payload.7z", record));
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        uninstallRuns = JoinPath(temp, L"started-with.txt");
    }

    // A visible local install, to its end (the product starts and the dialog closes).
    void Install() {
        SetupOptions::Values values;
        values.filePath = kPackage;
        SetupOptions::ScopedOverride scoped(values);
        ASSERT_TRUE(StartProgram());
        folder = Dialog()->GetInstallPath();
        x64 = Dialog()->GetSetupInfo().m_is64Bit != 0;
        driver->Click(311, 374);  // install
        ASSERT_TRUE(driver->WaitFinished(30000));
        driver.reset();
        ResetRun();
        ASSERT_TRUE(PathFileExistsW(JoinPath(folder, L"uninstall.exe").c_str()));
        ASSERT_TRUE(EntryExists(Key()));
        ASSERT_TRUE(PathFileExistsW(Desktop().c_str()));
    }

    // The user's data: a read-only file deep in the roaming data folder.
    void WriteUserData() {
        const std::wstring data = AppData() + L"\\Tessarovinde\\Tessarovinde\\profiles";
        CreateDirectoryPath(data.c_str());
        WriteHostFile(Host(data + L"\\settings.ini"), "x");
        SetFileAttributesW((data + L"\\settings.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    }

    std::string Key() const { return x64 ? "Tessarovinde (x64)" : "Tessarovinde"; }
    std::wstring Program() const { return JoinPath(folder, x64 ? L"Tessarovinde64.exe" : L"Tessarovinde.exe"); }
    std::wstring Desktop() const { return Folder(GetDesktopFolder) + L"\\Tessarovinde.lnk"; }
    std::wstring Menu() const { return Folder(GetProgramsFolder) + L"\\Tessarovinde"; }
    std::string UninstallRuns() const {
        return PathFileExistsW(uninstallRuns.c_str()) ? ReadHostFile(Host(uninstallRuns)) : "";
    }

    // Starts the uninstaller the install wrote, in the uninstall mode.
    void StartUninstaller(bool silent, std::wstring packagePath = L"") {
        SetupOptions::Values values;
        values.mode = 1;
        values.silent = silent ? 1 : 0;
        values.filePath = packagePath.empty() ? JoinPath(folder, L"uninstall.exe") : packagePath;
        // Kept until the run ends: a silent run reads the record once its loop runs.
        options = std::make_unique<SetupOptions::ScopedOverride>(values);
        ASSERT_TRUE(StartProgram());
    }

    // Ends the run's options (after its dialog has ended).
    void EndRun() {
        driver.reset();
        options.reset();
        ResetRun();
    }

    std::unique_ptr<SetupOptions::ScopedOverride> options;
    std::wstring folder;
    bool x64 = false;
    std::wstring uninstallRuns;
};

TEST_F(UninstallRoadTest, RemovesTheInstallAndTheDataOnlyWhenAsked) {
    struct Case {
        bool toggleKeepData;
        const char* argument;
        bool dataStays;
    } cases[] = {
        {false, "/uninstall", true},
        {true, "/full_uninstall", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        Install();
        WriteUserData();
        DeleteFileW(uninstallRuns.c_str());
        StartUninstaller(false);
        SetupDlg* dialog = Dialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(dialog->IsCompactLayout());
        ASSERT_NE(dialog->KeepDataBox(), nullptr);
        EXPECT_TRUE(dialog->KeepDataBox()->GetCheck());
        EXPECT_TRUE(dialog->IsKeepData());
        if (c.toggleKeepData) {
            driver->Click(19, 371);
            ASSERT_TRUE(driver->WaitIdle());
            EXPECT_FALSE(dialog->KeepDataBox()->GetCheck());
            EXPECT_FALSE(dialog->IsKeepData());
        }
        driver->Click(452, 372);  // Uninstall
        ASSERT_TRUE(WaitFor([&] { return dialog->IsUninstallDone(); }, 20000));
        ASSERT_TRUE(driver->WaitIdle());
        // The finished page: the completion text and the finish button where Cancel was.
        EXPECT_EQ(dialog->QuestionLabel()->GetText(), GetLangText(27));
        EXPECT_EQ(dialog->CancelButton()->GetText(), GetLangText(28));
        EXPECT_TRUE(dialog->CancelButton()->IsVisible());
        EXPECT_FALSE(dialog->UninstallButton()->IsVisible());
        EXPECT_FALSE(dialog->UninstallBar()->IsVisible());
        driver->Click(562, 372);  // Finish
        ASSERT_TRUE(driver->WaitFinished(20000));
        EndRun();

        EXPECT_EQ(UninstallRuns(), std::string(c.argument) + "\n");
        EXPECT_FALSE(PathFileExistsW(folder.c_str()));
        EXPECT_FALSE(PathFileExistsW(Desktop().c_str()));
        EXPECT_FALSE(PathFileExistsW(Menu().c_str()));
        EXPECT_FALSE(EntryExists(Key()));
        const std::wstring data = AppData() + L"\\Tessarovinde\\Tessarovinde\\profiles\\settings.ini";
        EXPECT_EQ(PathFileExistsW(data.c_str()) != FALSE, c.dataStays);
        fs::remove_all(Host(AppData() + L"\\Tessarovinde"));
    }
}

TEST_F(UninstallRoadTest, SilentRunWithoutTheProgramStillRemovesEverythingAndCloses) {
    Install();
    ASSERT_TRUE(DeleteFileW(Program().c_str()));
    DeleteFileW(uninstallRuns.c_str());
    StartUninstaller(true);
    // No question, no click: the dialog closes itself when done.
    ASSERT_TRUE(driver->WaitFinished(20000));
    EndRun();
    EXPECT_EQ(UninstallRuns(), "");
    EXPECT_FALSE(PathFileExistsW(folder.c_str()));
    EXPECT_FALSE(PathFileExistsW(Desktop().c_str()));
    EXPECT_FALSE(EntryExists(Key()));
}

}  // namespace
}  // namespace setuptest
