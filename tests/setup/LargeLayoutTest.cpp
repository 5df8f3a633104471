// The large layout, reached in the uninstall mode of a product that asks for
// it: the survey's rows act as one group of options and are placed under
// each other with the chosen row's parts; Continue is enabled for good once
// a row was chosen; the row buttons and the more-apps rows open their pages;
// the uninstall runs through the countdown to the result page, and "Cancel"
// at the running-program question leaves the install alone on the failed
// page. Commands of the other layouts find no control to touch in either
// uninstall presentation.
//
// Pictures, in English and German: setup-uninstall-<language>.png (the
// uninstall layout) and setup-large-<page>-<language>.png for the survey,
// uninstalling, uninstalled and failed pages.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include "platform/base/HostPaths.h"
#include "platform/base/MachineEvents.h"
#include "setup/ProductConfig.h"
#include "setup/SetupMain.h"
#include "setup/SetupOptions.h"
#include "tests/setup/support/SetupTestSupport.h"
#include "ui/lang/Language.h"
#include "util/Folders.h"

namespace setuptest {
namespace {

const std::wstring kFolder = L"C:\\Program Files (x86)\\Tessarovinde";

// The product, asking for the large layout, with a link row in place of its
// sixth and four more-apps records (one more than get rows).
class LargeProduct : public TessarovindeQovProductConfig {
public:
    bool UseLargeLayout() const override { return true; }
    std::vector<SurveyRow> GetUninstallSurvey() const override {
        std::vector<SurveyRow> rows = TessarovindeQovProductConfig::GetUninstallSurvey();
        rows.at(5) = SurveyRow{SURVEY_DESCRIPTION | SURVEY_LINK, 69, 72, 57, "https://gift.invalid/offer", -1};
        return rows;
    }
    std::vector<MoreAppsRow> GetMoreApps() const override {
        std::vector<MoreAppsRow> apps = TessarovindeQovProductConfig::GetMoreApps();
        const wchar_t* urls[] = {L"https://apps.invalid/saver", L"", L"https://apps.invalid/enhancer"};
        for (size_t i = 0; i < apps.size() && i < 3; ++i) apps[i].url = urls[i];
        apps.push_back(MoreAppsRow{L"Fourth", L"https://apps.invalid/fourth", 84, 132});
        return apps;
    }
};

struct Language {
    LANGID id;
    const char* code;
};

std::vector<std::string> OpenedUrls() {
    std::vector<std::string> urls;
    for (const std::string& event : platform::MachineEvents())
        if (event.rfind("ShellExecute open ", 0) == 0) urls.push_back(event.substr(18));
    return urls;
}

POINT Centre(CommonCtrl* control) {
    CommonRect rect = control->GetRect();
    return POINT{(rect.Left() + rect.Right()) / 2, (rect.Top() + rect.Bottom()) / 2};
}

class LargeLayoutTest : public SetupProgramTest {
protected:
    void SetUp() override {
        SetupProgramTest::SetUp();
        machine.profile().elevated = true;
        CreateDirectoryPath(kFolder.c_str());
        WriteHostFile(Host(kFolder + L"\\uninstall.exe"), "uninstaller");
        WriteHostFile(Host(kFolder + L"\\data.bin"), "installed");
    }
    void TearDown() override {
        driver.reset();
        options.reset();
        product.reset();
        SetupProgramTest::TearDown();
    }

