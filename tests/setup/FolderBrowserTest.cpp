// The browse button of the options panel: the shell's folder browser opens
// on the install path (created when missing), and the chosen folder becomes
// the install path, with the product's folder name appended unless the
// choice already holds it. Cancelling changes nothing.
#include <gtest/gtest.h>

#include <string>

#include "platform/Win32.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "ui/lang/Language.h"
#include "util/Folders.h"

namespace setuptest {
namespace {

class SetupFolderBrowserTest : public SetupProgramTest {
protected:
    std::wstring EditText() {
        wchar_t text[520] = {};
        GetWindowTextW(Dialog()->EditBox(), text, 520);
        return text;
    }
};

TEST_F(SetupFolderBrowserTest, ChosenFolderBecomesTheInstallPath) {
    ASSERT_TRUE(CreateDirectoryPath(L"C:\\Tools"));
    ASSERT_TRUE(CreateDirectoryPath(L"C:\\Apps\\Tessarovinde\\Beta"));
    const std::wstring start = L"C:\\Program Files\\Tessarovinde\\Tessarovinde";
    struct Case {
        std::wstring answer;  // empty: Cancel
        std::wstring installPath;
    } cases[] = {
        {L"", start},
        {L"C:\\Tools", L"C:\\Tools\\Tessarovinde"},
        {L"C:\\Apps\\Tessarovinde\\Beta", L"C:\\Apps\\Tessarovinde\\Beta"},  // holds the name: kept
        {L"C:\\Missing", L"C:\\Apps\\Tessarovinde\\Beta"},                   // no such folder: nothing chosen
    };
    ASSERT_TRUE(StartProgram());
    SetupDlg* dialog = Dialog();
    ASSERT_EQ(dialog->GetInstallPath(), start);
    EXPECT_FALSE(PathFileExistsW(start.c_str()));
    driver->Click(540, 372);  // fold the options panel out
    ASSERT_TRUE(IsWindowVisible(dialog->EditBox()));

    std::wstring before = start;
    for (const Case& c : cases) {
        machine.profile().folderBrowserAnswers.push_back(c.answer);
        size_t calls = machine.profile().folderBrowses.size();
        driver->Click(563, 461);  // the browse button
        ASSERT_EQ(machine.profile().folderBrowses.size(), calls + 1) << testing::PrintToString(c.answer);
        const platform::FolderBrowseRecord& browse = machine.profile().folderBrowses.back();
        EXPECT_EQ(browse.title, GetLangText(17));
        EXPECT_EQ(browse.flags, BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE);
        EXPECT_EQ(browse.selection, before);           // opened on the current install path
        EXPECT_TRUE(PathFileExistsW(before.c_str()));  // which now exists
        EXPECT_EQ(dialog->GetInstallPath(), c.installPath) << testing::PrintToString(c.answer);
        EXPECT_EQ(EditText(), c.installPath);
        before = c.installPath;
    }
}

}  // namespace
}  // namespace setuptest
