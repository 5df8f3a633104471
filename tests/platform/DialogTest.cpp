#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/windowing/TestDriver.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

constexpr UINT kTemplate = 9001;
std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> g_procedure;

INT_PTR TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return g_procedure ? g_procedure(dialog, message, wParam, lParam) : 0;
}

class DialogTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        platform::DialogTemplate dialogTemplate;
        dialogTemplate.style = WS_POPUP | DS_SETFONT;
        dialogTemplate.cx = 100;
        dialogTemplate.cy = 50;
        dialogTemplate.items = {{L"edit", L"abc", 100, WS_VISIBLE | ES_MULTILINE | WS_TABSTOP, 0, 5, 5, 60, 20}};
        platform::RegisterDialogTemplate(kTemplate, dialogTemplate);
        g_procedure = nullptr;
    }
    void TearDown() override { g_procedure = nullptr; }
    static INT_PTR Run(HWND owner = nullptr) {
        return DialogBoxParamW(nullptr, MAKEINTRESOURCEW(kTemplate), owner, TestDialogProc, 0);
    }
};

TEST_F(DialogTest, FontComesBeforeInitAndTheDialogIsShownAfter) {
    std::vector<UINT> order;
    bool visibleAtInit = true;
    g_procedure = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_SETFONT || message == WM_INITDIALOG) order.push_back(message);
        if (message == WM_INITDIALOG) {
            visibleAtInit = IsWindowVisible(dialog) != FALSE;
            EndDialog(dialog, 17);
        }
        return message == WM_INITDIALOG;
    };
    EXPECT_EQ(Run(), 17);
    std::vector<UINT> expected = {WM_SETFONT, WM_INITDIALOG};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(visibleAtInit);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(4242), nullptr, TestDialogProc, 0), -1);
}

TEST_F(DialogTest, DefaultKeysAndCloseEndWithTheirCommands) {
    struct Case {
        const char* name;
        std::function<void(platform::DialogDriver&)> act;
        int expectedCommand;
    } cases[] = {
        {"escape", [](platform::DialogDriver& d) { d.Key(VK_ESCAPE); }, IDCANCEL},
        {"enter", [](platform::DialogDriver& d) { d.Key(VK_RETURN); }, IDOK},
        {"alt+f4", [](platform::DialogDriver& d) { d.Key(VK_F4, true); }, IDCANCEL},
        {"wm_close",
         [](platform::DialogDriver& d) {
             PostMessageW(d.Window(), WM_CLOSE, 0, 0);
             d.WaitIdle();
         },
         IDCANCEL},
    };
    for (const Case& c : cases) {
        std::atomic<int> command{0};
        g_procedure = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
            if (message == WM_COMMAND) {
                command = LOWORD(wParam);
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            return message == WM_INITDIALOG;
        };
        std::atomic<INT_PTR> result{0};
        {
            platform::DialogDriver driver([&] { result = Run(); });
            ASSERT_NE(driver.Window(), nullptr) << c.name;
            c.act(driver);
            EXPECT_TRUE(driver.WaitFinished()) << c.name;
        }
        EXPECT_EQ(command.load(), c.expectedCommand) << c.name;
        EXPECT_EQ(result.load(), c.expectedCommand) << c.name;
    }
}

