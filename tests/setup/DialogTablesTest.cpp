// Tables that pin the main dialog's behaviour: OS classes, new-install
// detection, default folders, the install and finish button rectangles, the
// options panel, the version text, the download ring, ripples and the reveal
// target, the start-up log block, and the guard on earlier-install folders.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/Resources.h"
#include "platform/files/FileSystem.h"
#include "setup/FrameTypes.h"
#include "ui/BMData.h"
#include "setup/RunFlags.h"
#include <cmath>
#include <cstdio>
#include <thread>
#include "setup/SetupMain.h"
#include "setup/SetupOptions.h"
#include "setup/WebsiteSmallDownloader.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "util/Folders.h"
#include "util/UninstallEntry.h"

namespace setuptest {
namespace {

TEST(SetupOsClassTest, VersionsGiveTheirClass) {
    struct Case {
        unsigned major, minor, build;
        int bit;
    } cases[] = {
        {5, 1, 2600, 1},          {6, 0, 6002, 2},    {6, 1, 7601, 4},    {6, 2, 9200, 8},
        {6, 3, 9600, 16},         {10, 0, 19045, 32}, {10, 0, 21999, 32}, {10, 0, 22000, 64},
        {10, 0, 26100, 64},       {6, 4, 9800, 0},  // a 6.x above 3 belongs to no class
        {6, 3, 22000, 64},                          // the build is tested first
        {10, 0, 0xC0004A63u, 32},                   // only the build's low 16 bits count (0x4A63 = 19043)
    };
    for (const Case& c : cases)
        EXPECT_EQ(SetupDlg::OsClassOf(c.major, c.minor, c.build), c.bit) << c.major << "." << c.minor << "." << c.build;
}

class SetupDialogObjectTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ResetRunFlagsForTests(); }
    // The identity operations need the dialog's record, filled as the
    // dialog's initialisation fills it.
    WebsiteSmallDownloader dialog;
};

TEST_F(SetupDialogObjectTest, SupportedSystemsAreWindows10And11) {
    struct Case {
        DWORD major, minor, build;
        int supported;
    } cases[] = {{6, 0, 6002, 0},   {6, 1, 7601, 0},   {6, 3, 9600, 0},
                 {10, 0, 19045, 1}, {10, 0, 22631, 1}, {5, 1, 2600, 0}};
    for (const Case& c : cases) {
        machine.profile().osMajor = c.major;
        machine.profile().osMinor = c.minor;
        machine.profile().osBuild = c.build;
        EXPECT_EQ(dialog.GetOsSupportMask(), c.supported) << c.major << "." << c.minor << "." << c.build;
    }
}

TEST_F(SetupDialogObjectTest, DefaultFoldersAndDisplayNames) {
    dialog.InitSetupInfo();
    EXPECT_EQ(dialog.GetSetupInfo().m_is64Bit, 1);
    EXPECT_EQ(dialog.GetDefaultInstallDir(), L"C:\\Program Files\\Tessarovinde\\Tessarovinde");
    {
        SetupOptions::Values values;
        values.appFrom = L"winstore";
        SetupOptions::ScopedOverride store(values);
        EXPECT_EQ(dialog.GetDefaultInstallDir(), L"C:\\Program Files\\Tessarovinde");
    }
    EXPECT_EQ(dialog.GetProductDisplayName("Tessarovinde"), "Tessarovinde (x64)");
    EXPECT_EQ(dialog.SetupDlg::GetProductDisplayName("Tessarovinde"), "Tessarovinde");  // bitness code 16, not 17
    EXPECT_EQ(dialog.GetInfoProductName(), "Tessarovinde");
    EXPECT_FALSE(dialog.HasOldVersion());
}

