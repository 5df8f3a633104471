#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "platform/windowing/Screen.h"
#include "platform/windowing/TestDriver.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "tests/ui/sample/SampleDialog.h"

namespace {

class X11OutputTest : public testsupport::MachineTest {
protected:
    // The machine profile is set before the back end's thread reads it.
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
        machine.profile().screenWidth = 1280;
        machine.profile().screenHeight = 1024;
        ASSERT_TRUE(platform::StartX11Output()) << "the display does not open";
    }
    void TearDown() override { platform::StopX11Output(); }
};

int Differences(const platform::Image& a, const platform::Image& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int count = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) count += a.pixels[i] != b.pixels[i];
    return count;
}

TEST_F(X11OutputTest, ScreenshotMatchesTheHeadlessPictureAndClicksComeBack) {
    std::atomic<INT_PTR> result{-1};
    platform::DialogDriver driver([&] { result = SampleDialog::Run(nullptr); });
    HWND window = driver.Window();
    ASSERT_NE(window, nullptr);
    RECT rect{};
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    auto compare = [&](const std::string& name) {
        ASSERT_TRUE(platform::FlushX11Output(5000)) << name;
        platform::Image shown;
        ASSERT_TRUE(platform::CaptureX11Screen(rect.left, rect.top, width, height, &shown)) << name;
        platform::Image headless = platform::Crop(platform::ComposeScreen(), rect.left, rect.top, width, height);
        EXPECT_EQ(Differences(shown, headless), 0) << name;
        platform::WritePng(shown, "x11-" + name + ".png");
        platform::WritePng(headless, "headless-" + name + ".png");
    };
    compare("initial");

    // A click sent through the X server comes back as window messages.
    ASSERT_TRUE(platform::SendX11Click(POINT{rect.left + 25, rect.top + 142}));
    for (int i = 0; i < 2000 && !SampleDialog::Current()->CheckBox()->GetCheck(); ++i) Sleep(1);
    driver.WaitIdle();
    EXPECT_TRUE(SampleDialog::Current()->CheckBox()->GetCheck());
    compare("checked");

    ASSERT_TRUE(platform::SendX11Click(POINT{rect.left + 300, rect.top + 200}));
    EXPECT_TRUE(driver.WaitFinished());
    EXPECT_EQ(result.load(), SampleDialog::kInstallId);
}

TEST_F(X11OutputTest, KeysFromTheServerReachTheDialog) {
    std::atomic<INT_PTR> result{-1};
    platform::DialogDriver driver([&] { result = SampleDialog::Run(nullptr); });
    ASSERT_NE(driver.Window(), nullptr);
    ASSERT_TRUE(platform::FlushX11Output(5000));
    ASSERT_TRUE(platform::SendX11Key(VK_ESCAPE));
    EXPECT_TRUE(driver.WaitFinished());
    EXPECT_EQ(result.load(), 0);  // closed without an answer
}

}  // namespace