// The default handling posts IDCANCEL for WM_CLOSE: the command comes after
// the WM_CLOSE handling has returned, and not at all while Cancel is disabled.
TEST_F(DialogTest, CloseGivesAPostedCancel) {
    for (bool cancelEnabled : {true, false}) {
        SCOPED_TRACE(cancelEnabled ? "Cancel enabled" : "Cancel disabled");
        std::vector<std::string> order;
        g_procedure = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
            if (message == WM_INITDIALOG) {
                HWND cancel =
                    CreateWindowExW(0, L"button", L"Cancel", WS_CHILD | WS_VISIBLE, 0, 0, 40, 12, dialog,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), nullptr, nullptr);
                EnableWindow(cancel, cancelEnabled ? TRUE : FALSE);
                return TRUE;
            }
            if (message == WM_APP) {
                SendMessageW(dialog, WM_CLOSE, 0, 0);
                order.push_back("close returned");
                if (!cancelEnabled) EndDialog(dialog, 5);
                return TRUE;
            }
            if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
                order.push_back("cancel");
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        };
        platform::DialogDriver driver([] { Run(); });
        ASSERT_NE(driver.Window(), nullptr);
        PostMessageW(driver.Window(), WM_APP, 0, 0);
        ASSERT_TRUE(driver.WaitFinished());
        std::vector<std::string> expected{"close returned"};
        if (cancelEnabled) expected.push_back("cancel");
        EXPECT_EQ(order, expected);
    }
}

TEST_F(DialogTest, EditControlTakesTypingAndEditingKeys) {
    g_procedure = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; };
    platform::DialogDriver driver([] { Run(); });
    HWND edit = GetDlgItem(driver.Window(), 100);
    ASSERT_NE(edit, nullptr);
    RECT rect{};
    GetClientRect(edit, &rect);
    driver.Click(2, 2, edit);  // focus; the caret is at the end
    driver.Type(L"de");
    driver.Key(VK_HOME);
    driver.Key(VK_DELETE);
    driver.Key(VK_RIGHT);
    driver.Type(L"X");
    driver.Key(VK_END);
    driver.Key(VK_BACK);
    wchar_t text[32];
    GetWindowTextW(edit, text, 32);
    EXPECT_STREQ(text, L"bXcd");
}

TEST_F(DialogTest, OwnerIsDisabledWhileTheBoxRunsOnAWorker) {
    // The owner dialog runs on the driver's thread; a box on another thread.
    std::atomic<INT_PTR> boxResult{-5};
    g_procedure = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; };
    platform::DialogDriver driver([] { Run(); });
    HWND owner = driver.Window();
    std::atomic<HWND> box{nullptr};
    std::thread worker([&] {
        boxResult = DialogBoxParamW(
            nullptr, MAKEINTRESOURCEW(kTemplate), owner,
            [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
                if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, 1);
                return message == WM_INITDIALOG;
            },
            0);
    });
    for (int i = 0; i < 5000 && box.load() == nullptr; ++i) {
        HWND found = FindWindowW(L"#32770", nullptr);
        if (found != nullptr && found != owner && IsWindowVisible(found)) box = found;
        Sleep(1);
    }
    ASSERT_NE(box.load(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(owner));
    // A click on the disabled owner reaches nobody.
    POINT inside{5, 5};
    ClientToScreen(owner, &inside);
    RECT boxRect{};
    GetWindowRect(box.load(), &boxRect);
    MoveWindow(box.load(), boxRect.left + 500, boxRect.top + 500, boxRect.right - boxRect.left,
               boxRect.bottom - boxRect.top, FALSE);
    EXPECT_EQ(platform::InjectMouse(WM_MOUSEMOVE, inside), nullptr);
    EndDialog(box.load(), 8);
    worker.join();
    EXPECT_EQ(boxResult.load(), 8);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(DialogTest, EndDialogOfTheOuterInsideANestedLoop) {
    std::vector<std::string> steps;
    HWND outer = nullptr;
    g_procedure = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            if (outer == nullptr) {
                outer = dialog;
                PostMessageW(dialog, WM_USER, 0, 0);
            } else {
                // The inner dialog: end the outer one first, then itself.
                EndDialog(outer, 5);
                PostMessageW(dialog, WM_USER + 1, 0, 0);
            }
            return TRUE;
        }
        if (message == WM_USER) {
            steps.push_back("inner starts");
            INT_PTR inner = Run(dialog);
            steps.push_back("inner returned " + std::to_string(inner));
            return TRUE;
        }
        if (message == WM_USER + 1) {
            EndDialog(dialog, 6);
            return TRUE;
        }
        (void)wParam;
        return FALSE;
    };
    INT_PTR result = -1;
    platform::DialogDriver driver([&] { result = Run(); });
    ASSERT_TRUE(driver.WaitFinished());
    EXPECT_EQ(result, 5);
    std::vector<std::string> expected = {"inner starts", "inner returned 6"};
    EXPECT_EQ(steps, expected);
}

