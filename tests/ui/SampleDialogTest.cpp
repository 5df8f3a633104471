#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "platform/windowing/TestDriver.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "tests/ui/sample/SampleDialog.h"

namespace {

using SampleDialogTest = testsupport::MachineTest;

TEST_F(SampleDialogTest, RendersHeadlessAndAnswersThePointer) {
    std::atomic<INT_PTR> result{-1};
    platform::DialogDriver driver([&] { result = SampleDialog::Run(nullptr); });
    HWND window = driver.Window();
    ASSERT_NE(window, nullptr);
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, SampleDialog::kWidth);

    // Probes of the painted frame: title band, body, footer, progress bar.
    struct Probe {
        int x, y;
        COLORREF expected;
    } probes[] = {
        {2, 2, RGB(74, 71, 181)},        // title band
        {2, 40, RGB(255, 255, 255)},     // body
        {2, 220, RGB(247, 251, 253)},    // footer
        {20, 110, RGB(204, 204, 204)},   // progress border
        {21, 115, RGB(74, 71, 181)},     // done part (62 %)
        {280, 115, RGB(74, 71, 181)},    // 62 % of 438 inner pixels: 271
        {420, 115, RGB(235, 235, 240)},  // remaining part
        {260, 183, RGB(54, 51, 151)},    // install button border
        {265, 190, RGB(74, 71, 181)},    // its fill
    };
    for (const Probe& p : probes) EXPECT_EQ(driver.Pixel(p.x, p.y), p.expected) << p.x << "," << p.y;
    ASSERT_TRUE(driver.SavePng("sample-dialog.png"));
    std::ifstream png("sample-dialog.png", std::ios::binary);
    char signature[4] = {};
    png.read(signature, 4);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");

    // Hover shows the hover fill; clicking the box toggles it.
    driver.MoveTo(300, 200);
    EXPECT_EQ(driver.Pixel(265, 190), RGB(104, 101, 211));
    EXPECT_FALSE(SampleDialog::Current()->CheckBox()->GetCheck());
    driver.Click(25, 142);
    EXPECT_TRUE(SampleDialog::Current()->CheckBox()->GetCheck());
    EXPECT_EQ(driver.Pixel(21, 140), RGB(74, 71, 181));  // the checked bitmap
    ASSERT_TRUE(driver.SavePng("sample-dialog-checked.png"));
    driver.Click(300, 200);
    ASSERT_TRUE(driver.WaitFinished());
    EXPECT_EQ(result.load(), SampleDialog::kInstallId);
}

TEST_F(SampleDialogTest, CloseButtonAndEscapeCloseWithoutAnAnswer) {
    struct Case {
        const char* name;
        bool escape;
    } cases[] = {{"close button", false}, {"escape", true}};
    for (const Case& c : cases) {
        std::atomic<INT_PTR> result{-1};
        platform::DialogDriver driver([&] { result = SampleDialog::Run(nullptr); });
        if (c.escape) driver.Key(VK_ESCAPE);
        else driver.Click(SampleDialog::kWidth - 10, 10);
        ASSERT_TRUE(driver.WaitFinished()) << c.name;
        EXPECT_EQ(result.load(), 0) << c.name;
    }
}

TEST_F(SampleDialogTest, LayoutScalesWithTheScreenDpi) {
    machine.profile().dpi = 144;
    platform::DialogDriver driver([] { SampleDialog::Run(nullptr); });
    RECT rect{};
    GetWindowRect(driver.Window(), &rect);
    EXPECT_EQ(rect.right - rect.left, 720);
    EXPECT_EQ(rect.bottom - rect.top, 337);
    // The content keeps its design layout at the top left; the rest stays
    // the dialog's own background.
    EXPECT_EQ(driver.Pixel(2, 2), RGB(74, 71, 181));
    EXPECT_EQ(driver.Pixel(700, 300), GetSysColor(COLOR_3DFACE));
}

}  // namespace
