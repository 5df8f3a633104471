#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/windowing/TestDriver.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "ui/BMData.h"
#include "ui/CommonDlg.h"
#include "ui/CommonRect.h"

namespace {

// A dialog that records what reaches its handlers.
class ProbeDlg : public CommonDlg {
public:
    ProbeDlg(bool fixed, int width, int height, int mask) {
        m_bFixedSize = fixed;
        m_nDesignWidth = width;
        m_nDesignHeight = height;
        m_nEndDialogMask = mask;
    }
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        std::lock_guard<std::mutex> guard(lock);
        if (message == WM_SETFONT || message == WM_INITDIALOG || message == WM_COMMAND)
            log.push_back(Name(message) + (GetHwnd() == nullptr ? " before" : " after"));
        if (message == WM_LBUTTONDOWN) {
            int x = GET_X_LPARAM(lParam);
            return claimLeft >= 0 && x >= claimLeft && x < claimLeft + 20 ? 1 : 0;  // a "control"
        }
        (void)wParam;
        return 0;
    }
    int OnCommand(WPARAM wParam, LPARAM) override {
        std::lock_guard<std::mutex> guard(lock);
        log.push_back("OnCommand " + std::to_string(LOWORD(wParam)));
        return 1;
    }
    int OnInitDialog(HWND hwnd) override {
        int result = CommonDlg::OnInitDialog(hwnd);
        std::lock_guard<std::mutex> guard(lock);
        log.push_back("OnInitDialog");
        return result;
    }
    static std::string Name(UINT message) {
        return message == WM_SETFONT ? "WM_SETFONT" : message == WM_INITDIALOG ? "WM_INITDIALOG" : "WM_COMMAND";
    }
    std::vector<std::string> Log() {
        std::lock_guard<std::mutex> guard(lock);
        return log;
    }
    std::mutex lock;
    std::vector<std::string> log;
    int claimLeft = -1;
};

std::atomic<ProbeDlg*> g_current{nullptr};

INT_PTR ProbeDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    ProbeDlg* dialog = g_current.load();
    if (dialog == nullptr) return 0;
    return dialog->DialogProc(hwnd, message, wParam, lParam);
}

class DialogBaseTest : public testsupport::MachineTest {
protected:
    void TearDown() override { g_current = nullptr; }
    // Runs the dialog on template 173 under a driver; `result` gets the end code.
    std::unique_ptr<platform::DialogDriver> Start(ProbeDlg& dialog, std::atomic<INT_PTR>& result) {
        g_current = &dialog;
        return std::make_unique<platform::DialogDriver>(
            [&] { result = DialogBoxParamW(nullptr, MAKEINTRESOURCEW(173), nullptr, ProbeDlgProc, 0); });
    }
};

TEST_F(DialogBaseTest, OnMessageComesFirstEvenBeforeInit) {
    ProbeDlg dialog(true, 480, 225, 3);
    std::atomic<INT_PTR> result{-7};
    auto driver = Start(dialog, result);
    ASSERT_NE(driver->Window(), nullptr);
    std::vector<std::string> expected = {"WM_SETFONT before", "WM_INITDIALOG before", "OnInitDialog"};
    EXPECT_EQ(dialog.Log(), expected);
    EXPECT_EQ(dialog.GetHwnd(), driver->Window());
}

TEST_F(DialogBaseTest, EndDialogMaskDecidesWhichCommandsEnd) {
    struct Case {
        int mask;
        int command;
        bool ends;
    } cases[] = {
        {3, IDOK, true},     {3, IDCANCEL, true}, {0, IDOK, false},     {0, IDCANCEL, false}, {1, IDOK, false},
        {1, IDCANCEL, true}, {2, IDOK, true},     {2, IDCANCEL, false}, {3, 1614, false},
    };
    for (const Case& c : cases) {
        ProbeDlg dialog(false, 0, 0, c.mask);
        std::atomic<INT_PTR> result{-7};
        auto driver = Start(dialog, result);
        SendMessageW(driver->Window(), WM_COMMAND, MAKEWPARAM(c.command, 0), 0);
        EXPECT_EQ(driver->WaitFinished(c.ends ? 5000 : 50), c.ends) << c.mask << " " << c.command;
        std::vector<std::string> log = dialog.Log();
        bool reachedHandler = std::find(log.begin(), log.end(), "OnCommand " + std::to_string(c.command)) != log.end();
        EXPECT_EQ(reachedHandler, !c.ends) << c.mask << " " << c.command;
        driver.reset();
        if (c.ends) {
            EXPECT_EQ(result.load(), 0);
        }
    }
}

