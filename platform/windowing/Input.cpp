// Pointer position, mouse buttons, capture and focus, and input injection.
#include <mutex>

#include "platform/base/Clock.h"
#include "platform/windowing/Input.h"
#include "platform/windowing/detail/WindowInternals.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {

struct InputState {
    std::mutex lock;
    POINT cursor{0, 0};
    WPARAM buttons = 0;
    HWND capture = nullptr;
    HWND focus = nullptr;
};
InputState& State() {
    static InputState* state = new InputState();
    return *state;
}

bool Contains(const Window& window, POINT screen) {
    POINT origin = ClientOriginLocked(window);
    return screen.x >= origin.x && screen.y >= origin.y &&
           screen.x < origin.x + (window.rect.right - window.rect.left) &&
           screen.y < origin.y + (window.rect.bottom - window.rect.top);
}

// The deepest visible, enabled child under the point (WindowLock held).
HWND DeepestLocked(Window& window, POINT screen) {
    for (auto it = window.children.rbegin(); it != window.children.rend(); ++it) {
        Window* child = FindWindowLocked(*it);
        if (child == nullptr || !(child->style & WS_VISIBLE) || (child->style & WS_DISABLED)) continue;
        if (Contains(*child, screen)) return DeepestLocked(*child, screen);
    }
    return window.handle;
}

HWND TopLevelAtLocked(POINT screen) {
    auto& order = ZOrderLocked();
    // Topmost windows first, then the others, each from the top down.
    for (int pass = 0; pass < 2; ++pass) {
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            Window* window = FindWindowLocked(*it);
            if (window == nullptr || !IsShownLocked(*window) || (window->exStyle & WS_EX_TRANSPARENT)) continue;
            if (((window->exStyle & WS_EX_TOPMOST) != 0) != (pass == 0)) continue;
            if ((window->exStyle & WS_EX_LAYERED) && !window->layered) continue;
            if (Contains(*window, screen)) return window->handle;
        }
    }
    return nullptr;
}

HWND KeyTarget() {
    HWND focus;
    {
        std::lock_guard<std::mutex> guard(State().lock);
        focus = State().focus;
    }
    if (focus != nullptr && IsWindowVisible(focus)) return focus;
    return GetForegroundWindow();
}

}  // namespace

void ForgetInputWindow(HWND window) {
    std::lock_guard<std::mutex> guard(State().lock);
    if (State().capture == window) State().capture = nullptr;
    if (State().focus == window) State().focus = nullptr;
}

POINT CurrentCursor() {
    std::lock_guard<std::mutex> guard(State().lock);
    return State().cursor;
}

WPARAM CurrentMouseKeys() {
    std::lock_guard<std::mutex> guard(State().lock);
    return State().buttons;
}

HWND InjectMouse(UINT message, POINT screen) {
    HWND capture;
    {
        std::lock_guard<std::mutex> guard(State().lock);
        State().cursor = screen;
        if (message == WM_LBUTTONDOWN) State().buttons |= MK_LBUTTON;
        if (message == WM_LBUTTONUP) State().buttons &= ~MK_LBUTTON;
        if (message == WM_RBUTTONDOWN) State().buttons |= MK_RBUTTON;
        if (message == WM_RBUTTONUP) State().buttons &= ~MK_RBUTTON;
        capture = State().capture;
    }
    HWND target = nullptr;
    POINT client = screen;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = capture != nullptr ? FindWindowLocked(capture) : nullptr;
        if (window != nullptr) {
            target = capture;
        } else {
            HWND top = TopLevelAtLocked(screen);
            Window* topWindow = top != nullptr ? FindWindowLocked(top) : nullptr;
            if (topWindow == nullptr || (topWindow->style & WS_DISABLED)) return nullptr;
            target = DeepestLocked(*topWindow, screen);
            window = FindWindowLocked(target);
        }
        POINT origin = ClientOriginLocked(*window);
        client.x -= origin.x;
        client.y -= origin.y;
    }
    PostMessageW(target, message, CurrentMouseKeys(), MAKELPARAM(client.x, client.y));
    return target;
}

HWND InjectKey(UINT virtualKey, bool down, bool alt) {
    HWND target = KeyTarget();
    if (target == nullptr) return nullptr;
    UINT message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    PostMessageW(target, message, virtualKey, alt ? KF_ALTDOWN_LPARAM : 0);
    return target;
}

HWND InjectChar(wchar_t character) {
    HWND target = KeyTarget();
    if (target != nullptr) PostMessageW(target, WM_CHAR, static_cast<WPARAM>(static_cast<std::uint16_t>(character)), 0);
    return target;
}

}  // namespace platform

using namespace platform;

HWND SetCapture(HWND window) {
    if (!IsWindow(window)) return nullptr;
    std::lock_guard<std::mutex> guard(State().lock);
    HWND previous = State().capture;
    State().capture = window;
    return previous;
}

BOOL ReleaseCapture() {
    std::lock_guard<std::mutex> guard(State().lock);
    State().capture = nullptr;
    return TRUE;
}

HWND GetCapture() {
    std::lock_guard<std::mutex> guard(State().lock);
    return State().capture;
}

HWND SetFocus(HWND window) {
    if (window != nullptr && !IsWindow(window)) return nullptr;
    HWND previous;
    {
        std::lock_guard<std::mutex> guard(State().lock);
        previous = State().focus;
        State().focus = window;
    }
    if (previous == window) return previous;
    if (previous != nullptr) SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (window != nullptr) SendMessageW(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus() {
    std::lock_guard<std::mutex> guard(State().lock);
    return State().focus;
}

BOOL GetCursorPos(LPPOINT point) {
    if (point == nullptr) return FALSE;
    *point = CurrentCursor();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    std::lock_guard<std::mutex> guard(State().lock);
    State().cursor = POINT{x, y};
    return TRUE;
}

short GetKeyState(int virtualKey) {
    WPARAM buttons = CurrentMouseKeys();
    bool down =
        (virtualKey == VK_LBUTTON && (buttons & MK_LBUTTON)) || (virtualKey == VK_RBUTTON && (buttons & MK_RBUTTON));
    return down ? static_cast<short>(0x8000) : 0;
}

short GetAsyncKeyState(int virtualKey) { return GetKeyState(virtualKey); }

HWND WindowFromPoint(POINT point) {
    std::lock_guard<std::mutex> guard(WindowLock());
    HWND top = TopLevelAtLocked(point);
    Window* window = top != nullptr ? FindWindowLocked(top) : nullptr;
    return window != nullptr ? DeepestLocked(*window, point) : nullptr;
}