TEST_F(DialogTest, CaptionDragMovesTheWindowAndEndsTheMove) {
    std::vector<UINT> seen;
    g_procedure = [&](HWND dialog, UINT message, WPARAM, LPARAM lParam) -> INT_PTR {
        if (message == WM_MOVE || message == WM_EXITSIZEMOVE || message == WM_ENTERSIZEMOVE) seen.push_back(message);
        if (message == WM_LBUTTONDOWN) {
            POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(dialog, &point);
            SendMessageW(dialog, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
            return TRUE;
        }
        return message == WM_INITDIALOG;
    };
    platform::DialogDriver driver([] { Run(); });
    RECT before{};
    GetWindowRect(driver.Window(), &before);
    POINT start{130, 60};  // below and right of the edit box
    ClientToScreen(driver.Window(), &start);
    platform::InjectMouse(WM_MOUSEMOVE, start);
    platform::InjectMouse(WM_LBUTTONDOWN, start);
    platform::InjectMouse(WM_MOUSEMOVE, POINT{start.x + 30, start.y + 10});
    platform::InjectMouse(WM_LBUTTONUP, POINT{start.x + 40, start.y + 20});
    driver.WaitIdle();
    RECT after{};
    GetWindowRect(driver.Window(), &after);
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 20);
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen.front(), WM_ENTERSIZEMOVE);
    EXPECT_EQ(seen[1], WM_MOVE);
    EXPECT_EQ(seen.back(), WM_EXITSIZEMOVE);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(DialogTest, ModelessInfoTemplateKeepsListDataAndHidesOnEnd) {
    HWND view = CreateDialogParamW(
        nullptr, MAKEINTRESOURCEW(189), nullptr,
        [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; }, 0);
    ASSERT_NE(view, nullptr);
    HWND table = GetDlgItem(view, 1001), list = GetDlgItem(view, 1005);
    ASSERT_NE(table, nullptr);
    ASSERT_NE(list, nullptr);
    wchar_t title[16];
    GetWindowTextW(view, title, 16);
    EXPECT_STREQ(title, L"Info View");
    const wchar_t* columns[] = {L"Num", L"Start", L"End"};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{LVCF_FMT | LVCF_WIDTH | LVCF_TEXT, LVCFMT_LEFT, 100, const_cast<wchar_t*>(columns[i]), 0, i};
        EXPECT_EQ(SendMessageW(table, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)), i);
    }
    wchar_t first[] = L"0", second[] = L"1024Byte";
    LVITEMW item{LVIF_TEXT, 0, 0, 0, 0, first, 0, 0, 0};
    EXPECT_EQ(SendMessageW(table, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 0);
    item.iSubItem = 2;
    item.pszText = second;
    EXPECT_TRUE(SendMessageW(table, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item)));
    wchar_t read[16] = {};
    LVITEMW query{LVIF_TEXT, 0, 2, 0, 0, read, 16, 0, 0};
    EXPECT_EQ(SendMessageW(table, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&query)), 8);
    EXPECT_STREQ(read, L"1024Byte");
    EXPECT_EQ(SendMessageW(table, LVM_GETITEMCOUNT, 0, 0), 1);

    // Log lines sent from another thread land in order while this one pumps.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20; ++i) {
            std::wstring line = L"line " + std::to_wstring(i);
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        }
        done = true;
    });
    while (!done) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(1);
    }
    writer.join();
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 20);
    wchar_t line[16];
    EXPECT_EQ(SendMessageW(list, LB_GETTEXT, 19, reinterpret_cast<LPARAM>(line)), 7);
    EXPECT_STREQ(line, L"line 19");
    EXPECT_EQ(SendMessageW(list, LB_GETTEXT, 20, reinterpret_cast<LPARAM>(line)), LB_ERR);

    ShowWindow(view, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(view));
    EndDialog(view, 0);  // a modeless dialog is hidden, not destroyed
    EXPECT_FALSE(IsWindowVisible(view));
    EXPECT_TRUE(IsWindow(view));
    DestroyWindow(view);
}