TEST_F(DialogBaseTest, FixedDialogsAreScaledByDpiAndCentred) {
    struct Case {
        int dpi;
        bool fixed;
        int width, height;
    } cases[] = {
        {96, true, 480, 225}, {120, true, 600, 281}, {144, true, 720, 337},  // 337.5 truncated
    };
    for (const Case& c : cases) {
        machine.profile().dpi = c.dpi;
        ProbeDlg dialog(c.fixed, 480, 225, 3);
        std::atomic<INT_PTR> result{0};
        auto driver = Start(dialog, result);
        RECT rect{};
        GetWindowRect(driver->Window(), &rect);
        EXPECT_EQ(rect.right - rect.left, c.width) << c.dpi;
        EXPECT_EQ(rect.bottom - rect.top, c.height) << c.dpi;
        EXPECT_EQ(rect.left, (1920 - c.width) / 2);
        EXPECT_EQ(rect.top, (1080 - c.height) / 2);
        EXPECT_EQ(dialog.ScaleByDpi(-5), -5 * c.dpi / 96);
    }
    // A dialog that is not fixed keeps its template size.
    machine.profile().dpi = 96;
    ProbeDlg loose(false, 300, 150, 3);
    std::atomic<INT_PTR> result{0};
    auto driver = Start(loose, result);
    RECT rect{};
    GetWindowRect(driver->Window(), &rect);
    EXPECT_NE(rect.right - rect.left, 300);
    EXPECT_EQ(rect.left, (1920 - (rect.right - rect.left)) / 2);
}

TEST_F(DialogBaseTest, ClaimedPressCapturesAndAFreePressDragsTheWindow) {
    std::string debug;
    platform::SetDebugOutputCapture(&debug);
    ProbeDlg dialog(true, 200, 100, 3);
    dialog.claimLeft = 50;
    std::atomic<INT_PTR> result{0};
    auto driver = Start(dialog, result);
    HWND window = driver->Window();
    RECT before{};
    GetWindowRect(window, &before);

    driver->MoveTo(55, 10);
    driver->Press(55, 10);  // on the "control"
    EXPECT_EQ(GetCapture(), window);
    driver->Release(150, 90);
    EXPECT_EQ(GetCapture(), nullptr);
    RECT same{};
    GetWindowRect(window, &same);
    EXPECT_EQ(same.left, before.left);

    // A press on nothing drags: the window follows the pointer (screen points).
    POINT start{5, 5};
    ClientToScreen(window, &start);
    platform::InjectMouse(WM_MOUSEMOVE, start);
    platform::InjectMouse(WM_LBUTTONDOWN, start);
    platform::InjectMouse(WM_MOUSEMOVE, POINT{start.x + 20, start.y + 10});
    platform::InjectMouse(WM_LBUTTONUP, POINT{start.x + 20, start.y + 10});
    driver->WaitIdle();
    RECT after{};
    GetWindowRect(window, &after);
    EXPECT_EQ(after.left - before.left, 20);
    EXPECT_EQ(after.top - before.top, 10);
    EXPECT_EQ(GetCapture(), nullptr);
    driver.reset();
    platform::SetDebugOutputCapture(nullptr);
    EXPECT_NE(debug.find("WM_LBUTTONDOWN  SetCapture\n"), std::string::npos);
    EXPECT_NE(debug.find("WM_LBUTTONDOWN  ReleaseCapture\n"), std::string::npos);
}

