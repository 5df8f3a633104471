#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

// A window class whose procedure forwards to a per-test function.
std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> g_handler;
std::mutex g_logLock;
std::vector<std::string> g_log;

void Log(const std::string& line) {
    std::lock_guard<std::mutex> guard(g_logLock);
    g_log.push_back(line);
}

LRESULT CALLBACK_Test(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_handler) return g_handler(window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

class WindowTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        static bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = CALLBACK_Test;
            windowClass.lpszClassName = L"TestWindow";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        g_handler = nullptr;
        std::lock_guard<std::mutex> guard(g_logLock);
        g_log.clear();
    }
    void TearDown() override { g_handler = nullptr; }
    static HWND Make(HWND parent = nullptr, DWORD style = WS_POPUP) {
        return CreateWindowExW(0, L"TestWindow", L"t", style, 10, 20, 100, 50, parent, nullptr, nullptr, nullptr);
    }
    // Pumps this thread's messages until `done` or 5 s.
    static void PumpUntil(const std::function<bool()>& done) {
        auto deadline = GetTickCount64() + 5000;
        while (!done() && GetTickCount64() < deadline) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            Sleep(1);
        }
    }
};

TEST_F(WindowTest, DestroyOrderAndStaleHandles) {
    HWND parent = Make();
    HWND child = Make(parent, WS_CHILD | WS_VISIBLE);
    ASSERT_NE(child, nullptr);
    g_handler = [&](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
        const char* who = window == parent ? "parent" : "child";
        if (message == WM_DESTROY) Log(std::string("destroy ") + who);
        if (message == WM_NCDESTROY) Log(std::string("ncdestroy ") + who);
        return DefWindowProcW(window, message, w, l);
    };
    ASSERT_TRUE(DestroyWindow(parent));
    std::vector<std::string> expected = {"destroy parent", "destroy child", "ncdestroy child", "ncdestroy parent"};
    EXPECT_EQ(g_log, expected);

    // Every call on the stale handles fails safely.
    RECT rect{};
    for (HWND stale : {parent, child}) {
        SetLastError(0);
        EXPECT_EQ(SendMessageW(stale, WM_USER, 0, 0), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_FALSE(PostMessageW(stale, WM_USER, 0, 0));
        EXPECT_FALSE(SetWindowTextW(stale, L"x"));
        EXPECT_FALSE(GetWindowRect(stale, &rect));
        EXPECT_FALSE(IsWindow(stale));
        EXPECT_EQ(SetTimer(stale, 1, 10, nullptr), 0u);
        EXPECT_EQ(GetDC(stale), nullptr);
    }
    EXPECT_FALSE(DestroyWindow(parent));
}

LRESULT g_subclassed(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WNDPROC g_previous = nullptr;
LRESULT g_subclassed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) return 40 + CallWindowProcW(g_previous, window, message, wParam, lParam);
    return CallWindowProcW(g_previous, window, message, wParam, lParam);
}

TEST_F(WindowTest, SubclassingThroughLongPointers) {
    HWND window = Make();
    g_handler = [](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return message == WM_USER ? 2 : DefWindowProcW(w, message, wParam, lParam);
    };
    g_previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&g_subclassed)));
    EXPECT_EQ(g_previous, &CALLBACK_Test);
    EXPECT_EQ(SendMessageW(window, WM_USER, 0, 0), 42);
    SetWindowLongPtrW(window, GWLP_USERDATA, static_cast<LONG_PTR>(0x123456789));
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), static_cast<LONG_PTR>(0x123456789));
    // The 32-bit form refuses pointer slots instead of truncating them.
    EXPECT_EQ(GetWindowLongW(window, GWLP_WNDPROC), 0);
    DestroyWindow(window);
}

TEST_F(WindowTest, SendAcrossThreadsRunsOnTheOwnerAndServesSendsBack) {
    HWND window = Make();
    DWORD owner = GetCurrentThreadId();
    HWND workerWindow = nullptr;
    std::atomic<bool> workerReady{false}, done{false};
    std::atomic<LRESULT> result{0};
    g_handler = [&](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_USER) {
            EXPECT_EQ(GetCurrentThreadId(), owner);
            // Sending back to the waiting worker's window must not deadlock.
            return SendMessageW(workerWindow, WM_USER + 1, wParam, 0) + 1;
        }
        if (message == WM_USER + 1) {
            EXPECT_NE(GetCurrentThreadId(), owner);
            return static_cast<LRESULT>(wParam) * 10;
        }
        return DefWindowProcW(w, message, wParam, lParam);
    };
    std::thread worker([&] {
        workerWindow = Make();
        workerReady = true;
        result = SendMessageW(window, WM_USER, 4, 0);
        DestroyWindow(workerWindow);
        done = true;
    });
    PumpUntil([&] { return done.load(); });
    worker.join();
    EXPECT_EQ(result.load(), 41);
    DestroyWindow(window);
}