    // Starts the program in the uninstall mode, with the large layout unless asked otherwise.
    void Start(bool large = true) {
        if (large) product = std::make_unique<ScopedProductConfig>(std::make_shared<LargeProduct>());
        SetupOptions::Values values;
        values.mode = 1;
        values.filePath = kFolder + L"\\uninstall.exe";
        options = std::make_unique<SetupOptions::ScopedOverride>(values);
        ASSERT_TRUE(StartProgram());
        ASSERT_NE(Dialog(), nullptr);
    }
    // Clicks a control where it is now, and waits for the dialog to handle it.
    void Click(CommonCtrl* control) {
        ASSERT_NE(control, nullptr);
        POINT point = Centre(control);
        driver->Click(point.x, point.y);
        ASSERT_TRUE(driver->WaitIdle());
    }
    void ChooseRow(size_t index) {
        std::vector<SurveyRowEntry> rows = Dialog()->SurveyRows();
        ASSERT_LT(index, rows.size());
        Click(rows[index].checkBox);
    }
    // Continue, and "Remove" in the confirmation box.
    void ContinueAndConfirm() {
        Click(Dialog()->ContinueButton());
        ASSERT_TRUE(WaitFor([&] { return driver->TopWindow() != driver->Window(); }));
        HWND box = driver->TopWindow();
        SendMessageW(box, WM_COMMAND, 1628, 0);
        ASSERT_TRUE(WaitFor([&] { return driver->TopWindow() != box; }));
    }
    void Save(const std::string& name) {
        SetupDlg* dialog = Dialog();
        unsigned start = dialog->PaintCount();
        WaitFor([&] { return dialog->PaintCount() >= start + 3; });
        driver->WaitIdle();
        ASSERT_TRUE(platform::WritePng(driver->Capture(), name)) << name;
    }
    std::wstring Program() const { return kFolder + (Dialog64() ? L"\\Tessarovinde64.exe" : L"\\Tessarovinde.exe"); }
    bool Dialog64() const { return GetMainDialog()->GetSetupInfo().m_is64Bit != 0; }