TEST(CommonRectTest, EdgeOperationsKeepTheSizeAndClampOnlyLeftAndTop) {
    struct Case {
        RECT start;
        int inflate;  // negative: deflate by the magnitude
        RECT expected;
        int width, height;
    } cases[] = {
        {{2, 3, 10, 10}, 5, {0, 0, 15, 15}, 15, 15},
        {{10, 10, 20, 30}, 2, {8, 8, 22, 32}, 14, 24},
        {{10, 10, 20, 30}, -2, {12, 12, 18, 28}, 6, 16},
        {{10, 10, 14, 30}, -3, {13, 13, 11, 27}, -2, 14},  // narrower than twice n
        {{0, 0, 4, 4}, 1, {0, 0, 5, 5}, 5, 5},
    };
    for (const Case& c : cases) {
        CommonRect rect(c.start.left, c.start.top, c.start.right, c.start.bottom);
        if (c.inflate >= 0) rect.Inflate(c.inflate);
        else rect.Deflate(-c.inflate);
        const RECT* r = rect.GetRECT();
        EXPECT_EQ(r->left, c.expected.left);
        EXPECT_EQ(r->top, c.expected.top);
        EXPECT_EQ(r->right, c.expected.right);
        EXPECT_EQ(r->bottom, c.expected.bottom);
        EXPECT_EQ(rect.Width(), c.width);
        EXPECT_EQ(rect.Height(), c.height);
        const RECT* size = rect.GetSizeRect();
        EXPECT_EQ(size->left, 0);
        EXPECT_EQ(size->top, 0);
        EXPECT_EQ(size->right, c.width);
        CommonRect copy(rect);
        EXPECT_EQ(copy.GetRECT()->right, r->right);
    }
}

std::string Bmp24(int width, int height, unsigned char blue, unsigned char green, unsigned char red) {
    std::string dib(40, '\0');
    std::int32_t values[3] = {40, width, height};
    std::memcpy(&dib[0], &values[0], 4);
    std::memcpy(&dib[4], &values[1], 4);
    std::memcpy(&dib[8], &values[2], 4);
    dib[12] = 1;
    dib[14] = 24;
    int stride = (width * 3 + 3) / 4 * 4;
    for (int y = 0; y < height; ++y) {
        std::string row(static_cast<size_t>(stride), '\0');
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<char>(blue);
            row[3 * x + 1] = static_cast<char>(green);
            row[3 * x + 2] = static_cast<char>(red);
        }
        dib += row;
    }
    return dib;
}

TEST_F(DialogBaseTest, BitmapHolderConvertsAndClearsOnFailure) {
    platform::OverrideResource(RT_BITMAP(), MAKEINTRESOURCEW(190), Bmp24(3, 2, 0x30, 0x20, 0x10));
    BMData data;
    ASSERT_TRUE(data.Load(190));
    EXPECT_EQ(data.Width(), 3);
    EXPECT_EQ(data.Height(), 2);
    ASSERT_NE(data.Pixels(), nullptr);
    EXPECT_EQ(data.Pixels()[5], 0x102030u);  // 0x00RRGGBB
    EXPECT_NE(data.Bitmap(), nullptr);
    // A failed reload holds nothing at all, not the old copy with a new size.
    platform::RemoveResource(RT_BITMAP(), MAKEINTRESOURCEW(190));
    EXPECT_FALSE(data.Load(190));
    EXPECT_EQ(data.Pixels(), nullptr);
    EXPECT_EQ(data.Bitmap(), nullptr);
    EXPECT_EQ(data.Width(), 0);
    EXPECT_EQ(data.Height(), 0);
    EXPECT_EQ(LoadSkinBitmap(190), nullptr);
    platform::OverrideResource(RT_BITMAP(), MAKEINTRESOURCEW(190), "not a bitmap");
    EXPECT_FALSE(data.Load(190));
    EXPECT_EQ(data.Pixels(), nullptr);
}

}  // namespace