TEST_F(WindowTest, SendToAWindowDestroyedMeanwhileReturns) {
    std::atomic<HWND> target{nullptr};
    std::atomic<bool> destroy{false};
    std::thread owner([&] {
        HWND window = Make();
        target = window;
        while (!destroy) Sleep(1);  // not pumping: the send waits
        DestroyWindow(window);
    });
    while (target.load() == nullptr) Sleep(1);
    std::thread releaser([&] {
        Sleep(50);
        destroy = true;
    });
    g_handler = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT { return message == WM_USER ? 99 : 0; };
    EXPECT_EQ(SendMessageW(target.load(), WM_USER, 0, 0), 0);
    releaser.join();
    owner.join();
}

TEST_F(WindowTest, TimersFireOnTheOwnerMergeLateTicksAndBelongToIt) {
    HWND window = Make();
    DWORD owner = GetCurrentThreadId();
    std::atomic<int> ticks{0};
    g_handler = [&](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_TIMER && wParam == 7) {
            EXPECT_EQ(GetCurrentThreadId(), owner);
            ++ticks;
            return 0;
        }
        return DefWindowProcW(w, message, wParam, lParam);
    };
    // Another thread may not set the window's timers; the owner may.
    std::thread([&] {
        SetLastError(0);
        EXPECT_EQ(SetTimer(window, 7, 100, nullptr), 0u);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }).join();
    EXPECT_EQ(SetTimer(window, 7, 100, nullptr), 7u);
    // Ten intervals pass at once: one WM_TIMER, not ten.
    platform::AdvanceClock(1000);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(ticks.load(), 1);
    platform::AdvanceClock(100);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(ticks.load(), 2);
    std::thread([&] { EXPECT_TRUE(KillTimer(window, 7)); }).join();
    platform::AdvanceClock(1000);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(ticks.load(), 2);
    EXPECT_FALSE(KillTimer(window, 7));
    DestroyWindow(window);
}

TEST_F(WindowTest, ThreadTimerWithAKnownIdIsReplaced) {
    std::vector<UINT_PTR> fired;
    TIMERPROC procedure = [](HWND, UINT, UINT_PTR id, DWORD) {
        std::lock_guard<std::mutex> guard(g_logLock);
        g_log.push_back(std::to_string(id));
    };
    UINT_PTR first = SetTimer(nullptr, 0, 100, procedure);
    ASSERT_NE(first, 0u);
    // The same id again replaces that timer (a new interval), it adds none.
    EXPECT_EQ(SetTimer(nullptr, first, 300, procedure), first);
    // An id that names no thread timer gets a new one.
    UINT_PTR second = SetTimer(nullptr, 12345, 1000, procedure);
    EXPECT_NE(second, first);
    EXPECT_NE(second, 12345u);
    MSG message;
    platform::AdvanceClock(150);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    platform::AdvanceClock(200);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    {
        std::lock_guard<std::mutex> guard(g_logLock);
        EXPECT_EQ(g_log, std::vector<std::string>{std::to_string(first)});
    }
    EXPECT_TRUE(KillTimer(nullptr, first));
    EXPECT_FALSE(KillTimer(nullptr, first));
    EXPECT_TRUE(KillTimer(nullptr, second));
}

TEST_F(WindowTest, PaintComesFromInvalidAreasAndOnlyOnce) {
    HWND window = Make(nullptr, WS_POPUP | WS_VISIBLE);
    int paints = 0;
    // This handler never calls BeginPaint: the area must not stay invalid.
    g_handler = [&](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_PAINT) {
            ++paints;
            return 0;
        }
        return DefWindowProcW(w, message, wParam, lParam);
    };
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(paints, 1);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(paints, 1);
    RECT area{1, 1, 5, 5};
    InvalidateRect(window, &area, FALSE);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_EQ(update.right, 5);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(paints, 2);
    // A hidden window gets no WM_PAINT.
    ShowWindow(window, SW_HIDE);
    InvalidateRect(window, nullptr, TRUE);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(paints, 2);
    DestroyWindow(window);
}