TEST_F(SetupDialogObjectTest, NewInstallCases) {
    machine.profile().elevated = true;  // the uninstall entry is written as an installer would
    dialog.InitSetupInfo();
    std::wstring folder = L"C:\\Program Files\\Tessarovinde\\Tessarovinde";
    EXPECT_TRUE(dialog.IsNewInstall(folder));
    // The registry's earlier install, when its folder exists.
    ASSERT_TRUE(CreateDirectoryPath(L"C:\\Old\\Tessarovinde"));
    ASSERT_TRUE(SetUninstallString("Tessarovinde (x64)", "InstallLocation", "C:\\Old\\Tessarovinde"));
    EXPECT_EQ(dialog.FindOldInstallPath(), "C:\\Old\\Tessarovinde");
    EXPECT_FALSE(dialog.IsNewInstall(folder));
    DeleteUninstallKey("Tessarovinde (x64)");
    EXPECT_TRUE(dialog.IsNewInstall(folder));
    // An uninstaller in the chosen folder, the registry knowing nothing.
    ASSERT_TRUE(CreateDirectoryPath(folder.c_str()));
    WriteHostFile(Host(folder + L"\\uninstall.exe"), "MZ");
    EXPECT_FALSE(dialog.IsNewInstall(folder));
    EXPECT_TRUE(dialog.IsNewInstall(L"C:\\Elsewhere"));
    // The product's data folder in AppData.
    ASSERT_TRUE(CreateDirectoryPath((machine.machine().AppDataFolder() + L"\\Tessarovinde\\Tessarovinde").c_str()));
    EXPECT_FALSE(dialog.IsNewInstall(L"C:\\Elsewhere"));
}

