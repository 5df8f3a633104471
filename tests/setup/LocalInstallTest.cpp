// The local-package road: its rule tables (the main program's arguments,
// the desktop decision, the install date, the install type), the store
// install's shortcuts and the uninstall values, and a whole install of a
// package made by our packing step, reached through the options record.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "formats/json/CJsonObject.h"
#include "platform/Win32.h"
#include "platform/windowing/TestDriver.h"
#include "setup/InstallTypeDetector.h"
#include "setup/ProductConfig.h"
#include "setup/SetupInfoErrors.h"
#include "setup/RunFlags.h"
#include "setup/SetupInfoBlock.h"
#include "setup/SetupInfoPack.h"
#include "setup/SetupOptions.h"
#include "setup/WebsiteSmallDownloader.h"
#include "stats/InstallStatsReport.h"
#include "tests/formats/zip/ZipTestTools.h"
#include "tests/setup/support/RecordedDialog.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "tests/stats/ReportFixture.h"
#include "ui/lang/Language.h"
#include "util/Folders.h"
#include "util/RegKey.h"
#include "util/ShellPaths.h"
#include "util/Shortcuts.h"
#include "util/StringConvert.h"
#include "util/UninstallEntry.h"

namespace setuptest {
namespace {

namespace fs = std::filesystem;
using ziptest::Quote;

const char* kUninstallRoot = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Value(const std::string& key, const char* name) {
    CMyRegKey entry;
    std::string value = "<missing>";
    if (entry.Open(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), false) == ERROR_SUCCESS)
        entry.QueryString(name, value);
    return value;
}

int Dword(const std::string& key, const char* name) {
    CMyRegKey entry;
    int value = -12345;
    if (entry.Open(HKEY_LOCAL_MACHINE, (kUninstallRoot + key).c_str(), false) == ERROR_SUCCESS)
        entry.QueryDword(name, value);
    return value;
}

std::wstring Folder(bool (*get)(wchar_t*)) {
    wchar_t path[MAX_PATH] = {};
    get(path);
    return path;
}

TEST(LocalInstallRulesTest, MainProgramArguments) {
    using Texts = SetupDlg::MainExeInstallTexts;
    auto texts = [](auto change) {
        Texts t;
        change(t);
        return t;
    };
    struct Case {
        const char* name;
        Texts texts;
        const wchar_t* expected;
    } cases[] = {
        {"visible, nothing set", Texts{}, L"/install --app-from official"},
        {"visible with join box and id", texts([](Texts& t) {
             t.joinTicked = true;
             t.installId = "abc";
         }),
         L"/install /add_plan /ID:abc --app-from official"},
        {"silent with the plan flag", texts([](Texts& t) {
             t.silent = true;
             t.addPlan = true;
             t.joinTicked = true;
         }),
         L"/install  /add_plan --app-from official"},
        {"silent without it", texts([](Texts& t) {
             t.silent = true;
             t.installId = "abc";
         }),
         L"/install --app-from official"},
        {"new install", texts([](Texts& t) { t.isNew = true; }), L"/install /new  --app-from official"},
        {"app-from, option, source and time", texts([](Texts& t) {
             t.appFrom = "winstore";
             t.option = "o1";
             t.source = "s1";
             t.downloadSeconds = 42;
         }),
         L"/install --app-from winstore /option:o1 /uimodule=o1 --module=o1 --ui-module=o1"
         L" /source:s1 /source=s1 --source=s1 /time:42 "},
    };
    for (const Case& c : cases) EXPECT_EQ(SetupDlg::MainExeInstallArguments(c.texts), c.expected) << c.name;
}

TEST(LocalInstallRulesTest, DesktopShortcutDecision) {
    struct Case {
        bool silent;
        int flags;
        bool boxTicked, desktopOption, expected;
    } cases[] = {
        {true, -1, false, true, true},                                  // nothing stored: the desktop shortcut
        {true, 2, false, true, false},                                  // stored without bit 0
        {true, 3, false, true, true},   {true, 3, true, false, false},  // the options record vetoes
        {false, 1, false, true, false},                                 // a visible run follows its box
        {false, 0, true, true, true},   {false, -1, true, false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SetupDlg::DesktopShortcutWanted(c.silent, c.flags, c.boxTicked, c.desktopOption), c.expected)
            << c.silent << " " << c.flags << " " << c.boxTicked << " " << c.desktopOption;
}

TEST(LocalInstallRulesTest, InstallDateIsEightDigitsOrNothing) {
    struct Case {
        const char* date;
        const char* expected;
    } cases[] = {
        {"2026-11-27", "20261127"},
        {"2026/01/05", "20260105"},
        {"27/11/2026", "20261127"},
        {"05.01.2026", "20260105"},
        {"", ""},
        {"2026-11", ""},
        {"2026-13-01", ""},
        {"27/11/26", ""},
        {"abcd-ef-gh", ""},
        {"2026-11-270", ""},
        {"00/11/2026", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SetupDlg::InstallDateOf(c.date), c.expected) << c.date;
}

class InstallTypeTest : public testsupport::MachineTest {
protected:
    std::wstring Data(bool roaming) {
        wchar_t base[MAX_PATH] = {};
        if (roaming) GetAppDataFolder(base);
        else GetDocumentsFolder(base);
        return JoinPath(base, L"Tessarovinde\\Tessarovinde");
    }
    void Touch(const std::wstring& path) {
        fs::create_directories(fs::path(Host(path)).parent_path());
        WriteHostFile(Host(path), "x");
    }
};

TEST_F(InstallTypeTest, NewReinstallAndOverwrite) {
    machine.profile().elevated = true;
    InstallTypeDetector detector;
    EXPECT_EQ(detector.DetectInstallType(), 0);
    // Only the earlier setup run's log: still new.
    Touch(Data(false) + L"\\Log\\install.log");
    EXPECT_EQ(detector.DetectInstallType(), 0);
    // Anything more in the Documents folder: a reinstall.
    Touch(Data(false) + L"\\Log\\other.log");
    EXPECT_EQ(detector.DetectInstallType(), 1);
    fs::remove(Host(Data(false) + L"\\Log\\other.log"));
    Touch(Data(false) + L"\\settings.ini");
    EXPECT_EQ(detector.DetectInstallType(), 1);
    // The roaming data folder in use, or a registered location: an overwrite.
    Touch(Data(true) + L"\\state.dat");
    EXPECT_EQ(detector.DetectInstallType(), 2);
    fs::remove_all(Host(Data(true)));
    fs::remove_all(Host(Data(false)));
    EXPECT_EQ(detector.DetectInstallType(), 0);
    ASSERT_TRUE(SetUninstallString("Tessarovinde (x64)", "InstallLocation", "C:\\Program Files\\Tessarovinde"));
    EXPECT_EQ(GetRegisteredInstallLocation("Tessarovinde", true), "C:\\Program Files\\Tessarovinde");
    EXPECT_EQ(GetRegisteredInstallLocation("Tessarovinde", false), "");
    EXPECT_EQ(detector.DetectInstallType(), 2);
    EXPECT_STREQ(InstallTypeDetector::InstallTypeName(2), "overwrite");
    EXPECT_STREQ(InstallTypeDetector::InstallTypeName(1), "reinstall");
    EXPECT_STREQ(InstallTypeDetector::InstallTypeName(0), "new");
}

class AfterInstallTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        ResetRunFlagsForTests();
        machine.profile().elevated = true;
        dialog.Fill("Tessarovinde", "2.0.4.9", "27/11/2026");
        InitLanguage(L"Tessarovinde", 0);  // the shortcuts' names are texts of the tables
    }
    void TearDown() override { ResetLanguageForTests(); }
    RecordedDialog dialog;
};

TEST_F(AfterInstallTest, StoreInstallShortcutsAndUninstallValues) {
    for (bool store : {false, true}) {
        SCOPED_TRACE(store ? "store" : "plain");
        SetupOptions::Values values;
        values.silent = 1;  // no boxes: the stored flags (-1) decide the desktop shortcut
        if (store) values.appFrom = L"winstore";
        SetupOptions::ScopedOverride scoped(values);
        const std::wstring folder = L"C:\\Program Files (x86)\\Tessarovinde";
        CreateDirectoryPath(folder.c_str());
        SetUnpackedInstallPath(folder);
        dialog.AfterInstall(1, false);

        const std::wstring programs = Folder(GetProgramsFolder) + L"\\Tessarovinde\\";
        const std::wstring common = Folder(GetCommonProgramsFolder) + L"\\Tessarovinde\\";
        for (const std::wstring& menu : {programs, common}) {
            EXPECT_TRUE(PathFileExistsW((menu + L"Tessarovinde.lnk").c_str()));
            EXPECT_EQ(PathFileExistsW((menu + L"Uninstall Tessarovinde.lnk").c_str()) != FALSE, store);
            EXPECT_EQ(PathFileExistsW((menu + L"Tessarovinde Online.lnk").c_str()) != FALSE, store);
        }
        EXPECT_TRUE(PathFileExistsW((Folder(GetDesktopFolder) + L"\\Tessarovinde.lnk").c_str()));
        EXPECT_EQ(dialog.IsFinishPageShown(), !store);  // store: never; plain: a new install's thank-you page

        const std::string key = "Tessarovinde";
        EXPECT_EQ(Value(key, "InstallLocation"), "C:\\Program Files (x86)\\Tessarovinde");
        EXPECT_EQ(Value(key, "DisplayIcon"), "C:\\Program Files (x86)\\Tessarovinde\\Tessarovinde.exe");
        EXPECT_EQ(Value(key, "UninstallString"), "\"C:\\Program Files (x86)\\Tessarovinde\\uninstall.exe\"");
        EXPECT_EQ(Value(key, "QuietUninstallString"),
                  "\"C:\\Program Files (x86)\\Tessarovinde\\uninstall.exe\" /SILENT");
        EXPECT_EQ(Dword(key, "EstimatedSize"), 227016);
        EXPECT_EQ(Dword(key, "sEstimatedSize2"), 229986);
        EXPECT_EQ(Dword(key, "NoModify"), 1);
        EXPECT_EQ(Dword(key, "NoRepair"), 1);
        EXPECT_EQ(Value(key, "InstallDate"), "20261127");
        EXPECT_EQ(Value(key, "Version"), "2.0.4.9");
        EXPECT_EQ(Value(key, "DisplayVersion"), "2.0.4.9");
        EXPECT_EQ(Dword(key, "cfg_flag"), -12345);  // not written by a silent run
        if (store) EXPECT_EQ(Value(key, "DisplayName"), GetStoreInstallFolderName());
        else EXPECT_EQ(Value(key, "DisplayName"), "Tessarovinde (27/11/2026)");
        fs::remove_all(Host(programs));
        fs::remove_all(Host(common));
    }
}

TEST_F(AfterInstallTest, MovesTheExtraProgramsAsideBeforeTheUnpack) {
    const std::wstring folder = L"C:\\Program Files (x86)\\Tessarovinde";
    CreateDirectoryPath(folder.c_str());
    std::vector<std::wstring> names = GetProcessNames(true);
    for (const std::wstring& name : names) WriteHostFile(Host(JoinPath(folder, name)), "running");
    bool restart = true;
    EXPECT_TRUE(dialog.BeforeInstall(folder, restart));
    EXPECT_FALSE(restart);
    for (const std::wstring& name : names) EXPECT_FALSE(PathFileExistsW(JoinPath(folder, name).c_str()));
    // One GUID folder holds them; the next run clears it first.
    std::size_t moved = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Host(folder + L"\\InstallerTemp")))
        if (entry.is_regular_file()) ++moved;
    EXPECT_EQ(moved, names.size());
    EXPECT_TRUE(dialog.BeforeInstall(folder, restart));
    moved = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Host(folder + L"\\InstallerTemp")))
        if (entry.is_regular_file()) ++moved;
    EXPECT_EQ(moved, 0u);
}

