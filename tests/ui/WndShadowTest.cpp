// The shadow window following a real (simulated) top-level window.
#include <gtest/gtest.h>

#include "platform/kernel/DynamicLibraries.h"
#include "platform/windowing/Screen.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "ui/WndShadow.h"

namespace {

int g_parentMessages = 0;
LRESULT CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ++g_parentMessages;
    return DefWindowProcW(window, message, wParam, lParam);
}

BOOL g_compositionOn = FALSE;
HRESULT FakeComposition(BOOL* enabled) {
    *enabled = g_compositionOn;
    return S_OK;
}

class WndShadowTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        CWndShadow::ResetForTests();
        platform::SetLayeredWindowsMissing(false);
        static bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = CountingProc;
            windowClass.lpszClassName = L"ShadowTestParent";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        parent = CreateWindowExW(0, L"ShadowTestParent", L"", WS_POPUP | WS_VISIBLE, 200, 150, 100, 80, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        g_parentMessages = 0;
    }
    void TearDown() override {
        if (IsWindow(parent)) DestroyWindow(parent);
        CWndShadow::ResetForTests();
        platform::SetLayeredWindowsMissing(false);
    }

    static RECT WindowRect(HWND window) {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    }
    static void ExpectRect(HWND window, int left, int top, int width, int height) {
        RECT rect = WindowRect(window);
        EXPECT_EQ(rect.left, left);
        EXPECT_EQ(rect.top, top);
        EXPECT_EQ(rect.right - rect.left, width);
        EXPECT_EQ(rect.bottom - rect.top, height);
    }

    HWND parent = nullptr;
};

TEST_F(WndShadowTest, ShadowSurroundsTheWindowWithATransparentHole) {
    ASSERT_TRUE(CWndShadow::Initialize(nullptr));
    EXPECT_FALSE(CWndShadow::Initialize(nullptr));  // once per process
    CWndShadow shadow;
    shadow.Create(parent);
    HWND window = shadow.GetShadowWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetWindow(window, GW_OWNER), parent);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(shadow.GetStatus(),
              CWndShadow::kStatusEnabled | CWndShadow::kStatusVisible | CWndShadow::kStatusParentVisible);
    ExpectRect(window, 170, 120, 160, 140);
    EXPECT_GE(platform::LayeredWindowUpdates(window), 1u);

    platform::Image image = platform::CaptureWindow(window);
    ASSERT_EQ(image.width, 160);
    ASSERT_EQ(image.height, 140);
    for (int y = 30; y < 110; ++y)
        for (int x = 30; x < 130; ++x) ASSERT_EQ(image.At(x, y), platform::kDesktopPixel) << x << "," << y;
    EXPECT_NE(image.At(29, 70), platform::kDesktopPixel);  // just beside the window: shadow
    EXPECT_LT(image.At(29, 70) & 0xFF, platform::kDesktopPixel & 0xFF);
    EXPECT_EQ(image.At(0, 0), platform::kDesktopPixel);  // the corner fades out
}

