// The progress channel on both sides, its text's reading, the package's and
// the product's argument tables and the download percentage.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/kernel/SharedMemory.h"
#include "setup/RunFlags.h"
#include "setup/SetupOptions.h"
#include "setup/WebsiteSmallDownloader.h"
#include "tests/support/MachineFixture.h"

namespace setuptest {
namespace {

TEST(ProgressTextTest, OnlyPosAndARangedNumberMoveTheProgress) {
    struct Case {
        const char* text;
        int expected;  // the progress afterwards; it starts at 42
    } cases[] = {
        {"pos:0", 0},
        {"pos:250", 250},
        {"pos:1000", 1000},
        {"pos:999", 999},
        {"pos:1001", 42},
        {"pos:-1", 42},
        {"pos:", 42},
        {"pos", 42},
        {"pos250", 42},
        {"pos:1:2", 42},
        {"", 42},
        {"pos:abc", 42},
        {"pos: 300", 300},
        {"pos:12x", 12},
        {"any:500", 500},
        {"pos::700", 700},
        {"pos:99999999999999999999", 42},
        {"pos:+5", 42},
        {":600", 42},
    };
    for (const Case& c : cases) {
        WebsiteSmallDownloader dialog;
        dialog.SetInstallProgress(3, 42);
        unsigned value = 0;
        if (SetupDlg::ParseProgressText(c.text, value)) dialog.SetInstallProgress(3, value);
        EXPECT_EQ(dialog.GetInstallProgress(), c.expected) << c.text;
    }
}

TEST(DownloadPercentTest, ZeroAndHugeTotalsStayInRange) {
    auto data = [](std::uint64_t total) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(total)); };
    struct Case {
        std::uint32_t done;
        std::uint64_t total;
        int percent;
    } cases[] = {
        {0, 1000, 0},
        {500, 1000, 50},
        {1000, 1000, 100},
        {5, 0, 0},                       // no size yet
        {0x80000000u, 0xC0000000u, 66},  // 2 GiB of 3 GiB: the total is not negative
        {0xFFFFFFFFu, 0xFFFFFFFFu, 100},
        {0xF0000000u, 0x10000000u, 100},  // more than the total is capped
    };
    for (const Case& c : cases)
        EXPECT_EQ(SetupDlg::ProgressPercent(static_cast<int>(c.done), data(c.total)), c.percent)
            << c.done << " of " << c.total;
}

TEST(DownloadPercentTest, TheAverageSpeedStaysInRangeEarlyAndLate) {
    struct Case {
        std::uint32_t done;
        DWORD elapsedMs;
        std::uint32_t speed;
    } cases[] = {
        {0, 0, 0},
        {1048576, 0, 0},  // no time yet: no division by zero
        {1048576, 1000, 1048576},
        {3000, 2000, 1500},
        {1000, 3, 333333},              // truncated
        {0xFFFFFFFFu, 1, 0xFFFFFFFFu},  // 4 GiB in a millisecond is held at the top
        {50u * 1048576, 10, 0xFFFFFFFFu},
        {2000000, 4000000, 500},  // late in a long download
    };
    for (const Case& c : cases)
        EXPECT_EQ(SetupDlg::AverageSpeed(c.done, c.elapsedMs), c.speed) << c.done << " in " << c.elapsedMs << " ms";
}