// A package made by our packing step at `package`, whose payload holds the
// product's main program (the stand-in recorder, under both main program
// names: the product's bitness picks one) and a data file.
void MakeStandInPackage(const platform::ScopedMachine& machine, const wchar_t* package) {
    fs::create_directories(machine.Host(L"C:\\src\\bin"));
    fs::copy_file(STAND_IN_PACKAGE, machine.Host(L"C:\\src\\Tessarovinde.exe"));
    fs::copy_file(STAND_IN_PACKAGE, machine.Host(L"C:\\src\\Tessarovinde64.exe"));
    std::ofstream(machine.Host(L"C:\\src\\bin\\data.bin"), std::ios::binary) << std::string(300000, 'd');
    ziptest::ToolRun run = ziptest::Run("cd " + Quote(machine.Host(L"C:\\src")) + " && " + Quote(SEVENZIP_TOOL) +
                                        " a -bd -mx1 " + Quote(machine.Host(L"C:\\payload.7z")) + " .");
    ASSERT_EQ(run.status, 0) << run.output;
    SetupInfoBlock record;
    WriteText(record.m_installFolderName, "Tessarovinde");
    WriteText(record.m_productName, "Tessarovinde");
    std::string uninstaller = "uninstaller image";
    ASSERT_EQ(S_OK, PackPackage(package, std::vector<unsigned char>(uninstaller.begin(), uninstaller.end()),
                                L"C:\\payload.7z", record));
}

