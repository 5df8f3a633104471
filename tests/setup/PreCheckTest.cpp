// The checks before an install: a 64-bit product on a 32-bit system (text
// 36), a system older than the product supports (33) and a drive without
// room (35) refuse with a box and keep the welcome page; a silent run asks
// nothing and closes with "silent". A machine that passes starts the download.
#include <gtest/gtest.h>

#include <string>

#include "setup/RunFlags.h"
#include "setup/SetupOptions.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "ui/SkinMessageBox.h"
#include "ui/lang/Language.h"

namespace setuptest {
namespace {

class PreCheckTest : public SetupProgramTest {};

struct PreCheckCase {
    const char* name;
    bool os64Bit;
    DWORD osMajor, osMinor;
    bool fullDrive;
    int refusal;  // the text of the box; 0: the install starts
};

TEST_F(PreCheckTest, EachRefusalShowsItsTextAndASilentRunClosesWithSilent) {
    const PreCheckCase cases[] = {
        {"64-bit product on a 32-bit system", false, 10, 0, false, 36},
        {"Windows Vista", true, 6, 0, false, 33},
        {"no room on the install drive", true, 10, 0, true, 35},
        {"a machine that passes", true, 10, 0, false, 0},
    };
    const platform::MachineProfile original = machine.profile();
    for (const PreCheckCase& c : cases) {
        for (bool silent : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (silent ? ", silent" : ", with the dialog"));
            platform::MachineProfile& profile = machine.profile();
            profile = original;
            profile.os64Bit = c.os64Bit;
            profile.osMajor = c.osMajor;
            profile.osMinor = c.osMinor;
            if (c.fullDrive) profile.freeBytes[L'C'] = 0;
            SetupOptions::Values values;
            values.silent = silent ? 1 : 0;
            SetupOptions::ScopedOverride options(values);
            steps = std::make_shared<FakeSteps>();
            ResetRun();
            // A silent run that refuses may close before the driver sees it.
            const bool started = StartProgram();
            if (!(silent && c.refusal != 0)) {
                ASSERT_TRUE(started);
            }
            SetupDlg* dialog = Dialog();
            if (silent) {
                if (c.refusal != 0) {
                    // No box: the dialog closes by itself.
                    EXPECT_TRUE(driver->WaitFinished(10000));
                    EXPECT_EQ(GetCloseReason(), "silent");
                    EXPECT_EQ(steps->Created(), 0);
                } else {
                    // The install starts at once (before the test's steps are
                    // in): the checks passed, so the reason is not "silent".
                    EXPECT_TRUE(WaitFor([&] { return dialog == nullptr || dialog->GetPageState() != PAGE_WELCOME; }));
                    EXPECT_NE(GetCloseReason(), "silent");
                }
            } else {
                ASSERT_NE(dialog, nullptr);
                if (c.refusal != 0) {
                    driver->Click(311, 374);  // the install button
                    ASSERT_TRUE(WaitFor([&] { return driver->TopWindow() != driver->Window(); }));
                    SkinMessageBox* box = SkinMessageBox::FromWindow(driver->TopWindow());
                    ASSERT_NE(box, nullptr);
                    EXPECT_EQ(box->MessageText(), GetLangText(c.refusal));
                    EXPECT_TRUE(AnswerBox(true));
                    EXPECT_EQ(dialog->GetPageState(), PAGE_WELCOME);
                    EXPECT_EQ(steps->Created(), 0);
                } else {
                    driver->Click(311, 374);
                    EXPECT_EQ(dialog->GetPageState(), PAGE_BUSY);
                    EXPECT_NE(steps->WaitForEngine(1), nullptr);
                }
                EXPECT_EQ(GetCloseReason(), "");
            }
            driver.reset();  // ends the dialog and joins its thread
        }
    }
    machine.profile() = original;
}

}  // namespace
}  // namespace setuptest