TEST_F(DialogTest, MessageBoxAnswersItsKeys) {
    struct Case {
        UINT type;
        UINT key;
        int expected;
    } cases[] = {{MB_OK, VK_RETURN, IDOK}, {MB_OK, VK_ESCAPE, IDOK}, {MB_YESNO, VK_ESCAPE, IDNO}};
    for (const Case& c : cases) {
        std::atomic<int> result{0};
        platform::DialogDriver driver([&] { result = MessageBoxW(nullptr, L"Install Failed!", L"ERROR", c.type); });
        ASSERT_NE(driver.Window(), nullptr);
        wchar_t text[32];
        GetDlgItemTextW(driver.Window(), platform::MessageBoxTextId, text, 32);
        EXPECT_STREQ(text, L"Install Failed!");
        GetWindowTextW(driver.Window(), text, 32);
        EXPECT_STREQ(text, L"ERROR");
        driver.Key(c.key);
        ASSERT_TRUE(driver.WaitFinished());
        EXPECT_EQ(result.load(), c.expected);
    }
    // Yes and No are buttons that answer when clicked.
    std::atomic<int> result{0};
    platform::DialogDriver driver([&] { result = MessageBoxW(nullptr, L"Remove?", L"Q", MB_YESNO); });
    HWND yes = GetDlgItem(driver.Window(), IDYES);
    ASSERT_NE(yes, nullptr);
    driver.Click(3, 3, yes);
    ASSERT_TRUE(driver.WaitFinished());
    EXPECT_EQ(result.load(), IDYES);
}

TEST(ThreadHandles, WaitEndsWithTheThreadAndKeepsItsExitCode) {
    std::atomic<bool> release{false};
    static std::atomic<bool>* g_release;
    g_release = &release;
    unsigned id = 0;
    auto handle = reinterpret_cast<HANDLE>(_beginthreadex(
        nullptr, 0,
        [](void*) -> unsigned {
            while (!*g_release) Sleep(1);
            return 42;
        },
        nullptr, 0, &id));
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(id, 0u);
    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(handle, 20), WAIT_TIMEOUT);
    EXPECT_TRUE(GetExitCodeThread(handle, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    release = true;
    EXPECT_EQ(WaitForSingleObject(handle, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(handle, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(handle));
    EXPECT_FALSE(GetExitCodeThread(handle, &code));
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

TEST_F(DialogTest, TimersOfARunningDialogFollowTheDriverClock) {
    std::atomic<int> ticks{0};
    std::atomic<DWORD> lastTick{0};
    g_procedure = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            SetTimer(dialog, 1, 1000, nullptr);
            return TRUE;
        }
        if (message == WM_TIMER && wParam == 1) {
            ++ticks;
            lastTick = GetTickCount();
            return TRUE;
        }
        return FALSE;
    };
    platform::DialogDriver driver([] { Run(); });
    DWORD start = GetTickCount();
    EXPECT_EQ(ticks.load(), 0);
    driver.AdvanceClock(1000);
    EXPECT_EQ(ticks.load(), 1);
    EXPECT_GE(lastTick.load() - start, 1000u);
    driver.AdvanceClock(3500);  // three intervals late: still one tick
    EXPECT_EQ(ticks.load(), 2);
    driver.AdvanceClock(400);
    EXPECT_EQ(ticks.load(), 2);
}

}  // namespace
