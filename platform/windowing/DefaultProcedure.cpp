// DefWindowProcW, and the modal loop that drags a window by its caption.
#include <algorithm>
#include <cwchar>

#include "platform/drawing/Gdi.h"
#include "platform/windowing/Input.h"
#include "platform/windowing/detail/WindowInternals.h"
#include "platform/windowing/Windowing.h"

namespace platform {

// Ceiling on window text (as in the window table).
constexpr size_t kMaxDefaultText = 1 << 20;

void RunMoveLoop(HWND window, POINT anchor) {
    RECT start{};
    if (!GetWindowRect(window, &start)) return;
    SendMessageW(window, WM_ENTERSIZEMOVE, 0, 0);
    SetCapture(window);
    int width = start.right - start.left, height = start.bottom - start.top;
    for (;;) {
        MSG message{};
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0 || !IsWindow(window)) break;
        if (message.message == WM_MOUSEMOVE) {
            MoveWindow(window, start.left + message.pt.x - anchor.x, start.top + message.pt.y - anchor.y, width, height,
                       TRUE);
            continue;
        }
        if (message.message == WM_LBUTTONUP) {
            MoveWindow(window, start.left + message.pt.x - anchor.x, start.top + message.pt.y - anchor.y, width, height,
                       TRUE);
            break;
        }
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
            MoveWindow(window, start.left, start.top, width, height, TRUE);
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (GetCapture() == window) ReleaseCapture();
    SendMessageW(window, WM_EXITSIZEMOVE, 0, 0);
}

}  // namespace platform

using namespace platform;

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_ERASEBKGND: {
            HBRUSH brush = nullptr;
            {
                std::lock_guard<std::mutex> guard(WindowLock());
                Window* record = FindWindowLocked(window);
                if (record != nullptr) brush = record->background;
            }
            if (brush == nullptr) return 0;
            RECT client{};
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
            return 1;
        }
        case WM_SETTEXT: {
            std::lock_guard<std::mutex> guard(WindowLock());
            Window* record = FindWindowLocked(window);
            if (record == nullptr) return FALSE;
            const auto* text = reinterpret_cast<const wchar_t*>(lParam);
            record->text = text != nullptr ? std::wstring(text, std::min(std::wcslen(text), kMaxDefaultText)) : L"";
            return TRUE;
        }
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<wchar_t*>(lParam);
            if (buffer == nullptr || wParam == 0) return 0;
            std::lock_guard<std::mutex> guard(WindowLock());
            Window* record = FindWindowLocked(window);
            if (record == nullptr) return 0;
            size_t count = std::min(record->text.size(), static_cast<size_t>(wParam - 1));
            std::wmemcpy(buffer, record->text.c_str(), count);
            buffer[count] = 0;
            return static_cast<LRESULT>(count);
        }
        case WM_GETTEXTLENGTH: {
            std::lock_guard<std::mutex> guard(WindowLock());
            Window* record = FindWindowLocked(window);
            return record != nullptr ? static_cast<LRESULT>(record->text.size()) : 0;
        }
        case WM_SETFONT: {
            {
                std::lock_guard<std::mutex> guard(WindowLock());
                Window* record = FindWindowLocked(window);
                if (record != nullptr) record->font = reinterpret_cast<HFONT>(wParam);
            }
            if (LOWORD(static_cast<DWORD_PTR>(lParam)) != 0) InvalidateRect(window, nullptr, TRUE);
            return 0;
        }
        case WM_GETFONT: {
            std::lock_guard<std::mutex> guard(WindowLock());
            Window* record = FindWindowLocked(window);
            return record != nullptr ? reinterpret_cast<LRESULT>(record->font) : 0;
        }
        case WM_CLOSE: DestroyWindow(window); return 0;
        case WM_NCHITTEST: return HTCLIENT;
        case WM_NCLBUTTONDOWN:
            if (wParam == static_cast<WPARAM>(HTCAPTION))
                SendMessageW(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
            return 0;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MOVE: {
                    // The press point anchors the drag (the pointer may have moved on).
                    POINT anchor = lParam != 0 ? POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)} : CurrentCursor();
                    RunMoveLoop(window, anchor);
                    return 0;
                }
                case SC_CLOSE: SendMessageW(window, WM_CLOSE, 0, 0); return 0;
                case SC_MINIMIZE: ShowWindow(window, SW_MINIMIZE); return 0;
                case SC_MAXIMIZE: ShowWindow(window, SW_MAXIMIZE); return 0;
                case SC_RESTORE: ShowWindow(window, SW_RESTORE); return 0;
                default: return 0;
            }
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4 && (lParam & KF_ALTDOWN_LPARAM)) {
                HWND root = window;
                {
                    std::lock_guard<std::mutex> guard(WindowLock());
                    Window* record = RootLocked(FindWindowLocked(window));
                    if (record != nullptr) root = record->handle;
                }
                PostMessageW(root, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return 0;
        default: return 0;
    }
}