TEST_F(SetupDialogObjectTest, EarlierInstallFoldersAreRemovedOnlyWhenTheyAreTheProducts) {
    machine.profile().elevated = true;
    ASSERT_TRUE(CreateDirectoryPath(L"C:\\Data\\Photos"));
    WriteHostFile(Host(L"C:\\Data\\Photos\\holiday.jpg"), "jpeg");
    ASSERT_TRUE(CreateDirectoryPath(L"C:\\Apps\\Tessarovinde"));
    WriteHostFile(Host(L"C:\\Apps\\Tessarovinde\\Tessarovinde64.exe"), "MZ");
    struct Case {
        std::wstring folder;
        bool removable;
    } cases[] = {
        {L"C:\\", false},
        {machine.machine().DocumentsFolder(), false},
        {L"C:\\Program Files", false},
        {L"C:\\Data\\Photos", false},  // neither uninstall.exe nor the product's executable
        {L"C:\\Apps\\Tessarovinde", true},
        {L"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WebsiteSmallDownloader::IsRemovableInstallFolder(c.folder), c.removable)
            << testing::PrintToString(c.folder);

    // The other bitness's entry names a folder that is not the product's: kept.
    dialog.InitSetupInfo();
    ASSERT_TRUE(SetUninstallString("Tessarovinde", "InstallLocation", "C:\\Data\\Photos"));
    bool restart = false;
    EXPECT_TRUE(dialog.BeforeInstall(L"C:\\Program Files\\Tessarovinde", restart));
    EXPECT_TRUE(PathFileExistsW(L"C:\\Data\\Photos\\holiday.jpg"));
    // The product's own folder goes.
    ASSERT_TRUE(SetUninstallString("Tessarovinde", "InstallLocation", "C:\\Apps\\Tessarovinde"));
    EXPECT_TRUE(dialog.BeforeInstall(L"C:\\Program Files\\Tessarovinde", restart));
    EXPECT_FALSE(PathFileExistsW(L"C:\\Apps\\Tessarovinde\\Tessarovinde64.exe"));
}

TEST(SetupCountdownTest, UninstallBarIsComputedInFloatingPoint) {
    struct Case {
        int counter, estimate, percent;
    } cases[] = {{10, 10, 0}, {5, 10, 50}, {3, 10, 70}, {1, 3, 66}, {0, 10, 100}, {4, 0, 0}};
    for (const Case& c : cases) EXPECT_EQ(SetupDlg::CountdownPercent(c.counter, c.estimate), c.percent);
}

TEST(SetupPixelTest, BlendDistanceRippleAlphaAndSpeed) {
    EXPECT_EQ(BlendColor(0xFFFFFF, 0x000000, 0.5f), 0x7F7F7Fu);
    EXPECT_EQ(BlendColor(0x102030, 0x102030, 0.3f) & 0xF0F0F0, 0x102030u & 0xF0F0F0);
    EXPECT_EQ(BlendColor(0xFF0000, 0x0000FF, 1.0f), 0xFF0000u);
    EXPECT_DOUBLE_EQ(PixelDistance(311, 355), std::sqrt(311.0 * 311 + 355.0 * 355));
    std::uint32_t pixel = 0xAA123456;
    EXPECT_EQ(ReadPixel(&pixel), 0x123456u);
    struct Alpha {
        DWORD age;
        float alpha;
    } alphas[] = {{0, 0.05f}, {2999, 0.05f}, {3000, 0.05f}, {4000, 0.025f}, {4999, 0.000025f}, {5000, 0.0f}};
    for (const Alpha& a : alphas) EXPECT_NEAR(RippleAlpha(a.age), a.alpha, 1e-6) << a.age;

    SpeedSample speed;
    speed.Update(0, 1000);
    speed.Update(1000000, 2000);  // shown was 0: sampled
    EXPECT_EQ(speed.shown, 1000000u);
    speed.Update(1500000, 2500);  // within a second: kept
    EXPECT_EQ(speed.shown, 1000000u);
    speed.Update(1500000, 2500);  // a zero interval changes nothing
    EXPECT_EQ(speed.shown, 1000000u);
    speed.Update(4000, 4000);  // a retry started again from few bytes: no wrap
    EXPECT_EQ(speed.shown, 0u);
    speed.Update(1004000, 5001);
    EXPECT_LT(speed.shown, 1100000u);
}

// The dialog as the program runs it, for its layout and renderer.
class SetupDialogLayoutTest : public SetupProgramTest {};

TEST_F(SetupDialogLayoutTest, ButtonRectanglesVersionAndRendererGeometry) {
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    CommonRect install = dialog->InstallButton()->GetRect();
    EXPECT_EQ(install.Left(), 191);
    EXPECT_EQ(install.Top(), 354);
    EXPECT_EQ(install.Right(), 431);
    EXPECT_EQ(install.Bottom(), 394);
    for (int i = 0; i < 2; ++i) {
        dialog->UpdateCtrlStatus(PAGE_FINISHED);
        CommonRect finish = dialog->InstallButton()->GetRect();
        EXPECT_EQ(finish.Left(), 91);
        EXPECT_EQ(finish.Top(), 354);
        EXPECT_EQ(finish.Right(), 531);
        EXPECT_EQ(finish.Bottom(), 394);
    }
    dialog->UpdateCtrlStatus(PAGE_WELCOME);

    EXPECT_EQ(dialog->GetVersion(), "1.0.7.2");
    EXPECT_STREQ(dialog->GetSetupInfo().m_version, "1.0.7.2");
    EXPECT_STREQ(dialog->GetSetupInfo().m_date, "10/12/2026");
    EXPECT_EQ(dialog->VersionLabel()->GetText(), L"1.0.7.2 official (10/12/2026)");
    EXPECT_TRUE(dialog->VersionLabel()->IsVisible());
    std::string version, text;
    ASSERT_TRUE(dialog->LoadVersionInfo(version, text));
    EXPECT_EQ(version, "1.0.7.2");
    EXPECT_EQ(text, "1.0.7.2 official (10/12/2026)");

    EXPECT_EQ(dialog->Centre().x, 311);
    EXPECT_EQ(dialog->Centre().y, 355);
    EXPECT_EQ(dialog->OuterRadius(), 471);
    EXPECT_EQ(dialog->RingOrigin().x, 156);
    EXPECT_EQ(dialog->RingOrigin().y, 24);
    EXPECT_EQ(dialog->InnerRadius(), 365);
    EXPECT_EQ(dialog->RevealTarget(0), 15);
    EXPECT_EQ(dialog->RevealTarget(500), 243);
    EXPECT_EQ(dialog->RevealTarget(1000), 471);
    // Options flags never read: both boxes ticked.
    EXPECT_TRUE(dialog->DesktopBox()->GetCheck());
    EXPECT_TRUE(dialog->JoinBox()->GetCheck());
}

TEST_F(SetupDialogLayoutTest, VersionResourceMissingOrShort) {
    platform::RemoveResource(L"txt", MAKEINTRESOURCEW(504));
    ASSERT_TRUE(StartProgram());
    EXPECT_EQ(Dialog()->GetVersion(), "1.0.0.1");
    EXPECT_FALSE(Dialog()->VersionLabel()->IsVisible());
    EXPECT_STREQ(Dialog()->GetSetupInfo().m_version, "1.0.0.0");
}

TEST_F(SetupDialogLayoutTest, DownloadRingByPercent) {
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    const int W = SetupDlg::kDesignWidth;
    POINT origin = dialog->RingOrigin();
    std::vector<std::uint32_t> frame(static_cast<size_t>(W) * SetupDlg::kDesignHeight);
    auto at = [&](int x, int y) { return frame[static_cast<size_t>(origin.y + y) * W + origin.x + x]; };
    BMData full, empty;
    ASSERT_TRUE(full.Load(183));
    ASSERT_TRUE(empty.Load(190));
    auto pixel = [](const BMData& bitmap, int x, int y) { return ReadPixel(&bitmap.Pixels()[y * bitmap.Width() + x]); };
    // One point per quadrant where the full and the empty ring differ, found
    // along the diagonal, so the check does not depend on the art.
    auto probe = [&](int dx, int dy) {
        for (int step = 20; step < 150; ++step) {
            int x = 155 + dx * step, y = 155 + dy * step;
            if (pixel(full, x, y) != pixel(empty, x, y)) return POINT{x, y};
        }
        return POINT{-1, -1};
    };
    POINT points[4] = {probe(-1, 1), probe(-1, -1), probe(1, -1),
                       probe(1, 1)};  // lower left, upper left, upper right, lower right
    for (const POINT& p : points) ASSERT_GE(p.x, 0);
    struct Case {
        int percent;
        bool filled[4];
    } cases[] = {{0, {false, false, false, false}}, {25, {true, false, false, false}}, {50, {true, true, false, false}},
                 {75, {true, true, true, false}},   {100, {true, true, true, true}},   {130, {true, true, true, true}}};
    for (const Case& c : cases) {
        dialog->ComposeProgressRing(frame.data(), c.percent);
        for (int q = 0; q < 4; ++q) {
            const BMData& expected = c.filled[q] ? full : empty;
            EXPECT_EQ(at(points[q].x, points[q].y), pixel(expected, points[q].x, points[q].y))
                << c.percent << " quadrant " << q;
        }
    }
    // Quadrants 2 and 3 stop at the picture's last column: the column right
    // of it keeps the background at every percent.
    for (int percent = 50; percent < 100; ++percent) {
        dialog->ComposeProgressRing(frame.data(), percent);
        std::vector<std::uint32_t> background(frame.size());
        dialog->ComposeProgressRing(background.data(), 0);
        for (int y = 0; y < 311; ++y)
            ASSERT_EQ(at(311, y), background[static_cast<size_t>(origin.y + y) * W + origin.x + 311])
                << percent << " " << y;
    }
}

class SetupStartupTest : public SetupProgramTest {};

TEST_F(SetupStartupTest, LogBlockAndTestMode) {
    struct Case {
        const char* ini;  // null: no file
        bool testMode;
    } cases[] = {{nullptr, false},
                 {"[root]\r\nsetup_test_mode=1\r\n", true},
                 {"[root]\r\nsetup_test_mode=0\r\n", false},
                 {"[root]\r\nsetup_test_mode=2\r\n", false}};
    std::wstring documents = machine.machine().DocumentsFolder();
    std::string log = Host(documents + L"\\Tessarovinde\\Tessarovinde\\Log\\install.log");
    for (const Case& c : cases) {
        ResetRun();
        std::string ini = Host(documents + L"\\QovDebugConfig.ini");
        if (c.ini != nullptr) WriteHostFile(ini, c.ini);
        else std::remove(ini.c_str());
        std::remove(log.c_str());
        ASSERT_TRUE(StartProgram());
        driver->End(0);
        ASSERT_TRUE(driver->WaitFinished());
        driver.reset();
        std::string text = ReadHostFile(log);
        size_t init = text.find("00:00:00 : Init Log OK.");
        size_t version = text.find(" : Setup Init. Version 1.0.7.2");
        size_t mode = text.find(" : System Mode : x64");
        ASSERT_NE(init, std::string::npos) << text;
        EXPECT_LT(init, version);
        EXPECT_LT(version, mode);
        EXPECT_EQ(text.find("Test Mode : true") != std::string::npos, c.testMode) << (c.ini ? c.ini : "no file");
    }
}

}  // namespace
}  // namespace setuptest