TEST(PackageArgumentsTest, PiecesInTheirOrder) {
    const std::wstring name = L"0123456789ABCDEF0123456789ABCDEF";
    const std::wstring start = L"/start_mode_online /very_silent /output_progress:" + name;
    struct Case {
        bool desktop;
        const char* option;
        const char* source;
        std::wstring expected;
    } cases[] = {
        {true, "", "", start + L" /desktop /install_path\"C:\\Program Files\\Tessarovinde\""},
        {false, "", "", start + L" /install_path\"C:\\Program Files\\Tessarovinde\""},
        {true, "abc", "web",
         start + L" /desktop /install_path\"C:\\Program Files\\Tessarovinde\" /option:abc /source:web /app_from:web"},
        {false, "", "web", start + L" /install_path\"C:\\Program Files\\Tessarovinde\" /source:web /app_from:web"},
        {false, "abc", "", start + L" /install_path\"C:\\Program Files\\Tessarovinde\" /option:abc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SetupDlg::PackageArguments(name, c.desktop, L"C:\\Program Files\\Tessarovinde", c.option, c.source),
                  c.expected);

    EXPECT_EQ(SetupDlg::ProductArgumentPieces("", ""), L"");
    EXPECT_EQ(SetupDlg::ProductArgumentPieces("abc", ""), L" --option abc /uimodule=abc --module=abc --ui-module=abc");
    EXPECT_EQ(SetupDlg::ProductArgumentPieces("", "web"),
              L" --installsource web /source=web --source=web --app_from=web");
    EXPECT_EQ(SetupDlg::ProductArgumentPieces("abc", "web"),
              L" --option abc /uimodule=abc --module=abc --ui-module=abc"
              L" --installsource web /source=web --source=web --app_from=web");
}

class ProgressChannelTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ResetRunFlagsForTests(); }
};

TEST_F(ProgressChannelTest, NamedByTheProductDigestZeroedSharedAndGoneAfterClose) {
    // MD5("Tessarovinde"), upper case.
    const std::wstring name = SetupDlg::ProgressChannelName("Tessarovinde");
    ASSERT_EQ(name.size(), 32u);
    EXPECT_EQ(name.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
    EXPECT_EQ(SetupDlg::ProgressChannelName("abc"), L"900150983CD24FB0D6963F7D28E17F72");

    WebsiteSmallDownloader installer, package;
    EXPECT_EQ(installer.ReadProgressChannel(), "");  // nothing mapped yet
    ASSERT_TRUE(installer.CreateProgressChannel(name));
    EXPECT_FALSE(installer.CreateProgressChannel(name));  // one channel at a time
    EXPECT_EQ(installer.ReadProgressChannel(), "");

    ASSERT_TRUE(package.OpenProgressChannel(name));
    package.WriteProgressChannel("pos:1000");
    EXPECT_EQ(installer.ReadProgressChannel(), "pos:1000");
    // The writer copies its text with the terminator; the rest stays.
    package.WriteProgressChannel("pos:7");
    EXPECT_EQ(installer.ReadProgressChannel(), "pos:7");
    installer.OnProgressTimer();
    EXPECT_EQ(installer.GetInstallProgress(), 7);

    // A writer that fills the whole mapping without a terminator: the read
    // stops at 4095 characters.
    HANDLE raw = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    ASSERT_NE(raw, nullptr);
    void* view = MapViewOfFile(raw, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    std::memset(view, 'A', kProgressChannelSize);
    EXPECT_EQ(installer.ReadProgressChannel(), std::string(kProgressChannelSize - 1, 'A'));
    installer.OnProgressTimer();  // not two pieces: ignored
    EXPECT_EQ(installer.GetInstallProgress(), 7);
    UnmapViewOfFile(view);
    CloseHandle(raw);

    package.CloseProgressChannel();
    installer.CloseProgressChannel();
    EXPECT_EQ(installer.ReadProgressChannel(), "");
    EXPECT_FALSE(platform::SharedMemoryExists(name));
    EXPECT_FALSE(package.OpenProgressChannel(name));  // the name is gone
}

TEST_F(ProgressChannelTest, ASetupWithAChannelPassesItsProgressOn) {
    const std::wstring name = L"ParentChannelOfTest";
    WebsiteSmallDownloader parent;
    ASSERT_TRUE(parent.CreateProgressChannel(name));
    SetupOptions::Values values;
    values.outputProgress = 1;
    values.outputProgressName = name;
    SetupOptions::ScopedOverride scoped(values);
    WebsiteSmallDownloader child;
    ASSERT_TRUE(child.OpenProgressChannel(name));
    child.SetInstallProgress(3, 640);
    EXPECT_EQ(parent.ReadProgressChannel(), "pos:640");
    child.SetInstallProgress(3, 5000);  // refused: the last value is written again
    EXPECT_EQ(parent.ReadProgressChannel(), "pos:640");
    child.CloseProgressChannel();
    parent.CloseProgressChannel();
}

}  // namespace
}  // namespace setuptest
