// The welcome page as a real X11 window under Xvfb equals the headless picture.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/windowing/Screen.h"
#include "tests/setup/support/SetupTestSupport.h"

namespace setuptest {
namespace {

class SetupX11Test : public SetupProgramTest {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
        SetupProgramTest::SetUp();
        machine.profile().screenWidth = 1280;
        machine.profile().screenHeight = 1024;
        ASSERT_TRUE(platform::StartX11Output()) << "the display does not open";
    }
    void TearDown() override {
        SetupProgramTest::TearDown();
        platform::StopX11Output();
    }
};

TEST_F(SetupX11Test, WelcomePageMatchesTheHeadlessPicture) {
    ASSERT_TRUE(StartProgram());
    Tick(1);
    // The repaint thread keeps drawing the same page; a settled picture is
    // one where two captures agree.
    RECT rect{};
    GetWindowRect(driver->Window(), &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int differences = -1;
    for (int attempt = 0; attempt < 20 && differences != 0; ++attempt) {
        ASSERT_TRUE(platform::FlushX11Output(5000));
        platform::Image shown;
        ASSERT_TRUE(platform::CaptureX11Screen(rect.left, rect.top, width, height, &shown));
        platform::Image headless = platform::Crop(platform::ComposeScreen(), rect.left, rect.top, width, height);
        differences = 0;
        for (size_t i = 0; i < shown.pixels.size() && i < headless.pixels.size(); ++i)
            differences += shown.pixels[i] != headless.pixels[i];
        if (differences == 0) {
            platform::WritePng(shown, "setup-x11-welcome.png");
            platform::WritePng(headless, "setup-headless-welcome.png");
        }
    }
    EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace setuptest
