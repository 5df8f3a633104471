// The dialog test driver.
#include "platform/windowing/TestDriver.h"

#include <chrono>

#include "platform/base/Clock.h"
#include "platform/windowing/Dialogs.h"
#include "platform/base/Environment.h"
#include "platform/windowing/Input.h"
#include "platform/windowing/detail/WindowInternals.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {
constexpr unsigned kSettleMs = 5000;
}

DialogDriver::DialogDriver(std::function<void()> body) {
    m_thread = std::thread([this, body = std::move(body)] {
        m_threadId = GetCurrentThreadId();
        body();
        m_finished = true;
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline && !m_finished) {
        if (m_threadId != 0) {
            m_window = TopWindow();
            if (m_window != nullptr) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    WaitIdle();
}

DialogDriver::~DialogDriver() {
    if (!m_finished) {
        HWND window;
        while (!m_finished && (window = TopWindow()) != nullptr) {
            EndDialog(window, 0);
            WaitIdle(200);
        }
    }
    if (m_thread.joinable()) m_thread.join();
}

HWND DialogDriver::TopWindow() const {
    DWORD thread = m_threadId;
    std::lock_guard<std::mutex> guard(WindowLock());
    auto& order = ZOrderLocked();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        platform::Window* window = FindWindowLocked(*it);
        if (window != nullptr && window->threadId == thread && IsShownLocked(*window) &&
            !(window->exStyle & WS_EX_LAYERED))
            return *it;
    }
    return nullptr;
}

bool DialogDriver::WaitIdle(unsigned milliseconds) const {
    if (m_threadId == 0 || m_finished) return true;
    return WaitForQueueIdle(m_threadId, milliseconds);
}

void DialogDriver::Pointer(UINT message, int x, int y, HWND window) {
    POINT point{x, y};
    ClientToScreen(Target(window), &point);
    InjectMouse(message, point);
    WaitIdle(kSettleMs);
}

void DialogDriver::MoveTo(int x, int y, HWND window) { Pointer(WM_MOUSEMOVE, x, y, window); }
void DialogDriver::Press(int x, int y, HWND window) { Pointer(WM_LBUTTONDOWN, x, y, window); }
void DialogDriver::Release(int x, int y, HWND window) { Pointer(WM_LBUTTONUP, x, y, window); }
void DialogDriver::Click(int x, int y, HWND window) {
    MoveTo(x, y, window);
    Press(x, y, window);
    Release(x, y, window);
}

void DialogDriver::Key(UINT virtualKey, bool alt) {
    InjectKey(virtualKey, true, alt);
    InjectKey(virtualKey, false, alt);
    WaitIdle(kSettleMs);
}

void DialogDriver::Type(const std::wstring& text) {
    for (wchar_t c : text) InjectChar(c);
    WaitIdle(kSettleMs);
}

void DialogDriver::AdvanceClock(unsigned milliseconds) {
    platform::AdvanceClock(milliseconds);
    WakeAllQueues();
    WaitIdle(kSettleMs);
}

COLORREF DialogDriver::Pixel(int x, int y, HWND window) const {
    Image image = Capture(window);
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return 0xFFFFFFFF;
    std::uint32_t pixel = image.At(x, y);
    return ((pixel & 0xFF) << 16) | (pixel & 0xFF00) | ((pixel >> 16) & 0xFF);
}

Image DialogDriver::Capture(HWND window) const { return CaptureWindow(Target(window)); }

bool DialogDriver::SavePng(const std::string& hostPath, HWND window) const {
    return WritePng(Capture(window), hostPath);
}

void DialogDriver::End(INT_PTR result) {
    EndDialog(m_window, result);
    WaitFinished();
}

bool DialogDriver::WaitFinished(unsigned milliseconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!m_finished && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return m_finished;
}

}  // namespace platform
