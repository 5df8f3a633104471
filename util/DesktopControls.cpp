#include "util/DesktopControls.h"

#include <cstring>

#include "platform/Win32.h"

BOOL SetWindowTopmost(HWND window) { return SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

int SwitchToWindow(HWND window) {
    using SwitchFunction = void (*)(HWND, BOOL);
    static const auto function =
        reinterpret_cast<SwitchFunction>(GetProcAddress(LoadLibraryW(L"user32"), "SwitchToThisWindow"));
    if (function == nullptr) return 0;
    function(window, TRUE);
    return 1;
}

int GetClipboardText(char* buffer, int length) {
    if (buffer == nullptr || length <= 0) return 0;
    buffer[0] = '\0';
    if (!OpenClipboard(nullptr)) return 0;
    int result = 0;
    if (IsClipboardFormatAvailable(CF_TEXT) || IsClipboardFormatAvailable(CF_OEMTEXT)) {
        HANDLE data = GetClipboardData(CF_TEXT);
        const char* text = data != nullptr ? static_cast<const char*>(GlobalLock(data)) : nullptr;
        if (text != nullptr) {
            std::size_t copied = strnlen(text, static_cast<std::size_t>(length) - 1);
            std::memcpy(buffer, text, copied);
            buffer[copied] = '\0';
            GlobalUnlock(data);
            result = 1;
        }
    }
    CloseClipboard();
    return result;
}

int SetScreenSaverTimeout(int flag) {
    // The timeout found at the first call, kept for the process.
    static const int saved = [] {
        int seconds = 0;
        return SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0) ? seconds : -1;
    }();
    UINT seconds = flag ? 0u : static_cast<UINT>(saved);
    return SystemParametersInfoW(SPI_SETSCREENSAVETIMEOUT, seconds, nullptr, 0) ? 1 : 0;
}

namespace {

BOOL CloseVisibleWindow(HWND window, LPARAM) {
    if (IsWindowVisible(window)) PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

int CloseScreenSaver() {
    BOOL running = FALSE;
    if (!SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) || !running) return 0;
    // Only the saver's own desktop is asked: a WM_CLOSE to whatever window is
    // in front would close the user's window, or this program's.
    HDESK desktop = OpenDesktopW(L"Screen-saver", 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_WRITEOBJECTS);
    if (desktop == nullptr) return 0;
    EnumDesktopWindows(desktop, CloseVisibleWindow, 0);
    CloseDesktop(desktop);
    return 1;
}
