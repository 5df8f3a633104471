#include "platform/windowing/Desktop.h"

#include <cwchar>
#include <cwctype>
#include <mutex>
#include <string>

#include "platform/base/CodePages.h"
#include "platform/base/LastError.h"
#include "platform/windowing/Windowing.h"
#include "platform/windowing/WindowTypes.h"
#include "platform/windowing/detail/DesktopBackEnd.h"

namespace {

struct ClipboardCopy {
    std::mutex lock;
    bool open = false;
    std::string ansi, oem;
    std::wstring wide;
};

ClipboardCopy& Clipboard() {
    static ClipboardCopy copy;
    return copy;
}

// Windows clipboard text ends its lines with CR LF.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
        out += text[i];
    }
    return out;
}

BOOL NoDisplay() {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

HDESK const kScreenSaverDesktop = reinterpret_cast<HDESK>(static_cast<LONG_PTR>(-0x5C));
HWND const kScreenSaverWindow = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-0x5D));

}  // namespace

void SwitchToThisWindow(HWND window, BOOL) { SetForegroundWindow(window); }

BOOL OpenClipboard(HWND) {
    std::string text;
    if (!platform::ReadClipboardText(text)) return NoDisplay();
    ClipboardCopy& clipboard = Clipboard();
    std::lock_guard<std::mutex> guard(clipboard.lock);
    if (clipboard.open) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    clipboard.open = true;
    clipboard.wide = WithCrLf(platform::Utf8ToUtf16(text));
    clipboard.ansi = platform::WideToCodePage(CP_ACP, clipboard.wide);
    clipboard.oem = platform::WideToCodePage(CP_OEMCP, clipboard.wide);
    return TRUE;
}

BOOL CloseClipboard() {
    ClipboardCopy& clipboard = Clipboard();
    std::lock_guard<std::mutex> guard(clipboard.lock);
    if (!clipboard.open) {
        SetLastError(1418);  // ERROR_CLIPBOARD_NOT_OPEN
        return FALSE;
    }
    clipboard.open = false;
    clipboard.ansi.clear();
    clipboard.oem.clear();
    clipboard.wide.clear();
    return TRUE;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    ClipboardCopy& clipboard = Clipboard();
    std::lock_guard<std::mutex> guard(clipboard.lock);
    bool text = format == CF_TEXT || format == CF_OEMTEXT || format == CF_UNICODETEXT;
    return clipboard.open && text && !clipboard.wide.empty();
}

HANDLE GetClipboardData(UINT format) {
    ClipboardCopy& clipboard = Clipboard();
    std::lock_guard<std::mutex> guard(clipboard.lock);
    if (!clipboard.open || clipboard.wide.empty()) return nullptr;
    if (format == CF_TEXT) return const_cast<char*>(clipboard.ansi.c_str());
    if (format == CF_OEMTEXT) return const_cast<char*>(clipboard.oem.c_str());
    if (format == CF_UNICODETEXT) return const_cast<wchar_t*>(clipboard.wide.c_str());
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL memory) { return memory; }
BOOL GlobalUnlock(HGLOBAL) { return TRUE; }

BOOL SystemParametersInfoW(UINT action, UINT uiParam, LPVOID pvParam, UINT) {
    switch (action) {
        case SPI_GETSCREENSAVETIMEOUT: {
            int seconds = 0;
            if (pvParam == nullptr) break;
            if (!platform::GetScreenSaverSeconds(seconds)) return NoDisplay();
            *static_cast<int*>(pvParam) = seconds;
            return TRUE;
        }
        case SPI_SETSCREENSAVETIMEOUT:
            return platform::SetScreenSaverSeconds(static_cast<int>(uiParam)) ? TRUE : NoDisplay();
        case SPI_GETSCREENSAVERRUNNING: {
            bool on = false;
            if (pvParam == nullptr) break;
            if (!platform::IsScreenSaverOn(on)) return NoDisplay();
            *static_cast<BOOL*>(pvParam) = on ? TRUE : FALSE;
            return TRUE;
        }
        default: break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

HDESK OpenDesktopW(LPCWSTR name, DWORD, BOOL, DWORD) {
    bool saver = name != nullptr && std::wcslen(name) == 12;
    for (int i = 0; saver && i < 12; ++i) saver = std::towlower(name[i]) == std::towlower(L"Screen-saver"[i]);
    bool on = false;
    if (!platform::IsScreenSaverOn(on)) {
        NoDisplay();
        return nullptr;
    }
    if (!saver || !on) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return kScreenSaverDesktop;
}

BOOL EnumDesktopWindows(HDESK desktop, WNDENUMPROC callback, LPARAM parameter) {
    if (desktop == nullptr && callback != nullptr) return EnumWindows(callback, parameter);
    if (desktop != kScreenSaverDesktop || callback == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    callback(kScreenSaverWindow, parameter);
    return TRUE;
}

BOOL CloseDesktop(HDESK desktop) { return desktop == kScreenSaverDesktop ? TRUE : FALSE; }

HWND platform::ScreenSaverWindow() { return kScreenSaverWindow; }

BOOL platform::PostToScreenSaverWindow(UINT message) {
    if (message == WM_CLOSE && !platform::ResetScreenSaver()) return NoDisplay();
    return TRUE;
}
