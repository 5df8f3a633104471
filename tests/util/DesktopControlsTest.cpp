// Window placement and switching of the second library on headless windows.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/DesktopControls.h"

namespace {

class DesktopControlsTest : public testsupport::MachineTest {};

TEST_F(DesktopControlsTest, TopmostAndSwitchReachTheWindow) {
    HWND first = CreateWindowExW(0, L"STATIC", L"first", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                                 nullptr);
    HWND second = CreateWindowExW(0, L"STATIC", L"second", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(SetWindowTopmost(first));
    EXPECT_NE(GetWindowLongW(first, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(SwitchToWindow(second), 1);
    EXPECT_EQ(GetForegroundWindow(), second);
    EXPECT_EQ(SwitchToWindow(first), 1);
    EXPECT_EQ(GetForegroundWindow(), first);
    DestroyWindow(second);
    DestroyWindow(first);
}

}  // namespace

namespace {

// Without a display the clipboard and the screen saver fail plainly.
TEST_F(DesktopControlsTest, ClipboardAndScreenSaverNeedADisplay) {
    if (std::getenv("DISPLAY") != nullptr) GTEST_SKIP() << "a display is open; the x11 suite covers it";
    char buffer[16] = "untouched";
    EXPECT_EQ(GetClipboardText(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(SetScreenSaverTimeout(1), 0);
    EXPECT_EQ(SetScreenSaverTimeout(0), 0);
    EXPECT_EQ(CloseScreenSaver(), 0);
    int seconds = 0;
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

}  // namespace