TEST_F(WindowTest, ShowMoveAndRectangles) {
    HWND window = Make();
    HWND child = Make(window, WS_CHILD | WS_VISIBLE);
    std::vector<UINT> seen;
    g_handler = [&](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (w == window && (message == WM_MOVE || message == WM_SIZE || message == WM_SHOWWINDOW))
            seen.push_back(message);
        return DefWindowProcW(w, message, wParam, lParam);
    };
    EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
    EXPECT_FALSE(ShowWindow(window, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(MoveWindow(window, 30, 40, 200, 80, FALSE));
    RECT rect{};
    GetWindowRect(child, &rect);
    EXPECT_EQ(rect.left, 40);  // child at (10, 20) in the parent
    EXPECT_EQ(rect.top, 60);
    POINT point{5, 5};
    ClientToScreen(window, &point);
    EXPECT_EQ(point.x, 35);
    ScreenToClient(window, &point);
    EXPECT_EQ(point.y, 5);
    GetClientRect(window, &rect);
    EXPECT_EQ(rect.right, 200);
    std::vector<UINT> expected = {WM_SHOWWINDOW, WM_MOVE, WM_SIZE};
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(SetWindowTextW(window, L"title"));
    wchar_t text[16];
    EXPECT_EQ(GetWindowTextW(window, text, 16), 5);
    EXPECT_EQ(GetDlgItem(window, 0), child);
    DestroyWindow(window);
}

}  // namespace

// The headless watcher finds a box that a worker thread opened over the
// dialog by walking the top-level windows of the current desktop.
TEST_F(WindowTest, TopLevelWindowsAreListedTopmostFirstFromEveryThread) {
    HWND dialog = Make();
    HWND child = Make(dialog, WS_CHILD | WS_VISIBLE);
    // The worker keeps its box (a thread's windows end with it) until told.
    std::atomic<HWND> box{nullptr};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        box = Make(dialog, WS_POPUP);
        while (!done) Sleep(1);
    });
    struct Join {
        std::atomic<bool>& done;
        std::thread& worker;
        ~Join() {
            done = true;
            worker.join();
        }
    } join{done, worker};
    for (int i = 0; i < 5000 && box == nullptr; ++i) Sleep(1);
    ASSERT_NE(box.load(), nullptr);
    EXPECT_EQ(GetWindow(box.load(), GW_OWNER), dialog);

    struct Walk {
        std::vector<HWND> seen;
        size_t stopAfter = 0;  // 0: never stop
    };
    auto collect = [](HWND window, LPARAM parameter) -> BOOL {
        auto* walk = reinterpret_cast<Walk*>(parameter);
        walk->seen.push_back(window);
        return walk->stopAfter == 0 || walk->seen.size() < walk->stopAfter ? TRUE : FALSE;
    };
    Walk all;
    ASSERT_TRUE(EnumWindows(collect, reinterpret_cast<LPARAM>(&all)));
    auto position = [&](HWND window) { return std::find(all.seen.begin(), all.seen.end(), window) - all.seen.begin(); };
    ASSERT_LT(static_cast<size_t>(position(box.load())), all.seen.size());
    ASSERT_LT(static_cast<size_t>(position(dialog)), all.seen.size());
    EXPECT_LT(position(box.load()), position(dialog));
    EXPECT_EQ(std::find(all.seen.begin(), all.seen.end(), child), all.seen.end());

    Walk current;
    ASSERT_TRUE(EnumDesktopWindows(nullptr, collect, reinterpret_cast<LPARAM>(&current)));
    EXPECT_EQ(current.seen, all.seen);
    Walk first;
    first.stopAfter = 1;
    ASSERT_TRUE(EnumWindows(collect, reinterpret_cast<LPARAM>(&first)));
    EXPECT_EQ(first.seen.size(), 1u);
    EXPECT_FALSE(EnumWindows(nullptr, 0));

    HWND gone = Make();
    ASSERT_TRUE(DestroyWindow(gone));
    Walk after;
    ASSERT_TRUE(EnumWindows(collect, reinterpret_cast<LPARAM>(&after)));
    EXPECT_EQ(std::find(after.seen.begin(), after.seen.end(), gone), after.seen.end());
    EXPECT_EQ(after.seen, all.seen);
    DestroyWindow(dialog);
}
