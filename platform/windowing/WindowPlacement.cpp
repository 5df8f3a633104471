// Showing, enabling, moving and sizing windows, their rectangles, the
// z-order, and the invalid-area bookkeeping behind WM_PAINT.
#include <algorithm>

#include "platform/windowing/Desktop.h"
#include "platform/base/Environment.h"
#include "platform/drawing/Gdi.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"
#include "platform/windowing/detail/WindowInternals.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {

RECT UnionRect(const RECT& a, const RECT& b) {
    if (a.right <= a.left || a.bottom <= a.top) return b;
    if (b.right <= b.left || b.bottom <= b.top) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

void RaiseLocked(HWND handle) {
    auto& order = ZOrderLocked();
    if (std::find(order.begin(), order.end(), handle) == order.end()) return;
    std::erase(order, handle);
    order.push_back(handle);
}

// Looks a handle up (WindowLock held); a stale or foreign handle sets
// ERROR_INVALID_WINDOW_HANDLE and gives null.
Window* FindOrFailLocked(HWND handle) {
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

// The client area in client coordinates (WindowLock held).
RECT ClientRectLocked(const Window& window) {
    return RECT{0, 0, window.rect.right - window.rect.left, window.rect.bottom - window.rect.top};
}

// The one place the invalid area changes: `area` becomes the area waiting
// for WM_PAINT (WindowLock held). Returns the queue to wake.
QueuePtr SetInvalidLocked(Window& window, const RECT& area, bool erase) {
    window.updateRect = area;
    window.updatePending = true;
    window.erasePending = window.erasePending || erase;
    return window.queue;
}

// Invalidates the whole client area (WindowLock held); returns the queue to wake.
QueuePtr InvalidateAllLocked(Window& window, bool erase) {
    return SetInvalidLocked(window, ClientRectLocked(window), erase);
}

// Nothing waits for WM_PAINT any more (WindowLock held).
void ValidateLocked(Window& window) {
    window.updatePending = false;
    window.erasePending = false;
    ++window.paintGeneration;
}

// Moves a point by the window's client origin: +1 to screen coordinates,
// -1 back to client coordinates.
BOOL ShiftByClientOrigin(HWND handle, LPPOINT point, int direction) {
    if (point == nullptr) return FALSE;
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) return FALSE;
    POINT origin = ClientOriginLocked(*window);
    point->x += direction * origin.x;
    point->y += direction * origin.y;
    return TRUE;
}

// Resizes the window's surface, keeping what fits (WindowLock held).
void ResizeSurfaceLocked(Window& window, int width, int height) {
    auto fresh = std::make_shared<Surface>();
    if (!fresh->Allocate(width, height, BackgroundPixel(window.background))) return;
    {
        std::lock_guard<std::mutex> guard(window.surface->lock);
        int rows = std::min(height, window.surface->height);
        int columns = std::min(width, window.surface->width);
        for (int y = 0; y < rows; ++y) std::copy_n(window.surface->Row(y), columns, fresh->Row(y));
    }
    window.surface = fresh;
}

// Moves and sizes a window, sending WM_MOVE and WM_SIZE as needed.
BOOL Place(HWND handle, int x, int y, int width, int height, bool move, bool size, bool repaint) {
    bool moved = false, resized = false;
    LPARAM moveParam = 0, sizeParam = 0;
    QueuePtr wake;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindOrFailLocked(handle);
        if (window == nullptr) return FALSE;
        RECT rect = window->rect;
        int oldWidth = rect.right - rect.left, oldHeight = rect.bottom - rect.top;
        if (!move) {
            x = rect.left;
            y = rect.top;
        }
        if (!size) {
            width = oldWidth;
            height = oldHeight;
        }
        width = std::clamp(width, 0, kMaxSurfaceSide);
        height = std::clamp(height, 0, kMaxSurfaceSide);
        moved = x != rect.left || y != rect.top;
        resized = width != oldWidth || height != oldHeight;
        window->rect = RECT{x, y, x + width, y + height};
        if (resized) ResizeSurfaceLocked(*window, width, height);
        moveParam = MAKELPARAM(x, y);
        sizeParam = MAKELPARAM(width, height);
        if (repaint && (resized || moved)) wake = InvalidateAllLocked(*window, true);
    }
    if (wake) SignalQueue(wake, QS_PAINT);
    if (moved) SendMessageW(handle, WM_MOVE, 0, moveParam);
    if (resized) SendMessageW(handle, WM_SIZE, SIZE_RESTORED, sizeParam);
    if (moved || resized) NotifyScreenChanged();
    return TRUE;
}

}  // namespace
}  // namespace platform