    std::unique_ptr<ScopedProductConfig> product;
    std::unique_ptr<SetupOptions::ScopedOverride> options;
};

TEST_F(LargeLayoutTest, SurveyRowsActAsOneGroupAndArePlacedUnderEachOther) {
    machine.profile().userLanguage = 0x0409;
    Start();
    SetupDlg* dialog = Dialog();
    EXPECT_TRUE(dialog->IsLargeLayout());
    EXPECT_EQ(dialog->GetPageState(), PAGE_SURVEY);
    EXPECT_EQ(driver->Capture().width, SetupDlg::kLargeWidth);
    ASSERT_NE(dialog->ContinueButton(), nullptr);
    EXPECT_FALSE(dialog->ContinueButton()->IsEnabled());
    const size_t count = LargeProduct().GetUninstallSurvey().size();
    ASSERT_EQ(dialog->SurveyRows().size(), count);
    EXPECT_EQ(dialog->MoreAppsRows().size(), 3u) << "only the first three records get rows";

    // Rows by their flags: 0 description and button, 1 edit box, 2 and 4
    // description and edit box, 3 none, 5 description and link.
    const size_t clicks[] = {0, 0, 2, 1, 3, 5, 4};
    for (size_t chosen : clicks) {
        SCOPED_TRACE("row " + std::to_string(chosen));
        ChooseRow(chosen);
        std::vector<SurveyRowEntry> rows = dialog->SurveyRows();
        const RECT panel = dialog->SurveyPanel();
        EXPECT_TRUE(dialog->ContinueButton()->IsEnabled()) << "enabled for good once a row was chosen";
        int top = panel.top + 12;
        for (size_t i = 0; i < rows.size(); ++i) {
            const SurveyRowEntry& row = rows[i];
            const bool isChosen = i == chosen;
            EXPECT_EQ(row.checkBox->GetCheck(), isChosen) << i;
            EXPECT_EQ(row.area[1], top) << "rows follow each other without gaps: " << i;
            top = row.area[3];
            const CommonRect box = row.checkBox->GetRect();
            EXPECT_EQ(box.Top(), row.area[1] + 8);
            if (row.description != nullptr) {
                EXPECT_EQ(row.description->IsVisible(), isChosen) << i;
            }
            if (row.button != nullptr) {
                EXPECT_EQ(row.button->IsVisible(), isChosen) << i;
            }
            if (row.link != nullptr) {
                EXPECT_EQ(row.link->IsVisible(), isChosen) << i;
            }
            if (row.editBox != nullptr) {
                EXPECT_EQ(IsWindowVisible(row.editBox) != FALSE, isChosen) << i;
            }
            if (!isChosen) {
                EXPECT_EQ(row.area[3], box.Bottom() + 12) << i;
                continue;
            }
            // The chosen row's parts, under its check box and inside its area.
            int bottom = box.Bottom();
            if (row.description != nullptr) {
                const CommonRect text = row.description->GetRect();
                EXPECT_EQ(text.Top(), box.Bottom() + 7);
                EXPECT_EQ(text.Left(), box.Left() + 20);
                EXPECT_GE(text.Bottom(), text.Top() + 10) << "the measured text";
                bottom = text.Bottom();
                if (row.button != nullptr) {
                    const CommonRect button = row.button->GetRect();
                    EXPECT_EQ(button.Left(), text.Right());
                    EXPECT_EQ(button.Bottom(), text.Bottom());
                    EXPECT_EQ(button.Height(), 32);
                    EXPECT_EQ(button.Right(), panel.right - 30);
                }
                if (row.link != nullptr) {
                    const CommonRect link = row.link->GetRect();
                    EXPECT_GT(link.Left(), text.Left()) << "after the description's last line";
                    EXPECT_EQ(link.Bottom(), text.Bottom());
                    EXPECT_EQ(link.Right(), panel.right - 10);
                }
            }
            if (row.editBox != nullptr) {
                EXPECT_EQ(row.editRect[1], bottom + 8);
                EXPECT_EQ(row.editRect[3] - row.editRect[1], 63);
                EXPECT_EQ(row.editRect[0], box.Left() + 20);
                RECT window{};
                GetWindowRect(row.editBox, &window);
                POINT origin{window.left, window.top};
                ScreenToClient(driver->Window(), &origin);
                EXPECT_EQ(origin.y, row.editRect[1]) << "the edit window moved with its row";
                bottom = row.editRect[3];
            }
            EXPECT_EQ(row.area[3], bottom + 21);
        }
        EXPECT_EQ(panel.bottom, top + 10);
        EXPECT_LT(panel.bottom, dialog->ContinueButton()->GetRect().Top()) << "the panel ends above the buttons";
    }
}

TEST_F(LargeLayoutTest, RowButtonsAndMoreAppsRowsOpenTheirPages) {
    Start();
    SetupDlg* dialog = Dialog();
    ChooseRow(0);
    std::vector<SurveyRowEntry> rows = dialog->SurveyRows();
    ASSERT_NE(rows[0].button, nullptr);
    Click(rows[0].button);
    EXPECT_TRUE(dialog->SurveyRows()[0].checkBox->GetCheck()) << "the button leaves its row as it is";
    ChooseRow(5);
    Click(dialog->SurveyRows()[5].link);
    std::vector<std::string> urls = OpenedUrls();
    ASSERT_EQ(urls.size(), 2u);
    const std::string version = "&v=" + std::string(dialog->GetSetupInfo().m_version);
    struct Expected {
        std::string start;
    } pages[] = {{"https://tessarovinde.invalid/uninstall-survey?"}, {"https://gift.invalid/offer?"}};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(urls[i].rfind(pages[i].start, 0), 0u) << urls[i];
        EXPECT_NE(urls[i].find("c_app_from="), std::string::npos) << urls[i];
        EXPECT_EQ(urls[i].substr(urls[i].size() - version.size()), version) << urls[i];
    }