// The whole road: the options record names a package whose payload holds
// the product's main program (the stand-in recorder).
class LocalPackageRoadTest : public SetupProgramTest {
protected:
    void SetUp() override {
        SetupProgramTest::SetUp();
        machine.profile().elevated = true;
        MakeStandInPackage(machine, kPackage);
    }
    static constexpr const wchar_t* kPackage = L"C:\\Users\\User\\Downloads\\package.exe";
};

TEST_F(LocalPackageRoadTest, InstallsFilesShortcutsAndEntryAndRunsTheProduct) {
    SetupOptions::Values values;
    values.filePath = kPackage;
    SetupOptions::ScopedOverride scoped(values);
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    const std::wstring folder = dialog->GetInstallPath();
    const std::string key = dialog->GetSetupInfo().m_is64Bit ? "Tessarovinde (x64)" : "Tessarovinde";
    const std::wstring program = dialog->GetSetupInfo().m_is64Bit ? L"Tessarovinde64.exe" : L"Tessarovinde.exe";
    driver->Click(311, 374);  // install
    // The start-after box is ticked: the product starts and the dialog closes.
    ASSERT_TRUE(driver->WaitFinished(30000));
    EXPECT_EQ(GetCloseReason(), "auto_run_app");
    EXPECT_EQ(steps->Created(), 0);  // nothing was downloaded

    EXPECT_EQ(ReadHostFile(Host(folder + L"\\bin\\data.bin")), std::string(300000, 'd'));
    EXPECT_EQ(ReadHostFile(Host(folder + L"\\uninstall.exe")), "uninstaller image");
    EXPECT_EQ(fs::file_size(Host(folder + L"\\uninstall.exe.bin")), 4096u);
    EXPECT_TRUE(PathFileExistsW((Folder(GetDesktopFolder) + L"\\Tessarovinde.lnk").c_str()));
    EXPECT_TRUE(PathFileExistsW((Folder(GetProgramsFolder) + L"\\Tessarovinde\\Tessarovinde.lnk").c_str()));
    EXPECT_EQ(Value(key, "InstallLocation"), ToOemString(folder));
    EXPECT_EQ(Value(key, "DisplayIcon"), ToOemString(JoinPath(folder, program)));
    // A visible run stores its boxes; bit 0 is the desktop box (ticked).
    EXPECT_EQ(Dword(key, "cfg_flag") & 1, 1);

    // The recorder heard the "/install" run (a new install with its id), then the start.
    std::string lines;
    ASSERT_TRUE(WaitFor(
        [&] {
            lines = ReadHostFile(Host(folder + L"\\started-with.txt"));
            return lines.find("--installmode") != std::string::npos;
        },
        10000));
    std::string first = lines.substr(0, lines.find('\n'));
    // (The recorder writes the arguments one blank apart; the join box is ticked.)
    EXPECT_TRUE(std::regex_match(first, std::regex("/install /add_plan /ID:[0-9a-f]{32} /new --app-from official")))
        << lines;
    EXPECT_NE(lines.find("\n--installmode --runapp"), std::string::npos) << lines;
}