using namespace platform;

BOOL IsWindowVisible(HWND handle) {
    if (handle == platform::ScreenSaverWindow()) return TRUE;
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) return FALSE;
    // Visible means the window and all its parents carry WS_VISIBLE.
    for (Window* current = window; current != nullptr;
         current = current->parent ? FindWindowLocked(current->parent) : nullptr)
        if (!(current->style & WS_VISIBLE)) return FALSE;
    return TRUE;
}

BOOL IsWindowEnabled(HWND handle) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    return window != nullptr && !(window->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    bool wasDisabled = false, changed = false;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindOrFailLocked(handle);
        if (window == nullptr) return FALSE;
        wasDisabled = (window->style & WS_DISABLED) != 0;
        changed = wasDisabled == (enable != FALSE);
        if (enable) window->style &= ~WS_DISABLED;
        else window->style |= WS_DISABLED;
        if (changed) InvalidateAllLocked(*window, true);
    }
    if (changed) {
        if (!enable) ForgetInputWindow(handle);
        SendMessageW(handle, WM_ENABLE, enable ? TRUE : FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
}

BOOL ShowWindow(HWND handle, int command) {
    bool wasVisible = false, show = false, hide = false;
    WPARAM sizeKind = ~WPARAM{0};
    LPARAM sizeParam = 0;
    QueuePtr wake;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindOrFailLocked(handle);
        if (window == nullptr) return FALSE;
        wasVisible = (window->style & WS_VISIBLE) != 0;
        int width = window->rect.right - window->rect.left, height = window->rect.bottom - window->rect.top;
        switch (command) {
            case SW_HIDE: hide = wasVisible; break;
            case SW_MINIMIZE:
            case SW_SHOWMINIMIZED:
            case SW_SHOWMINNOACTIVE:
                show = !wasVisible;
                if (!window->minimized) {
                    window->minimized = true;
                    window->style |= WS_MINIMIZE;
                    sizeKind = SIZE_MINIMIZED;
                    sizeParam = 0;
                }
                break;
            case SW_MAXIMIZE:
                show = !wasVisible;
                if (!window->maximized) {
                    window->maximized = true;
                    window->minimized = false;
                    window->style = (window->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
                    sizeKind = SIZE_MAXIMIZED;
                    sizeParam = MAKELPARAM(width, height);
                }
                break;
            default:
                show = !wasVisible;
                if ((command == SW_RESTORE || command == SW_SHOWNORMAL) && (window->minimized || window->maximized)) {
                    window->minimized = window->maximized = false;
                    window->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
                    sizeKind = SIZE_RESTORED;
                    sizeParam = MAKELPARAM(width, height);
                    wake = InvalidateAllLocked(*window, true);
                }
                break;
        }
        if (show && window->parent == nullptr) RaiseLocked(handle);
    }
    if (hide) {
        SendMessageW(handle, WM_SHOWWINDOW, FALSE, 0);
        std::lock_guard<std::mutex> guard(WindowLock());
        if (Window* window = FindWindowLocked(handle)) window->style &= ~WS_VISIBLE;
    }
    if (show) {
        SendMessageW(handle, WM_SHOWWINDOW, TRUE, 0);
        std::lock_guard<std::mutex> guard(WindowLock());
        if (Window* window = FindWindowLocked(handle)) {
            window->style |= WS_VISIBLE;
            wake = InvalidateAllLocked(*window, true);
        }
    }
    if (hide) ForgetInputWindow(handle);
    if (wake) SignalQueue(wake, QS_PAINT);
    if (sizeKind != ~WPARAM{0}) SendMessageW(handle, WM_SIZE, sizeKind, sizeParam);
    if (show || hide || sizeKind != ~WPARAM{0}) NotifyScreenChanged();
    return wasVisible ? TRUE : FALSE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
    return Place(handle, x, y, width, height, true, true, repaint != FALSE);
}

BOOL SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (!IsWindow(handle)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!(flags & SWP_NOZORDER)) {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(handle);
        if (window != nullptr && window->parent == nullptr) {
            if (insertAfter == HWND_TOPMOST) window->exStyle |= WS_EX_TOPMOST;
            if (insertAfter == HWND_NOTOPMOST) window->exStyle &= ~WS_EX_TOPMOST;
            if (insertAfter == HWND_BOTTOM) {
                std::erase(ZOrderLocked(), handle);
                ZOrderLocked().insert(ZOrderLocked().begin(), handle);
            } else {
                RaiseLocked(handle);
            }
        }
    }
    if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE))
        Place(handle, x, y, cx, cy, !(flags & SWP_NOMOVE), !(flags & SWP_NOSIZE), !(flags & SWP_NOREDRAW));
    if (flags & SWP_SHOWWINDOW) ShowWindow(handle, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(handle, SW_HIDE);
    NotifyScreenChanged();
    return TRUE;
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    if (rect == nullptr) return FALSE;
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindOrFailLocked(handle);
    if (window == nullptr) return FALSE;
    POINT origin = ClientOriginLocked(*window);
    RECT client = ClientRectLocked(*window);
    *rect = RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    return TRUE;
}