    // The more-apps rows by their ids: a row without a page, and ids of no
    // row (the fourth record has none), open nothing.
    struct Case {
        int id;
        const char* page;
    } cases[] = {{2001, "https://apps.invalid/saver?"},
                 {2002, nullptr},
                 {2003, "https://apps.invalid/enhancer?"},
                 {2004, nullptr},
                 {2000, nullptr},
                 {1999, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const size_t before = OpenedUrls().size();
        SendMessageW(driver->Window(), WM_COMMAND, IDC_SETUP_MORE_APPS_ROW, c.id);
        urls = OpenedUrls();
        ASSERT_EQ(urls.size(), before + (c.page != nullptr ? 1 : 0));
        if (c.page != nullptr) {
            EXPECT_EQ(urls.back().rfind(c.page, 0), 0u) << urls.back();
        }
    }
}

TEST_F(LargeLayoutTest, CommandsOfOtherLayoutsFindNoControlToTouch) {
    for (bool large : {false, true}) {
        SCOPED_TRACE(large ? "large layout" : "uninstall layout");
        Start(large);
        SetupDlg* dialog = Dialog();
        const int page = dialog->GetPageState();
        // The compact layout's toggles and boxes, the keep-data box (the large
        // layout has none), and rows that are not there.
        const std::pair<WPARAM, LPARAM> commands[] = {{1615, 0}, {1616, 0},    {1620, 0}, {1622, 0},
                                                      {1631, 0}, {1624, 0},    {1624, 0}, {1000, 1063},
                                                      {1000, 5}, {2000, 2001}, {2000, 7}};
        for (const auto& [command, id] : commands) SendMessageW(driver->Window(), WM_COMMAND, command, id);
        ASSERT_TRUE(driver->WaitIdle());
        EXPECT_TRUE(IsWindow(driver->Window()));
        EXPECT_EQ(dialog->GetPageState(), page);
        EXPECT_TRUE(dialog->IsKeepData()) << "toggled twice";
        if (large) {
            // The survey command chose row 63 (the first) like a click.
            EXPECT_FALSE(dialog->SurveyRows()[0].checkBox->GetCheck()) << "a later command chose no row";
            EXPECT_TRUE(dialog->ContinueButton()->IsEnabled());
        }
        driver.reset();
        options.reset();
        product.reset();
        ResetRun();
    }
}

class LargeLayoutRoadTest : public LargeLayoutTest, public testing::WithParamInterface<Language> {
protected:
    void SetUp() override {
        LargeLayoutTest::SetUp();
        machine.profile().userLanguage = GetParam().id;
    }
    std::string Name(const std::string& page) const { return "setup-" + page + "-" + GetParam().code + ".png"; }
};

TEST_P(LargeLayoutRoadTest, TheUninstallLayoutIsDrawn) {
    Start(false);
    EXPECT_FALSE(Dialog()->IsLargeLayout());
    Save(Name("uninstall"));
    // The buttons are drawn even without skin pictures of their own.
    const POINT uninstall = Centre(Dialog()->UninstallButton());
    EXPECT_NE(driver->Pixel(uninstall.x - 40, uninstall.y), driver->Pixel(5, 200));
}

TEST_P(LargeLayoutRoadTest, TheUninstallRunsThroughTheCountdownToTheResultPage) {
    Start();
    SetupDlg* dialog = Dialog();
    ChooseRow(2);
    Save(Name("large-survey"));
    EXPECT_EQ(driver->Pixel(25, 300), 0xFFFFFFu) << "the panel";
    ContinueAndConfirm();
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_UNINSTALLING; }));
    ASSERT_TRUE(driver->WaitIdle());
    EXPECT_TRUE(dialog->IsKeepData()) << "the box's removal tick was not set";
    const int estimate = dialog->UninstallEstimate();
    EXPECT_GE(estimate, 25);
    EXPECT_LE(estimate, 35);
    EXPECT_FALSE(dialog->SurveyRows()[2].checkBox->IsVisible());
    EXPECT_FALSE(IsWindowVisible(dialog->SurveyRows()[2].editBox));
    EXPECT_TRUE(dialog->RemainingTimeLabel()->IsVisible());
    EXPECT_FALSE(dialog->FinishButton()->IsVisible());

    // The countdown runs on the dialog's timer (the clock also runs by
    // itself): the remaining seconds fall and the bar fills, and the result
    // page waits for the countdown even when the work is done.
    auto seconds = [&] {
        const std::wstring text = dialog->RemainingTimeLabel()->GetText();
        const size_t digit = text.find_first_of(L"0123456789");
        return digit == std::wstring::npos ? -1 : std::stoi(text.substr(digit));
    };
    EXPECT_LE(seconds(), estimate);
    Tick(3);
    Save(Name("large-uninstalling"));
    EXPECT_EQ(driver->Pixel(100, 400), 0xFAF8F7u) << "the left band";
    ASSERT_TRUE(WaitFor([&] { return dialog->IsUninstallDone(); }, 20000));
    const int before = seconds();
    if (before >= 3) {
        EXPECT_EQ(dialog->GetPageState(), PAGE_UNINSTALLING) << "the result waits for the countdown";
    }
    Tick(10);
    ASSERT_TRUE(driver->WaitIdle());
    if (before >= 13) {
        EXPECT_LE(seconds(), before - 10);
        EXPECT_GT(dialog->UninstallBar()->DonePixels(), 0);
        EXPECT_EQ(dialog->GetPageState(), PAGE_UNINSTALLING);
    }
    Tick(estimate);
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_UNINSTALLED; }));
    ASSERT_TRUE(driver->WaitIdle());
    EXPECT_EQ(dialog->ResultLabel()->GetText(), GetLangText(79));
    EXPECT_TRUE(dialog->FinishButton()->IsVisible());
    EXPECT_FALSE(dialog->RemainingTimeLabel()->IsVisible());
    for (const MoreAppsRowEntry& row : dialog->MoreAppsRows()) EXPECT_TRUE(row.control->IsVisible());
    EXPECT_FALSE(PathFileExistsW(kFolder.c_str()));
    Save(Name("large-uninstalled"));
    Click(dialog->FinishButton());
    EXPECT_TRUE(driver->WaitFinished(20000));
}

