// Waits that end on queue input, and sends that give up after a timeout.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> g_procedure;

LRESULT WaitTestProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_procedure) return g_procedure(window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

// A thread handle that is signalled after `milliseconds` (0: at once).
HANDLE Finisher(DWORD milliseconds) {
    static DWORD delays[64];
    static std::atomic<int> next{0};
    DWORD* delay = &delays[next++ % 64];
    *delay = milliseconds;
    return CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            Sleep(*static_cast<DWORD*>(parameter));
            return 0;
        },
        delay, 0, nullptr);
}

unsigned long long Now() {
    using namespace std::chrono;
    return static_cast<unsigned long long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Serves the messages other threads send to this one until `handle` is
// signalled: the wait a UI thread uses for a worker that may send to it.
DWORD WaitServing(HANDLE handle, DWORD milliseconds) {
    unsigned long long deadline = Now() + milliseconds;
    for (;;) {
        unsigned long long now = Now();
        DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        DWORD state = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (state != WAIT_OBJECT_0 + 1) return state;
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

class MessageWaitTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        static bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = WaitTestProcedure;
            windowClass.lpszClassName = L"WaitTestWindow";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        g_procedure = nullptr;
    }
    void TearDown() override { g_procedure = nullptr; }
    static HWND Make() {
        return CreateWindowExW(0, L"WaitTestWindow", L"w", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    }
    static void Drain() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
};

TEST_F(MessageWaitTest, WaitEndsOnObjectsNewInputOrTime) {
    HWND window = Make();
    struct Case {
        const char* name;
        std::function<void()> before;  // runs on this thread before the wait
        int objects;                   // 0: none; 1: a thread that ends at once; 2: one that runs 2 s
        BOOL waitAll;
        DWORD mask;
        DWORD timeout;
        DWORD expected;  // relative to WAIT_OBJECT_0 unless WAIT_TIMEOUT
    };
    auto post = [window] { PostMessageW(window, WM_USER, 0, 0); };
    auto postAndPeek = [window] {
        PostMessageW(window, WM_USER, 0, 0);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // seen: no longer new
    };
    const Case cases[] = {
        {"signalled object", nullptr, 1, FALSE, QS_ALLINPUT, 1000, WAIT_OBJECT_0},
        {"nothing comes", nullptr, 0, FALSE, QS_ALLINPUT, 60, WAIT_TIMEOUT},
        {"object still running", nullptr, 2, FALSE, QS_ALLINPUT, 60, WAIT_TIMEOUT},
        {"posted message", post, 2, FALSE, QS_POSTMESSAGE, 1000, WAIT_OBJECT_0 + 1},
        {"posted message, only sends awaited", post, 0, FALSE, QS_SENDMESSAGE, 60, WAIT_TIMEOUT},
        {"posted message seen by PeekMessage", postAndPeek, 0, FALSE, QS_ALLINPUT, 60, WAIT_TIMEOUT},
        {"mouse input, only keys awaited", [window] { PostMessageW(window, WM_MOUSEMOVE, 0, 0); }, 0, FALSE, QS_KEY, 60,
         WAIT_TIMEOUT},
        {"key input", [window] { PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0); }, 0, FALSE, QS_KEY, 1000,
         WAIT_OBJECT_0},
        {"all: object but no input", nullptr, 1, TRUE, QS_ALLINPUT, 60, WAIT_TIMEOUT},
        {"all: object and input", post, 1, TRUE, QS_ALLINPUT, 1000, WAIT_OBJECT_0},
        {"timer falls due", [window] { SetTimer(window, 3, 20, nullptr); }, 0, FALSE, QS_TIMER, 1000, WAIT_OBJECT_0},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        Drain();
        HANDLE object = nullptr;
        if (tc.objects == 1) {
            object = Finisher(0);
            ASSERT_EQ(WaitForSingleObject(object, 1000), WAIT_OBJECT_0);
        } else if (tc.objects == 2) {
            object = Finisher(2000);
        }
        if (tc.before) tc.before();
        unsigned long long start = Now();
        DWORD state =
            MsgWaitForMultipleObjects(object ? 1 : 0, object ? &object : nullptr, tc.waitAll, tc.timeout, tc.mask);
        unsigned long long spent = Now() - start;
        DWORD expected = tc.expected;
        // With no handles the input index is 0; the table's +1 means "after the one object".
        if (expected == WAIT_OBJECT_0 + 1 && object == nullptr) expected = WAIT_OBJECT_0;
        EXPECT_EQ(state, expected);
        if (tc.expected == WAIT_TIMEOUT) {
            EXPECT_GE(spent, tc.timeout - 5);
            EXPECT_LT(spent, tc.timeout + 500);
        } else {
            EXPECT_LT(spent, 500u);
        }
        KillTimer(window, 3);
        if (object) CloseHandle(object);
    }
    Drain();
    DestroyWindow(window);
}

TEST_F(MessageWaitTest, BadArgumentsFail) {
    HANDLE bogus = reinterpret_cast<HANDLE>(0x7777);
    SetLastError(0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &bogus, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    HANDLE many[MAXIMUM_WAIT_OBJECTS] = {};
    EXPECT_EQ(MsgWaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, many, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsgWaitForMultipleObjects(2, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// The close path of a dialog: its thread waits for a worker that keeps
// sending to the dialog. Served sends let the worker finish; nothing is
// dispatched besides them.
TEST_F(MessageWaitTest, UiThreadWaitingForAWorkerAnswersItsSends) {
    HWND window = Make();
    DWORD uiThread = GetCurrentThreadId();
    std::atomic<int> served{0};
    std::atomic<bool> wrongThread{false};
    g_procedure = [&](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_USER + 5) {
            if (GetCurrentThreadId() != uiThread) wrongThread = true;
            ++served;
            return static_cast<LRESULT>(wParam) + 1;
        }
        return DefWindowProcW(w, message, wParam, lParam);
    };
    PostMessageW(window, WM_USER + 9, 0, 0);  // must stay queued through the wait
    struct Job {
        HWND window;
        std::atomic<int> answersRight{0};
    } job{window};
    HANDLE worker = CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            auto* job = static_cast<Job*>(parameter);
            for (int i = 0; i < 20; ++i) {
                if (SendMessageW(job->window, WM_USER + 5, i, 0) == i + 1) ++job->answersRight;
                Sleep(1);
            }
            return 0;
        },
        &job, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    unsigned long long start = Now();
    EXPECT_EQ(WaitServing(worker, 5000), WAIT_OBJECT_0);
    EXPECT_LT(Now() - start, 3000u);
    EXPECT_EQ(served.load(), 20);
    EXPECT_EQ(job.answersRight.load(), 20);
    EXPECT_FALSE(wrongThread.load());
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_USER + 9u);
    CloseHandle(worker);
    DestroyWindow(window);
}

TEST_F(MessageWaitTest, SendWithTimeout) {
    struct Case {
        const char* name;
        UINT flags;
        UINT timeout;
        bool receiverPumps;  // the receiving thread handles messages at once
        bool sendsBack;      // the receiver's handler sends to the sender's window
        LRESULT expectedReturn;
        DWORD expectedError;  // checked when the call fails
        DWORD_PTR expectedAnswer;
    };
    const Case cases[] = {
        {"answered", SMTO_NORMAL, 2000, true, false, TRUE, 0, 42},
        {"receiver busy", SMTO_NORMAL, 80, false, false, 0, ERROR_TIMEOUT, 0},
        {"serves a send back", SMTO_NORMAL, 2000, true, true, TRUE, 0, 42 + 7},
        {"blocked: no send back served", SMTO_BLOCK, 2000, true, true, TRUE, 0, 42},
        {"not hung: no timeout", SMTO_NOTIMEOUTIFNOTHUNG, 1, true, false, TRUE, 0, 42},
        {"receiver not hung yet", SMTO_ABORTIFHUNG, 2000, true, false, TRUE, 0, 42},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        HWND self = Make();
        std::atomic<HWND> target{nullptr};
        std::atomic<bool> stop{false}, pump{tc.receiverPumps};
        std::atomic<int> handled{0};
        g_procedure = [&](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_USER && w == target.load()) {
                ++handled;
                if (!tc.sendsBack) {
                    if (!tc.receiverPumps) return 42;
                    Sleep(20);  // answered, but not at once
                    return 42;
                }
                DWORD_PTR back = 0;
                // Within SMTO_BLOCK the sender handles nothing: this inner send times out.
                if (SendMessageTimeoutW(self, WM_USER + 1, 0, 0, SMTO_NORMAL, 200, &back) == 0) back = 0;
                return 42 + static_cast<LRESULT>(back);
            }
            if (message == WM_USER + 1) return 7;
            return DefWindowProcW(w, message, wParam, lParam);
        };
        std::thread receiver([&] {
            target = Make();
            while (!stop) {
                if (pump) {
                    MSG message;
                    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
                }
                Sleep(1);
            }
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            DestroyWindow(target.load());
        });
        while (target.load() == nullptr) Sleep(1);
        DWORD_PTR answer = 12345;
        SetLastError(0);
        unsigned long long start = Now();
        LRESULT returned = SendMessageTimeoutW(target.load(), WM_USER, 0, 0, tc.flags, tc.timeout, &answer);
        unsigned long long spent = Now() - start;
        EXPECT_EQ(returned, tc.expectedReturn);
        if (returned == 0) {
            EXPECT_EQ(GetLastError(), tc.expectedError);
            EXPECT_GE(spent, tc.timeout - 5);
            EXPECT_LT(spent, tc.timeout + 500);
        } else {
            EXPECT_EQ(answer, tc.expectedAnswer);
        }
        if (!tc.receiverPumps) {
            // The message stays queued: the receiver handles it once it looks, and the
            // answer goes nowhere.
            EXPECT_EQ(handled.load(), 0);
            pump = true;
            for (int i = 0; i < 500 && handled.load() == 0; ++i) Sleep(2);
            EXPECT_EQ(handled.load(), 1);
        }
        stop = true;
        receiver.join();
        Drain();
        DestroyWindow(self);
    }
}

TEST_F(MessageWaitTest, SendWithTimeoutOnItsOwnThreadOrToNoWindow) {
    HWND window = Make();
    g_procedure = [](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return message == WM_USER ? 9 : DefWindowProcW(w, message, wParam, lParam);
    };
    DWORD_PTR answer = 0;
    EXPECT_EQ(SendMessageTimeoutW(window, WM_USER, 0, 0, SMTO_NORMAL, 0, &answer), TRUE);
    EXPECT_EQ(answer, 9u);
    DestroyWindow(window);
    SetLastError(0);
    EXPECT_EQ(SendMessageTimeoutW(window, WM_USER, 0, 0, SMTO_NORMAL, 100, &answer), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(MessageWaitTest, SendWithTimeoutToAWindowThatGoesAway) {
    for (UINT flags : {SMTO_NORMAL, SMTO_ERRORONEXIT}) {
        SCOPED_TRACE(flags);
        std::atomic<HWND> target{nullptr};
        std::atomic<bool> destroy{false};
        std::thread owner([&] {
            target = Make();
            while (!destroy) Sleep(1);  // never handles the send
            DestroyWindow(target.load());
        });
        while (target.load() == nullptr) Sleep(1);
        std::thread releaser([&] {
            Sleep(50);
            destroy = true;
        });
        DWORD_PTR answer = 5;
        LRESULT returned = SendMessageTimeoutW(target.load(), WM_USER, 0, 0, flags, 3000, &answer);
        EXPECT_EQ(returned, flags == SMTO_ERRORONEXIT ? 0 : TRUE);
        EXPECT_EQ(answer, 0u);
        releaser.join();
        owner.join();
    }
}

}  // namespace