BOOL GetClientRect(HWND handle, LPRECT rect) {
    if (rect == nullptr) return FALSE;
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindOrFailLocked(handle);
    if (window == nullptr) return FALSE;
    *rect = ClientRectLocked(*window);
    return TRUE;
}

BOOL ClientToScreen(HWND handle, LPPOINT point) { return ShiftByClientOrigin(handle, point, 1); }

BOOL ScreenToClient(HWND handle, LPPOINT point) { return ShiftByClientOrigin(handle, point, -1); }

BOOL BringWindowToTop(HWND handle) {
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(handle);
        if (window == nullptr) return FALSE;
        RaiseLocked(RootLocked(window)->handle);
    }
    NotifyScreenChanged();
    return TRUE;
}

BOOL SetForegroundWindow(HWND handle) { return BringWindowToTop(handle); }

HWND GetForegroundWindow() {
    std::lock_guard<std::mutex> guard(WindowLock());
    auto& order = ZOrderLocked();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        Window* window = FindWindowLocked(*it);
        if (window != nullptr && IsShownLocked(*window) && !(window->exStyle & WS_EX_TRANSPARENT)) return *it;
    }
    return nullptr;
}

HWND GetActiveWindow() {
    HWND foreground = GetForegroundWindow();
    return GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId() ? foreground : nullptr;
}

BOOL IsIconic(HWND handle) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    return window != nullptr && window->minimized ? TRUE : FALSE;
}

BOOL IsZoomed(HWND handle) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    return window != nullptr && window->maximized ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND handle, const RECT* rect, BOOL erase) {
    QueuePtr wake;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindOrFailLocked(handle);
        if (window == nullptr) return FALSE;
        RECT client = ClientRectLocked(*window);
        RECT area = client;
        if (rect != nullptr) {
            area = RECT{std::max(rect->left, client.left), std::max(rect->top, client.top),
                        std::min(rect->right, client.right), std::min(rect->bottom, client.bottom)};
            if (area.right <= area.left || area.bottom <= area.top) return TRUE;
        }
        wake = SetInvalidLocked(*window, window->updatePending ? UnionRect(window->updateRect, area) : area, erase);
    }
    SignalQueue(wake, QS_PAINT);
    return TRUE;
}

BOOL ValidateRect(HWND handle, const RECT*) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) return FALSE;
    ValidateLocked(*window);
    return TRUE;
}

BOOL GetUpdateRect(HWND handle, LPRECT rect, BOOL) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) return FALSE;
    if (rect != nullptr) *rect = window->updatePending ? window->updateRect : RECT{0, 0, 0, 0};
    return window->updatePending ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND handle) {
    bool pending = false;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(handle);
        if (window == nullptr) return FALSE;
        pending = window->updatePending && IsShownLocked(*window);
    }
    if (pending) {
        MSG paint{handle, WM_PAINT, 0, 0, 0, {0, 0}};
        if (GetWindowThreadProcessId(handle, nullptr) == GetCurrentThreadId()) DispatchMessageW(&paint);
        else SendMessageW(handle, WM_PAINT, 0, 0);
    }
    return TRUE;
}

HDC BeginPaint(HWND handle, PAINTSTRUCT* paint) {
    if (paint == nullptr) return nullptr;
    *paint = PAINTSTRUCT{};
    bool erase = false;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindOrFailLocked(handle);
        if (window == nullptr) return nullptr;
        paint->rcPaint = window->updatePending ? window->updateRect : ClientRectLocked(*window);
        erase = window->erasePending;
        ValidateLocked(*window);
    }
    HDC dc = GetDC(handle);
    paint->hdc = dc;
    if (erase && dc != nullptr)
        paint->fErase = SendMessageW(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
    return dc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT* paint) {
    if (paint == nullptr) return FALSE;
    ReleaseDC(handle, paint->hdc);
    return TRUE;
}