TEST_P(LargeLayoutRoadTest, CancelAtTheRunningProgramQuestionLeavesTheInstallOnTheFailedPage) {
    Start();
    SetupDlg* dialog = Dialog();
    // The product runs from the install folder.
    const std::wstring program = Program();
    ASSERT_TRUE(CopyFileW(platform::FromHostPath(PLATFORM_TEST_CHILD).c_str(), program.c_str(), FALSE));
    std::wstring command = L"\"" + program + L"\" sleep 20000";
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &child));
    CloseHandle(child.hThread);

    ChooseRow(3);
    ContinueAndConfirm();
    ASSERT_TRUE(WaitFor([&] { return driver->TopWindow() != driver->Window(); })) << "the running-program question";
    EXPECT_TRUE(AnswerBox(false));  // Cancel
    ASSERT_TRUE(WaitFor([&] { return dialog->GetPageState() == PAGE_UNINSTALL_FAILED; }));
    ASSERT_TRUE(driver->WaitIdle());
    EXPECT_EQ(dialog->ResultLabel()->GetText(), GetLangText(80));
    EXPECT_TRUE(dialog->FinishButton()->IsVisible());
    EXPECT_FALSE(dialog->UninstallBar()->IsVisible());
    Save(Name("large-failed"));
    // Nothing was uninstalled, and the product still runs.
    EXPECT_EQ(ReadHostFile(Host(kFolder + L"\\data.bin")), "installed");
    EXPECT_FALSE(dialog->IsUninstallDone());
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 0), WAIT_TIMEOUT);
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 5000);
    CloseHandle(child.hProcess);
}

INSTANTIATE_TEST_SUITE_P(Languages, LargeLayoutRoadTest,
                         testing::Values(Language{0x0409, "en"}, Language{0x0407, "de"}),
                         [](const testing::TestParamInfo<Language>& info) { return std::string(info.param.code); });

}  // namespace
}  // namespace setuptest
