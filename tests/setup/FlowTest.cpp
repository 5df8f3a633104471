// The whole compact flow of the program, driven like a person would, with a
// scripted downloader and package run: welcome, countdown, busy at 0, 50 and
// 100 %, the install phase, finished; the failed page and "Try Again"; the
// close question on the pages that ask it.
#include <gtest/gtest.h>

#include "platform/base/Clock.h"
#include "setup/RunFlags.h"
#include "setup/SetupMain.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "ui/lang/Language.h"

namespace setuptest {
namespace {

class SetupFlowTest : public SetupProgramTest {};

constexpr std::int64_t kTotal = 64 * 1024 * 1024;

TEST_F(SetupFlowTest, CountdownDownloadInstallAndFinish) {
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    EXPECT_EQ(dialog->GetPageState(), PAGE_WELCOME);

    // Enter and Esc do nothing.
    driver->Key(VK_RETURN);
    driver->Key(VK_ESCAPE);
    EXPECT_FALSE(driver->WaitFinished(50));
    EXPECT_EQ(dialog->GetPageState(), PAGE_WELCOME);

    // The label shows 30 on the first tick and 0 on the 31st; the install starts then.
    Tick(1);
    EXPECT_NE(dialog->CountdownLabel()->GetText().find(L" 30 "), std::wstring::npos);
    Tick(29);
    EXPECT_NE(dialog->CountdownLabel()->GetText().find(L" 1 "), std::wstring::npos);
    EXPECT_EQ(dialog->GetPageState(), PAGE_WELCOME);
    Tick(1);
    EXPECT_NE(dialog->CountdownLabel()->GetText().find(L" 0 "), std::wstring::npos);
    EXPECT_EQ(dialog->GetPageState(), PAGE_BUSY);
    EXPECT_TRUE(RunFlags().autoStarted);

    FakeDownloader* engine = steps->WaitForEngine(1);
    ASSERT_NE(engine, nullptr);
    EXPECT_NE(engine->Target().find("Downloads\\Tessarovinde\\Tessarovinde\\Tessarovinde(1.0.7.2).exe"),
              std::string::npos)
        << engine->Target();
    for (std::int64_t done : {std::int64_t{0}, kTotal / 2, kTotal}) {
        engine->Progress(done, kTotal);
        EXPECT_EQ(dialog->GetDownloadPercent(), static_cast<int>(done * 100 / kTotal));
    }
    // A second click on the busy page does nothing.
    dialog->OnBtnInstall();
    EXPECT_EQ(dialog->GetPageState(), PAGE_BUSY);

    engine->Finish(true);
    ASSERT_TRUE(WaitFor([&] { return steps->PackageRunning(); }));
    EXPECT_TRUE(dialog->IsDownloadEnded());
    EXPECT_EQ(dialog->GetAnimationMode(), ANIMATION_INSTALL);
    EXPECT_FALSE(dialog->CloseButton()->IsVisible());  // hidden once the download ended
    steps->PackageProgress(500, false);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetInstallProgress() == 500; }));
    steps->PackageProgress(1000, true);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_FINISHED; }));
    EXPECT_EQ(dialog->GetAnimationMode(), ANIMATION_FINISH);
    EXPECT_EQ(dialog->GetInstallProgress(), 1000);
    EXPECT_TRUE(dialog->InstallButton()->IsVisible());
    EXPECT_EQ(dialog->InstallButton()->GetText(), GetLangText(9));
    EXPECT_EQ(steps->Released(), 1);  // the engine went back once the worker let go

    // Closing the finished page does not ask.
    ClickClose();
    EXPECT_TRUE(driver->WaitFinished());
    EXPECT_EQ(GetCloseReason(), "botton");
}