// The road's statistics: the install report hears the local install's
// begin and end, and the final document that the loopback statistics
// server receives carries the install's own result.
class LocalInstallReportTest : public statstest::ReportRunTest {
protected:
    void SetUp() override {
        statstest::ReportRunTest::SetUp();
        ResetRunFlagsForTests();
        machine.profile().elevated = true;
        dialog.Fill("Tessarovinde", "2.0.4.9", "27/11/2026");
        dialog.SetSteps(std::make_shared<FakeSteps>());
        dialog.SetInstallPath(L"C:\\Program Files (x86)\\Tessarovinde");
        MakeStandInPackage(machine, kPackage);
        // The same package cut short: its record is gone.
        const std::string bytes = ReadHostFile(Host(kPackage));
        WriteHostFile(Host(kCutPackage), bytes.substr(0, bytes.size() / 2));
    }
    static constexpr const wchar_t* kPackage = L"C:\\Users\\User\\Downloads\\package.exe";
    static constexpr const wchar_t* kCutPackage = L"C:\\Users\\User\\Downloads\\cut.exe";
    RecordedDialog dialog;
};

TEST_F(LocalInstallReportTest, TheFinalDocumentCarriesTheInstallsOwnResult) {
    const struct {
        const char* what;
        const wchar_t* package;
        bool fails;
        const char* status;
        const char* error;
        const char* parts;
    } cases[] = {
        {"installed", kPackage, false, "success", "NoError", "index,json_data"},
        {"the unpack failed", kCutPackage, true, "install_fail", "ReadFileError",
         "index,json_data,upload_type,upload_file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto report = std::make_shared<InstallStatsReport>(UploadUrl(), statstest::Settings());
        dialog.SetReport(report);
        dialog.SetPackage(c.package);
        if (c.fails) {
            // The failed unpack tells the user in a box of its own, which
            // may come later than the driver's own wait on a loaded machine.
            platform::DialogDriver driver([&] { dialog.DoLocalInstall(); });
            HWND box = driver.Window();
            for (int i = 0; i < 1200 && box == nullptr; ++i) {
                Sleep(50);
                box = driver.TopWindow();
            }
            ASSERT_NE(box, nullptr);
            EndDialog(box, IDOK);
            ASSERT_TRUE(driver.WaitFinished(60000));
        } else {
            dialog.DoLocalInstall();
        }
        server->ClearRequests();
        ASSERT_TRUE(report->PostFinalReport(CloseStatsInfo{}));
        const std::vector<statstest::ReceivedRequest> uploads = Uploads();
        ASSERT_EQ(uploads.size(), 1u);
        CJsonObject document(uploads[0].json);
        EXPECT_EQ(document["install"]("install_status"), c.status);
        EXPECT_EQ(document["install"]("install_last_error"), c.error);
        EXPECT_EQ(uploads[0].PartNames(), c.parts);
        if (c.fails) {
            EXPECT_EQ(document["install"]("detail_failure_reason"), "10007 - ReadFileError");
            EXPECT_EQ(uploads[0].Part("upload_type")->data, "install_fail");
            EXPECT_EQ(uploads[0].zipEntries.count("install.log"), 1u);
        }
    }
}

}  // namespace
}  // namespace setuptest
