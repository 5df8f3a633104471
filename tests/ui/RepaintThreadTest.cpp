// The painter thread of the skinned windows, stopped from the window's thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "ui/RepaintThread.h"

namespace {

std::atomic<int> g_sends{0};

LRESULT PainterTarget(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        ++g_sends;
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class RepaintThreadTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        static bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = PainterTarget;
            windowClass.lpszClassName = L"PainterTarget";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        g_sends = 0;
    }
};

// A painter that sends to the window whose thread stops it: the stop
// answers those sends instead of waiting for ever.
TEST_F(RepaintThreadTest, StopAnswersSendsOfAPainterThatSendsToItsOwner) {
    HWND window =
        CreateWindowExW(0, L"PainterTarget", L"p", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    RepaintThread painter;
    ASSERT_TRUE(painter.Start([window] { SendMessageW(window, WM_USER, 0, 0); }, std::chrono::milliseconds(1)));
    // The owner does not pump: only the stop's wait answers the sends.
    Sleep(30);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(painter.Stop(3000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(painter.Running());
    EXPECT_GE(g_sends.load(), 1);
    EXPECT_EQ(RepaintThread::LiveThreads(), 0);
    DestroyWindow(window);
}

// A bounded stop gives up on a painter that does not end, and a later one waits it out.
TEST_F(RepaintThreadTest, BoundedStopReportsAPainterStillRunning) {
    RepaintThread painter;
    std::atomic<bool> release{false};
    std::atomic<bool> painting{false};
    ASSERT_TRUE(painter.Start(
        [&] {
            painting = true;
            while (!release) Sleep(1);
        },
        std::chrono::milliseconds(30)));
    while (!painting) Sleep(1);
    EXPECT_FALSE(painter.Stop(50));
    EXPECT_TRUE(painter.Running());
    release = true;
    EXPECT_TRUE(painter.Stop());
    EXPECT_FALSE(painter.Running());
    EXPECT_EQ(RepaintThread::LiveThreads(), 0);
}

}  // namespace
