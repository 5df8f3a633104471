// Pictures of every page, written into the test's folder as
// setup-<page>-<language>-<dpi>.png: welcome, busy at 0, 50 and 100 %, the
// install phase, finished and failed in English, and the welcome page in
// Japanese and Russian, each at 96 and 144 DPI. Each is also checked for the
// colours that show the page is really drawn.
#include <gtest/gtest.h>

#include <string>

#include "tests/setup/support/SetupTestSupport.h"

namespace setuptest {
namespace {

struct PictureCase {
    int dpi;
    LANGID language;
    const char* code;
};

class SetupPictureTest : public SetupProgramTest, public testing::WithParamInterface<PictureCase> {
protected:
    std::string Name(const std::string& page) const {
        return "setup-" + page + "-" + GetParam().code + "-" + std::to_string(GetParam().dpi) + ".png";
    }
    // Waits until the repaint thread has painted the current state twice.
    void Settle() {
        SetupDlg* dialog = Dialog();
        unsigned start = dialog->PaintCount();
        WaitFor([&] { return dialog->PaintCount() >= start + 3; });
        driver->WaitIdle();
    }
    void Save(const std::string& page) {
        Settle();
        platform::Image image = driver->Capture();
        EXPECT_EQ(image.width, 622 * GetParam().dpi / 96) << page;
        ASSERT_TRUE(platform::WritePng(image, Name(page))) << page;
    }
    int Scale(int v) const { return v * GetParam().dpi / 96; }
};

TEST_P(SetupPictureTest, EveryPage) {
    machine.profile().dpi = GetParam().dpi;
    machine.profile().userLanguage = GetParam().language;
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    Tick(1);
    Save("welcome");
    // The footer band lies under the install button's row.
    EXPECT_EQ(driver->Pixel(Scale(20), Scale(380)), 0xFDFBF7u);
    if (GetParam().language != 0x0409) return;  // other languages: the welcome page only

    driver->Click(Scale(311), Scale(374));
    ASSERT_EQ(dialog->GetPageState(), PAGE_BUSY);
    FakeDownloader* engine = steps->WaitForEngine(1);
    ASSERT_NE(engine, nullptr);
    const std::int64_t total = 96 * 1024 * 1024;
    engine->Progress(0, total);
    Save("busy-0");
    engine->Progress(total / 2, total);
    Save("busy-50");
    engine->Progress(total, total);
    Save("busy-100");
    engine->Finish(true);
    ASSERT_TRUE(WaitFor([&] { return steps->PackageRunning(); }));
    steps->PackageProgress(600, false);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetInstallProgress() == 600; }));
    Sleep(2500);  // the reveal circle grows a pixel a frame
    Save("installing-60");
    steps->PackageProgress(1000, true);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_FINISHED; }));
    Save("finished");
    driver->End(0);
    ASSERT_TRUE(driver->WaitFinished());
    driver.reset();

    // The failed page, in a run of its own.
    steps = std::make_shared<FakeSteps>();
    ResetRun();
    ASSERT_TRUE(StartProgram());
    dialog = Dialog();
    driver->Click(Scale(311), Scale(374));
    engine = steps->WaitForEngine(1);
    ASSERT_NE(engine, nullptr);
    engine->Finish(false);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_FAILED; }));
    Save("failed");
}

INSTANTIATE_TEST_SUITE_P(Pages, SetupPictureTest,
                         testing::Values(PictureCase{96, 0x0409, "en"}, PictureCase{144, 0x0409, "en"},
                                         PictureCase{96, 0x0411, "ja"}, PictureCase{144, 0x0411, "ja"},
                                         PictureCase{96, 0x0419, "ru"}, PictureCase{144, 0x0419, "ru"}),
                         [](const testing::TestParamInfo<PictureCase>& info) {
                             return std::string(info.param.code) + std::to_string(info.param.dpi);
                         });

}  // namespace
}  // namespace setuptest