TEST_F(SetupFlowTest, FailedDownloadOffersTryAgainAndRetries) {
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    driver->Click(311, 374);  // the install button
    ASSERT_EQ(dialog->GetPageState(), PAGE_BUSY);
    FakeDownloader* first = steps->WaitForEngine(1);
    ASSERT_NE(first, nullptr);
    first->Progress(kTotal / 4, kTotal);
    first->Finish(false);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_FAILED; }));
    EXPECT_TRUE(WaitFor([&] { return dialog->InstallButton()->GetText() == GetLangText(14); }));
    EXPECT_TRUE(dialog->InstallButton()->IsVisible());

    // "Try Again": a new engine, and the render loop runs again for the new try.
    driver->Click(311, 374);
    ASSERT_EQ(dialog->GetPageState(), PAGE_BUSY);
    FakeDownloader* second = steps->WaitForEngine(2);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    second->Progress(kTotal, kTotal);
    second->Finish(true);
    ASSERT_TRUE(WaitFor([&] { return steps->PackageRunning(); }));
    steps->PackageProgress(1000, true);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_FINISHED; }));
    // The failed page stays failed when a late start frame comes: the page
    // was retried here, so the finished page must not show busy controls.
    EXPECT_TRUE(dialog->FinishLogoPicture()->IsVisible());
}

TEST_F(SetupFlowTest, CloseAsksOnTheWelcomeAndBusyPagesOnly) {
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    // Welcome: "No" keeps the dialog and empties the close reason.
    ClickClose();
    ASSERT_TRUE(AnswerBox(false));
    EXPECT_FALSE(driver->WaitFinished(50));
    EXPECT_EQ(GetCloseReason(), "");
    EXPECT_EQ(dialog->GetPageState(), PAGE_WELCOME);

    // Busy: asked again; "Yes" closes.
    driver->Click(311, 374);
    ASSERT_EQ(dialog->GetPageState(), PAGE_BUSY);
    ASSERT_NE(steps->WaitForEngine(1), nullptr);
    ClickClose();
    ASSERT_TRUE(AnswerBox(true));
    EXPECT_TRUE(driver->WaitFinished(15000));
    EXPECT_EQ(GetCloseReason(), "botton");
}

TEST_F(SetupFlowTest, FailedPageClosesWithoutAQuestion) {
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    driver->Click(311, 374);
    FakeDownloader* engine = steps->WaitForEngine(1);
    ASSERT_NE(engine, nullptr);
    engine->Finish(false);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_FAILED; }));
    ClickClose();
    EXPECT_TRUE(driver->WaitFinished());
}

TEST_F(SetupFlowTest, TheCustomPanelStopsTheCountdownForGood) {
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    Tick(5);
    RECT before{};
    GetWindowRect(driver->Window(), &before);
    driver->Click(540, 372);  // the options toggle
    ASSERT_TRUE(dialog->OptionsToggle()->GetCheck());
    RECT after{};
    GetWindowRect(driver->Window(), &after);
    EXPECT_EQ(after.bottom - after.top, SetupDlg::kDesignHeight + SetupDlg::kPanelHeight);
    EXPECT_EQ(after.top, before.top);
    EXPECT_TRUE(dialog->DesktopBox()->IsVisible());
    EXPECT_TRUE(IsWindowVisible(dialog->EditBox()));
    Tick(40);
    EXPECT_EQ(dialog->GetPageState(), PAGE_WELCOME);
    driver->Click(540, 372);
    GetWindowRect(driver->Window(), &after);
    EXPECT_EQ(after.bottom - after.top, SetupDlg::kDesignHeight);
    EXPECT_FALSE(dialog->DesktopBox()->IsVisible());
    Tick(40);
    EXPECT_EQ(dialog->GetPageState(), PAGE_WELCOME);  // the countdown does not come back
}

TEST_F(SetupFlowTest, AWorkerClosingTheDialogIsAnsweredAndJoined) {
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    driver->Click(311, 374);
    FakeDownloader* engine = steps->WaitForEngine(1);
    ASSERT_NE(engine, nullptr);
    engine->Finish(false);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_FAILED; }));
    // A close sent from another thread returns once the dialog has handled it.
    std::thread worker([dialog] { dialog->CloseWithReason("silent"); });
    worker.join();
    EXPECT_TRUE(driver->WaitFinished());
    EXPECT_EQ(GetCloseReason(), "silent");
}

}  // namespace
}  // namespace setuptest
