// The message boxes' mouse dispatch while click handlers change the lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "tests/ui/SkinBitmaps.h"
#include "ui/BoxMouse.h"
#include "ui/SkinMessageBox.h"
#include "ui/lang/Language.h"

namespace {

std::function<void(WPARAM)> g_onCommand;

LRESULT OwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && g_onCommand) {
        g_onCommand(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A button that counts the release handler calls it gets.
class CountingButton : public ButtonCtrlEx {
public:
    using ButtonCtrlEx::ButtonCtrlEx;
    int OnLButtonUp(int x, int y) override {
        ++releases;
        return ButtonCtrlEx::OnLButtonUp(x, y);
    }
    int releases = 0;
};

class BoxMouseTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        static bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = OwnerProcedure;
            windowClass.lpszClassName = L"BoxMouseOwner";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        skintest::RegisterSkinBitmaps();
        ResetLanguageForTests();
        InitLanguage(nullptr, 0x0409);
    }
    void TearDown() override {
        g_onCommand = nullptr;
        ResetLanguageForTests();
    }
};

// The first button's click opens a nested box and, while it is open, rebuilds
// the list: it deletes the two other buttons and adds a new one. The
// dispatch that delivered the click goes on safely: the removed buttons are
// not called again, the new one not yet.
TEST_F(BoxMouseTest, ClickHandlerThatOpensABoxAndRebuildsTheList) {
    HWND owner =
        CreateWindowExW(0, L"BoxMouseOwner", L"o", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    std::vector<std::unique_ptr<CountingButton>> storage;
    for (int i = 0; i < 3; ++i) {
        storage.push_back(std::make_unique<CountingButton>(owner, i * 100, 0, i * 100 + 90, 30));
        storage.back()->SetId(100 + i);
    }
    std::vector<ButtonCtrlEx*> list{storage[0].get(), storage[1].get(), storage[2].get()};
    CountingButton* added = nullptr;
    std::atomic<bool> boxSeen{false};
    int nestedResult = 0;
    g_onCommand = [&](WPARAM id) {
        if (id != 100) return;
        // Somebody answers the nested box the way a person would: Escape.
        std::thread answer([&] {
            for (int i = 0; i < 500; ++i) {
                HWND box = FindWindowW(L"#32770", nullptr);
                if (box != nullptr && IsWindowVisible(box)) {
                    boxSeen = true;
                    PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
                    return;
                }
                Sleep(5);
            }
        });
        nestedResult = SkinMessageBox::Show(owner, L"Nested", L"Opened from a click", L"OK");
        answer.join();
        list.erase(list.begin() + 1, list.end());
        storage.erase(storage.begin() + 1, storage.end());  // the removed buttons are gone
        storage.push_back(std::make_unique<CountingButton>(owner, 200, 0, 290, 30));
        added = storage.back().get();
        list.push_back(added);
    };
    bool down = false;
    DispatchBoxMouse(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10), down);
    int taken = DispatchBoxMouse(list, WM_LBUTTONUP, 0, MAKELPARAM(10, 10), down);
    EXPECT_EQ(taken, 1);
    EXPECT_TRUE(boxSeen.load());
    EXPECT_EQ(nestedResult, SkinMessageBox::kDefaultResult);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->releases, 0);
    EXPECT_EQ(static_cast<CountingButton*>(list[0])->releases, 1);
    // The next dispatch sees the list as the handler left it.
    DispatchBoxMouse(list, WM_LBUTTONUP, 0, MAKELPARAM(250, 10), down);
    EXPECT_EQ(added->releases, 1);
    DestroyWindow(owner);
}

}  // namespace