TEST_F(WndShadowTest, MaximiseHidesRestoreShowsMoveOnlyRepositions) {
    ASSERT_TRUE(CWndShadow::Initialize(nullptr));
    CWndShadow shadow;
    shadow.Create(parent);
    HWND window = shadow.GetShadowWindow();
    unsigned renders = platform::LayeredWindowUpdates(window);

    MoveWindow(parent, 300, 200, 100, 80, FALSE);
    ExpectRect(window, 270, 170, 160, 140);
    EXPECT_EQ(platform::LayeredWindowUpdates(window), renders);  // no re-render on a move
    SendMessageW(parent, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(platform::LayeredWindowUpdates(window), renders + 1);

    ShowWindow(parent, SW_MAXIMIZE);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(shadow.GetStatus() & CWndShadow::kStatusVisible);
    ShowWindow(parent, SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(shadow.GetStatus() & CWndShadow::kStatusVisible);
    ExpectRect(window, 270, 170, 160, 140);
}

TEST_F(WndShadowTest, GrowingRendersAtTheNextPaintShrinkingAtOnce) {
    ASSERT_TRUE(CWndShadow::Initialize(nullptr));
    CWndShadow shadow;
    shadow.Create(parent);
    HWND window = shadow.GetShadowWindow();
    // The first WM_SIZE records the size the shadow works from.
    MoveWindow(parent, 200, 150, 100, 80, FALSE);
    SendMessageW(parent, WM_SIZE, SIZE_RESTORED, MAKELPARAM(100, 80));
    unsigned renders = platform::LayeredWindowUpdates(window);

    MoveWindow(parent, 200, 150, 120, 90, FALSE);
    EXPECT_EQ(platform::LayeredWindowUpdates(window), renders);
    SendMessageW(parent, WM_PAINT, 0, 0);
    EXPECT_EQ(platform::LayeredWindowUpdates(window), renders + 1);
    ExpectRect(window, 170, 120, 180, 150);
    SendMessageW(parent, WM_PAINT, 0, 0);
    EXPECT_EQ(platform::LayeredWindowUpdates(window), renders + 1);  // nothing pending any more

    MoveWindow(parent, 200, 150, 90, 70, FALSE);
    EXPECT_EQ(platform::LayeredWindowUpdates(window), renders + 2);
    ExpectRect(window, 170, 120, 150, 130);
}

TEST_F(WndShadowTest, SecondShadowOnTheSameWindowIsRefused) {
    ASSERT_TRUE(CWndShadow::Initialize(nullptr));
    CWndShadow first;
    first.Create(parent);
    LONG_PTR subclassed = GetWindowLongPtrW(parent, GWLP_WNDPROC);
    CWndShadow second;
    second.Create(parent);
    EXPECT_FALSE(second.IsAttached());
    EXPECT_EQ(GetWindowLongPtrW(parent, GWLP_WNDPROC), subclassed);
    // The window still answers: no procedure calls itself.
    g_parentMessages = 0;
    MoveWindow(parent, 210, 160, 100, 80, FALSE);
    EXPECT_GT(g_parentMessages, 0);
    ExpectRect(first.GetShadowWindow(), 180, 130, 160, 140);
    // A second Create on the same object does nothing either.
    HWND window = first.GetShadowWindow();
    first.Create(parent);
    EXPECT_EQ(first.GetShadowWindow(), window);
}

TEST_F(WndShadowTest, WithoutLayeredWindowsNoShadowIsMade) {
    platform::SetLayeredWindowsMissing(true);
    EXPECT_FALSE(CWndShadow::Initialize(nullptr));
    LONG_PTR procedure = GetWindowLongPtrW(parent, GWLP_WNDPROC);
    CWndShadow shadow;
    shadow.Create(parent);
    EXPECT_FALSE(shadow.IsAttached());
    EXPECT_EQ(GetWindowLongPtrW(parent, GWLP_WNDPROC), procedure);
    EXPECT_FALSE(IsWindow(shadow.GetShadowWindow()));
    MoveWindow(parent, 210, 160, 120, 90, FALSE);  // the window works without one
    ExpectRect(parent, 210, 160, 120, 90);
}

TEST_F(WndShadowTest, DestroyingEitherSideDetachesCleanly) {
    ASSERT_TRUE(CWndShadow::Initialize(nullptr));
    HWND window;
    {
        CWndShadow shadow;
        shadow.Create(parent);
        window = shadow.GetShadowWindow();
    }
    // The object went first: the window has its own procedure back.
    EXPECT_EQ(GetWindowLongPtrW(parent, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&CountingProc));
    EXPECT_FALSE(IsWindow(window));

    CWndShadow shadow;
    shadow.Create(parent);
    window = shadow.GetShadowWindow();
    ASSERT_TRUE(IsWindow(window));
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(shadow.IsAttached());
    // A later window with a reused handle value would not find a stale entry.
    CWndShadow again;
    again.Create(parent);
    EXPECT_FALSE(again.IsAttached());
}

TEST_F(WndShadowTest, CompositionTurnsTheSizeHandlingOff) {
    platform::RegisterLibraryExport(L"dwmapi.dll", "DwmIsCompositionEnabled",
                                    reinterpret_cast<FARPROC>(&FakeComposition));
    ASSERT_TRUE(CWndShadow::Initialize(nullptr));
    CWndShadow shadow;
    shadow.Create(parent);
    HWND window = shadow.GetShadowWindow();

    g_compositionOn = TRUE;
    SendMessageW(parent, WM_DWMCOMPOSITIONCHANGED, 0, 0);
    EXPECT_TRUE(shadow.GetStatus() & CWndShadow::kStatusComposition);
    unsigned renders = platform::LayeredWindowUpdates(window);
    MoveWindow(parent, 200, 150, 90, 70, FALSE);  // shrinking would render at once
    EXPECT_EQ(platform::LayeredWindowUpdates(window), renders);

    g_compositionOn = FALSE;
    SendMessageW(parent, WM_DWMCOMPOSITIONCHANGED, 0, 0);
    EXPECT_FALSE(shadow.GetStatus() & CWndShadow::kStatusComposition);
    ExpectRect(window, 170, 120, 150, 130);
    platform::RegisterLibraryExport(L"dwmapi.dll", "DwmIsCompositionEnabled",
                                    reinterpret_cast<FARPROC>(&DwmIsCompositionEnabled));
}

}  // namespace
